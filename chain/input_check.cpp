#include "chain/input_check.h"

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"

namespace {

InputProblem Problem(InputProblem::Kind kind, std::string english, std::string japanese) {
  InputProblem p;
  p.kind = kind;
  p.english = std::move(english);
  p.japanese = std::move(japanese);
  return p;
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
      return Problem(InputProblem::Damaged,
                     "cut short: its RIFF header promises " + std::to_string(promised) + " bytes, the file holds " +
                         std::to_string(size),
                     "途中で切れています（RIFF ヘッダーは " + std::to_string(promised) + " バイト、ファイルは " +
                         std::to_string(size) + " バイト）");
    if (a.moviOffset == 0) return Problem(InputProblem::Damaged, "it has no movi list", "movi リストがありません");
    if (a.idx1Offset == 0)
      return Problem(InputProblem::Damaged, "it has no index (idx1); the recording may have ended early",
                     "インデックス（idx1）がありません（録画が途中で止まった可能性があります）");
    return Problem(InputProblem::Unsupported, "no RIFF size field", "RIFF サイズがありません");
  }
  if (a.microSecPerFrameOffset == 0 || a.totalFramesOffset == 0)
    return Problem(InputProblem::Unsupported, "it has no main header (avih)", "メインヘッダー（avih）がありません");
  if (a.streamCount == 0) return Problem(InputProblem::Unsupported, "it has no stream", "ストリームがありません");
  for (uint32_t s = 0; s < a.streamCount; ++s)
    if (a.streams[s].lengthOffset == 0)
      return Problem(InputProblem::Unsupported, "stream " + std::to_string(s) + " has a short header",
                     "ストリーム" + std::to_string(s) + " のヘッダーが短すぎます");
  if (a.firstVideoStream < 0) return Problem(InputProblem::Unsupported, "it has no video stream", "映像ストリームがありません");
  if (a.streams[a.firstVideoStream].idx1EntryCount == 0)
    return Problem(InputProblem::Damaged, "its index names no video frame", "インデックスに映像フレームがありません");

  // Every chunk the index names must lie in the file.
  IndexReader index(input, a.idx1Offset, a.idx1EntryTotal);
  const uint64_t end = input.Size();
  for (uint32_t i = 0; i < index.Total(); ++i) {
    const IndexEntry e = index.At(i);
    if (StreamOfCkid(e.ckid) < 0) continue;
    const uint64_t at = ChunkPosition(a.chunkBase, e);
    if (at + 8 + e.length > end)
      return Problem(InputProblem::Damaged,
                     "its index names data beyond the end of the file (entry " + std::to_string(i) + ")",
                     "インデックスの指すデータがファイルの終わりを越えています（エントリ " + std::to_string(i) + "）");
  }
  return InputProblem();
}
