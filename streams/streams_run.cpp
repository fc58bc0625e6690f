// The input and output steps the stream commands share (streams/streams_run.h).
#include "streams/streams_run.h"

#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "avi/stored_chunks.h"
#include "io/file_system.h"
#include "io/output_file.h"
#include "texts/streams_texts.h"

bool StreamsRun::Open() {
  sink_.Status(Text(kStreamsAnalyzing), 0);
  if (sink_.Cancelled()) return Fail(StreamsResult::Cancelled), false;
  StoredChunkWatch watch;
  if (!OpenAndAnalyse(path_, *source_, analysis_, true, &watch)) return false;
  chunksAsWritten_ = watch.ChunksAsWritten(analysis_);
  outcome_.streamCount = analysis_.streamCount;
  return CheckStructure();
}

// A file this program can take streams out of: its header read, its index
// there and every chunk the index names inside the file.
bool StreamsRun::CheckStructure() {
  const AviAnalysis& a = analysis_;
  if (a.moviOffset == 0) return Refuse(StreamsResult::Unsupported, texts::kStreamsNoMovi), false;
  if (a.idx1Offset == 0)
    return Refuse(StreamsResult::Unsupported, texts::kStreamsNoIndex), false;
  if (a.streamCount == 0 || a.totalFramesOffset == 0)
    return Refuse(StreamsResult::Unsupported, texts::kStreamsNoMainHeader), false;
  ByteInput& in = Input();
  if (!ReadHeaderLayout(in, a.moviOffset, &layout_) || layout_.streams.size() != a.streamCount)
    return Refuse(StreamsResult::Unsupported, texts::kStreamsListsMismatch), false;
  for (uint32_t s = 0; s < a.streamCount; ++s)
    if (a.streams[s].lengthOffset == 0 || layout_.streams[s].strh == 0)
      return Refuse(StreamsResult::Unsupported, texts::kStreamsShortHeader, {std::to_string(s)}), false;
  IndexReader index(in, a.idx1Offset, a.idx1EntryTotal);
  const uint64_t end = in.Size();
  for (uint32_t i = 0; i < index.Total(); ++i) {
    const IndexEntry e = index.At(i);
    if (StreamOfCkid(e.ckid) < 0) continue;
    if (ChunkPosition(a.chunkBase, e) + 8 + e.length > end)
      return Refuse(StreamsResult::Damaged, texts::kStreamsEntryPastEnd, {std::to_string(i)}), false;
    if ((i & 0xFFFF) == 0 && sink_.Cancelled()) return Fail(StreamsResult::Cancelled), false;
  }
  return true;
}

bool StreamsRun::CheckStream(int stream, const char* what) {
  if (stream >= 0 && uint32_t(stream) < analysis_.streamCount) return true;
  const std::string count = std::to_string(analysis_.streamCount);
  const std::string n = std::to_string(stream);
  Fail(StreamsResult::NoSuchStream,
       path_ + ": " + what + " " + n + ": the file has " + count + " streams, 0 to " +
           std::to_string(analysis_.streamCount - 1),
       Both(texts::kStreamsNoSuchStream, {n, count, std::to_string(analysis_.streamCount - 1)}));
  return false;
}

StreamFormat StreamsRun::Format(int stream) { return ReadStreamFormat(Input(), layout_.streams[stream].strh); }

std::vector<uint8_t> StreamsRun::FormatBlock(int stream) {
  const StreamListPlace& place = layout_.streams[stream];
  std::vector<uint8_t> bytes;
  if (place.strf == 0 || place.strfSize > (1u << 20)) return bytes;
  bytes.resize(place.strfSize);
  Input().Seek(place.strf + 8);
  bytes.resize(Input().Read(bytes.data(), bytes.size()));
  return bytes;
}

bool StreamsRun::Settle(OutputFile& out, WriteResult result, const std::string& problem) {
  const std::string name = out.FinalPath();
  const auto endedEarly = [this]() -> StreamsOutcome& {
    return Fail(StreamsResult::Damaged,
                path_ + ": the input ended before the chunks its index names, or changed while it was read",
                Both(texts::kStreamsInputEndedEarly));
  };
  if (!JobRun::Settle(out, result, problem, endedEarly, true)) return false;
  outcome_.outputs.push_back(name);
  outcome_.bytes = out.Position();
  return true;
}

std::string NameBeside(const std::string& input, const std::string& ending) {
  const size_t folder = filesys::FolderOf(input).size();
  const size_t dot = input.rfind('.');
  const size_t keep = dot != std::string::npos && dot > folder ? dot : input.size();
  return input.substr(0, keep) + ending;
}

std::string ExtensionOf(const std::string& name) {
  const size_t folder = filesys::FolderOf(name).size();
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot <= folder) return "";
  std::string ext = name.substr(dot + 1);
  for (char& c : ext) c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext;
}
