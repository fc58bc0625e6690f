#include "chain/input_check.h"

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "texts/chain_texts.h"

namespace {

InputProblem Problem(InputProblem::Kind kind, std::string english, std::string japanese) {
  InputProblem p;
  p.kind = kind;
  p.english = std::move(english);
  p.japanese = std::move(japanese);
  return p;
}

// The same from a text of the catalogue with its places filled.
InputProblem Problem(InputProblem::Kind kind, const TextPair& text, std::initializer_list<std::string> values = {}) {
  return Problem(kind, Fill(text.english, values), Fill(text.japanese, values));
}

}  // namespace

InputProblem CheckJoinInput(const AviAnalysis& a, ByteInput& file, ByteInput& input) {
  const uint64_t size = file.Size();
  // A recording that stopped while it was written: its RIFF size promises
  // more than the file holds, and the walk, which trusts no chunk running
  // past the file's end, records nothing.
  if (a.riffSizeOffset == 0 || a.moviOffset == 0 || a.idx1Offset == 0) {
    const uint64_t promised = 8 + uint64_t(file.U32At(4));
    if (promised > size)
      return Problem(InputProblem::Damaged, texts::kInputCutShort, {std::to_string(promised), std::to_string(size)});
    if (a.moviOffset == 0) return Problem(InputProblem::Damaged, texts::kInputNoMovi);
    if (a.idx1Offset == 0)
      return Problem(InputProblem::Damaged, texts::kInputNoIndex);
    return Problem(InputProblem::Unsupported, texts::kInputNoRiffSize);
  }
  if (a.microSecPerFrameOffset == 0 || a.totalFramesOffset == 0)
    return Problem(InputProblem::Unsupported, texts::kInputNoMainHeader);
  if (a.streamCount == 0) return Problem(InputProblem::Unsupported, texts::kInputNoStream);
  for (uint32_t s = 0; s < a.streamCount; ++s)
    if (a.streams[s].lengthOffset == 0)
      return Problem(InputProblem::Unsupported, texts::kInputShortStreamHeader, {std::to_string(s)});
  if (a.firstVideoStream < 0) return Problem(InputProblem::Unsupported, texts::kInputNoVideo);
  if (a.streams[a.firstVideoStream].idx1EntryCount == 0)
    return Problem(InputProblem::Damaged, texts::kInputNoVideoFrame);

  // Every chunk the index names must lie in the file.
  IndexReader index(input, a.idx1Offset, a.idx1EntryTotal);
  const uint64_t end = input.Size();
  for (uint32_t i = 0; i < index.Total(); ++i) {
    const IndexEntry e = index.At(i);
    if (StreamOfCkid(e.ckid) < 0) continue;
    const uint64_t at = ChunkPosition(a.chunkBase, e);
    if (at + 8 + e.length > end)
      return Problem(InputProblem::Damaged, texts::kInputEntryPastEnd, {std::to_string(i)});
  }
  return InputProblem();
}
