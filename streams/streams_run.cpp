// The input and output steps the stream commands share (streams/streams_run.h).
#include "streams/streams_run.h"

#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "avi/odml_index.h"
#include "avi/read_fault.h"
#include "avi/stored_chunks.h"
#include "io/file_system.h"
#include "io/output_file.h"
#include "job/fault_end.h"
#include "job/file_probe.h"
#include "job/input_session.h"
#include "job/output_commit.h"
#include "scan/damage_report.h"
#include "texts/streams_texts.h"

StreamsOutcome& StreamsRun::Fail(StreamsResult result, const std::string& detail, const std::string& extra) {
  if (result != StreamsResult::Cancelled && source_->File().Fault()) return FailReading();
  outcome_.result = result;
  if (!detail.empty()) outcome_.detail = detail;
  if (result == StreamsResult::Cancelled) outcome_.outputs.clear();
  if (const TextPair* text = StreamsResultText(result)) {
    outcome_.message = std::string(Text(*text)) + (extra.empty() ? "" : "\n\n" + extra);
    const std::string shown =
        result == StreamsResult::Completed ? outcome_.message : sink_.WithDetail(outcome_.message, outcome_.detail);
    sink_.Message(shown.c_str(), MessageOwner::ProgressWindow);
  }
  return outcome_;
}

StreamsOutcome& StreamsRun::FailReading() {
  const auto end =
      EndOnFault(source_->File().Fault(), sink_.EnglishUi(), StreamsResult::ReadError, StreamsResult::InputChanged);
  outcome_.result = end.result;
  outcome_.detail = end.detail;
  outcome_.message = std::string(Text(*StreamsResultText(end.result))) + "\n\n" + end.why;
  sink_.Message(outcome_.message.c_str(), MessageOwner::ProgressWindow);
  return outcome_;
}

StreamsOutcome& StreamsRun::Complete(const std::string& summary) {
  outcome_.result = StreamsResult::Completed;
  outcome_.message = summary;
  sink_.Message(summary.c_str(), MessageOwner::ProgressWindow);
  return outcome_;
}

StreamsOutcome& StreamsRun::Refuse(StreamsResult result, const std::string& english, const std::string& japanese) {
  source_->File().CheckSize();
  if (source_->File().Fault()) return FailReading();
  const DamageReport damage = InspectDamage(path_);
  if (!damage.damaged) return Fail(result, path_ + ": " + english, path_ + ": " + Both(english, japanese));
  // A recording that ended badly: what is missing is its end, which the
  // damage report says, with what a repair would keep.
  outcome_.result = StreamsResult::Damaged;
  outcome_.detail = path_ + ": " + damage.Reason();
  outcome_.message = std::string(Text(*StreamsResultText(StreamsResult::Damaged))) + "\n\n" +
                     damage.In(sink_.EnglishUi());
  sink_.Message(outcome_.message.c_str(), MessageOwner::ProgressWindow);
  return outcome_;
}

bool StreamsRun::Open() {
  sink_.Status(Text(kStreamsAnalyzing), 0);
  if (sink_.Cancelled()) return Fail(StreamsResult::Cancelled), false;
  if (const InputStop stop = OpenInput(path_, *source_))
    return Fail(StreamsResult::InputNotOpen, stop.detail, stop.detail), false;
  StoredChunkWatch watch;
  InputStop stop = CheckRiff(path_, *source_);
  if (!stop) stop = AnalyseInput(path_, *source_, analysis_, sink_, 0, 10, &watch);
  switch (stop.kind) {
    case InputStop::None: break;
    case InputStop::NotRiff: return Fail(StreamsResult::InputNotRiff, stop.detail), false;
    case InputStop::Cancelled: return Fail(StreamsResult::Cancelled), false;
    case InputStop::BrokenIndexes:
      return Refuse(StreamsResult::OpenDml, stop.why, DescribeOdmlFault(source_->Fault(), 0)), false;
    default: return FailReading(), false;
  }
  chunksAsWritten_ = watch.ChunksAsWritten(analysis_);
  outcome_.streamCount = analysis_.streamCount;
  return CheckStructure();
}

// A file this program can take streams out of: its header read, its index
// there and every chunk the index names inside the file.
bool StreamsRun::CheckStructure() {
  const AviAnalysis& a = analysis_;
  if (a.moviOffset == 0) return Refuse(StreamsResult::Unsupported, texts::kStreamsNoMovi.english, texts::kStreamsNoMovi.japanese), false;
  if (a.idx1Offset == 0)
    return Refuse(StreamsResult::Unsupported, texts::kStreamsNoIndex.english, texts::kStreamsNoIndex.japanese), false;
  if (a.streamCount == 0 || a.totalFramesOffset == 0)
    return Refuse(StreamsResult::Unsupported, texts::kStreamsNoMainHeader.english,
                  texts::kStreamsNoMainHeader.japanese),
           false;
  ByteInput& in = Input();
  if (!ReadHeaderLayout(in, a.moviOffset, &layout_) || layout_.streams.size() != a.streamCount)
    return Refuse(StreamsResult::Unsupported, texts::kStreamsListsMismatch.english,
                  texts::kStreamsListsMismatch.japanese),
           false;
  for (uint32_t s = 0; s < a.streamCount; ++s)
    if (a.streams[s].lengthOffset == 0 || layout_.streams[s].strh == 0)
      return Refuse(StreamsResult::Unsupported, Fill(texts::kStreamsShortHeader.english, {std::to_string(s)}),
                    Fill(texts::kStreamsShortHeader.japanese, {std::to_string(s)})),
             false;
  IndexReader index(in, a.idx1Offset, a.idx1EntryTotal);
  const uint64_t end = in.Size();
  for (uint32_t i = 0; i < index.Total(); ++i) {
    const IndexEntry e = index.At(i);
    if (StreamOfCkid(e.ckid) < 0) continue;
    if (ChunkPosition(a.chunkBase, e) + 8 + e.length > end)
      return Refuse(StreamsResult::Damaged, Fill(texts::kStreamsEntryPastEnd.english, {std::to_string(i)}),
                    Fill(texts::kStreamsEntryPastEnd.japanese, {std::to_string(i)})),
             false;
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

bool StreamsRun::CheckOutputName(const std::string& name) {
  if (name.size() > 259) return Fail(StreamsResult::NoOutputName, name + ": longer than 259 bytes"), false;
  if (name == path_ || SameFile(name.c_str(), path_.c_str()))
    return Fail(StreamsResult::NameIsInput, name + ": names the input " + path_), false;
  return true;
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
  // A read error or a change of the input under the copy: not what it held.
  result = CommitOutput(out, result, sink_, [this] { return source_->File().CheckSize(), bool(source_->File().Fault()); });
  if (result == WriteResult::Written) {
    outcome_.outputs.push_back(name);
    outcome_.bytes = out.Position();
    return true;
  }
  const std::string reason = out.Reason();
  out.Abandon();
  switch (result) {
    case WriteResult::Written: break;
    case WriteResult::Cancelled: Fail(StreamsResult::Cancelled); break;
    case WriteResult::InputShort:
    case WriteResult::InputChanged:
    case WriteResult::ReadFailed:
      Fail(StreamsResult::Damaged, path_ + ": the input ended before the chunks its index names, or changed while it was read",
           Both(texts::kStreamsInputEndedEarly));
      break;
    case WriteResult::TooLarge: Fail(StreamsResult::TooLarge, name + ": " + problem); break;
    case WriteResult::WriteFailed:
      Fail(StreamsResult::CannotWrite, name + ": " + (reason.empty() ? "write failed" : reason),
           name + ": " + (reason.empty() ? "write failed" : reason));
      break;
  }
  return false;
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
