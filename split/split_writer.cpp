// Writing half of the split engine: names and creates the outputs, writes
// their patched headers, copies their chunks and builds their idx1 indexes.
#include <cstdio>
#include <cstring>

#include "app/host.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "split/output_file.h"
#include "split/source_window.h"
#include "split/split_engine.h"
#include "split/split_math.h"
#include "split/split_texts.h"

namespace {

enum class Part { Whole, Head, Tail };  // a whole chunk, or its first / last P bytes

// Which outputs an index entry goes to, and in what shape.
struct Route {
  bool first = false;
  bool second = false;
  Part firstPart = Part::Whole;
  Part secondPart = Part::Whole;
};

Route RouteEntry(const JobState& state, const SplitPlan& plan, int stream, uint32_t k) {
  const StreamCut& cut = plan.cuts[stream];
  const bool audio = state.analysis.streams[stream].type == StreamAudio &&
                     stream != state.analysis.firstVideoStream;
  Route r;
  r.first = k < cut.firstCount;
  if (r.first && audio && k == cut.firstCount - 1 && cut.firstPartialBytes != 0) r.firstPart = Part::Head;
  r.second = k >= cut.secondStart;
  if (r.second && audio && k == cut.secondStart && cut.secondPartialBytes != 0) r.secondPart = Part::Tail;
  return r;
}

// One output file being written.
struct Output {
  bool wanted = false;
  bool isFirst = false;
  const char* path = nullptr;
  OutputFile file;
  uint32_t riffSize = 0;
  uint32_t frames = 0;
  uint32_t lengths[kMaxStreams] = {};
  uint32_t moviListSize = 0;
  uint32_t indexEntries = 0;
  uint32_t chunkOffset = 4;  // running offset from the "movi" list type
};

uint32_t StreamEntries(const StreamEntry& s, const StreamCut& cut, bool first) {
  if (first) return cut.firstCount;
  return s.idx1EntryCount > cut.secondStart ? s.idx1EntryCount - cut.secondStart : 0;
}

uint32_t StreamLength(JobState& state, const SplitPlan& plan, uint32_t n, bool first) {
  const AviAnalysis& a = state.analysis;
  const StreamEntry& s = a.streams[n];
  const StreamCut& cut = plan.cuts[n];
  if (int32_t(n) == a.firstVideoStream)
    return first ? plan.splitFrame : plan.videoFrames - plan.secondStartFrame;
  const uint32_t source = state.inputFile.U32At(s.lengthOffset);
  if (s.type == StreamAudio) {
    // Kept within the source's own length even when its audio runs short.
    double samples = SamplesForFrames(plan.frameMicros, first ? plan.splitFrame : plan.secondStartFrame, s.rate);
    if (first) return samples < double(source) ? TruncU32(samples) : source;
    return samples < double(source) ? source - TruncU32(samples) : 0;
  }
  if (s.idx1EntryCount == 0) return 0;
  double entries = first ? double(cut.firstCount) : double(s.idx1EntryCount) - double(cut.secondStart);
  return TruncU32(entries / double(s.idx1EntryCount) * double(source));
}

// Fills the header figures of one output; false when its RIFF size cannot be
// expressed in 32 bits.
bool SizeOutput(JobState& state, const SplitPlan& plan, Output& out) {
  const AviAnalysis& a = state.analysis;
  uint64_t moviBytes = 0, entries = 0;
  for (uint32_t n = 0; n < a.streamCount; ++n) {
    const StreamCut& cut = plan.cuts[n];
    moviBytes += out.isFirst ? cut.firstMoviBytes : cut.secondMoviBytes;
    entries += StreamEntries(a.streams[n], cut, out.isFirst);
    out.lengths[n] = StreamLength(state, plan, n, out.isFirst);
  }
  uint64_t riff = uint64_t(a.moviOffset) + 4 + moviBytes + 16 * entries;
  if (riff > 0xFFFFFFFFull) return false;
  out.riffSize = uint32_t(riff);
  out.moviListSize = uint32_t(4 + moviBytes);
  out.indexEntries = uint32_t(entries);
  out.frames = out.isFirst ? plan.splitFrame : plan.videoFrames - plan.secondStartFrame;
  return true;
}

// The input's header with RIFF size, dwTotalFrames, every dwLength and the
// movi list size replaced; all other bytes copied from the same positions.
bool WriteHeader(const AviAnalysis& a, SourceWindow& source, Output& out) {
  OutputFile& f = out.file;
  if (!source.CopyTo(0, 4, f) || !f.WriteU32(out.riffSize)) return false;
  if (!source.CopyTo(8, a.totalFramesOffset - 8, f) || !f.WriteU32(out.frames)) return false;
  uint64_t at = uint64_t(a.totalFramesOffset) + 4;
  for (uint32_t n = 0; n < a.streamCount; ++n) {
    const uint32_t field = a.streams[n].lengthOffset;
    if (!source.CopyTo(at, field - at, f) || !f.WriteU32(out.lengths[n])) return false;
    at = uint64_t(field) + 4;
  }
  if (!source.CopyTo(at, a.moviOffset - 4 - at, f) || !f.WriteU32(out.moviListSize)) return false;
  return f.WriteU32(kMovi);
}

// Writes one chunk: its code from the input, the size the index gives it,
// then the data, padded to even length with a zero byte.
bool WriteChunk(SourceWindow& source, OutputFile& f, uint64_t at, uint32_t length, Part part,
                uint32_t partial) {
  // A chunk that runs past the end of the input cannot be copied.
  if ((part != Part::Whole || length == 0) && !source.Holds(at + 8 + uint64_t(length))) return false;
  const uint32_t size = part == Part::Whole ? length : partial;
  const uint64_t from = at + 8 + (part == Part::Tail ? uint64_t(length - partial) : 0);
  if (!source.CopyTo(at, 4, f) || !f.WriteU32(size) || !source.CopyTo(from, size, f)) return false;
  if (size & 1) {
    const uint8_t zero = 0;
    return f.Write(&zero, 1);
  }
  return true;
}

uint32_t PartSize(Part part, uint32_t length, uint32_t partial) {
  return part == Part::Whole ? length : partial;
}

// Output names: the input's name without its last four characters, plus
// "-1.avi" / "-2.avi". False when they would not fit a path buffer.
bool MakeOutputNames(const char* input, char* first, char* second) {
  size_t length = std::strlen(input);
  size_t keep = length >= 4 ? length - 4 : 0;
  if (keep + 6 > size_t(kPathBytes - 1)) return false;
  std::memcpy(first, input, keep);
  std::memcpy(second, input, keep);
  std::memcpy(first + keep, "-1.avi", 7);
  std::memcpy(second + keep, "-2.avi", 7);
  return true;
}

void Report(JobState& state, int cells) {
  SetStatusText(state, Pick(SplitText(kTextFileCreating), state.englishUi));
  ReportProgress(state, cells);
}

// Closes the files, second first as they were opened; false when a close failed.
bool CloseOutputs(Output* outputs) {
  bool secondOk = outputs[1].file.Close();
  bool firstOk = outputs[0].file.Close();
  return secondOk && firstOk;
}

// After a failed read or write nothing this run wrote is worth keeping.
int32_t AbandonOutputs(Output* outputs) {
  CloseOutputs(outputs);
  for (int x = 0; x < 2; ++x)
    if (outputs[x].wanted) std::remove(outputs[x].path);
  return kSplitWriteFailed;
}

}  // namespace

int32_t WriteSplitOutputs(JobState& state, const TimeSplitRequest& request, const SplitPlan& plan) {
  const AviAnalysis& a = state.analysis;
  char firstName[kOutputPathBytes];
  char secondName[kOutputPathBytes];
  const bool namesFit = MakeOutputNames(state.inputPath, firstName, secondName);

  Report(state, 10);
  if (CancelSet(state)) return 0;

  Output outputs[2];
  outputs[0].isFirst = true;
  outputs[0].wanted = request.createMode != kCreateSecond;
  outputs[1].wanted = request.createMode != kCreateFirst;
  const int32_t cannotCreate =
      request.createMode == kCreateSecond ? kSplitCannotCreateSecond : kSplitCannotCreateFirst;
  if (!namesFit) return cannotCreate;
  // The names are published only now, so that after a cancel before this
  // point no file of an earlier run is taken for this run's output.
  std::memcpy(state.firstOutputPath, firstName, sizeof firstName);
  std::memcpy(state.secondOutputPath, secondName, sizeof secondName);
  outputs[0].path = state.firstOutputPath;
  outputs[1].path = state.secondOutputPath;

  for (Output& out : outputs)
    if (out.wanted && !SizeOutput(state, plan, out)) return kSplitWriteFailed;
  if (outputs[0].wanted && !outputs[0].file.Create(outputs[0].path)) return kSplitCannotCreateFirst;
  if (outputs[1].wanted && !outputs[1].file.Create(outputs[1].path)) {
    outputs[0].file.Close();
    return kSplitCannotCreateSecond;
  }

  SourceWindow source(state.inputFile);
  for (Output& out : outputs)
    if (out.wanted && !WriteHeader(a, source, out)) return AbandonOutputs(outputs);

  // Chunk pass: every chunk to the outputs it belongs to, in index order.
  IndexReader index(state.inputFile, a.idx1Offset, a.idx1EntryTotal);
  const uint32_t total = index.Total();
  uint32_t step = total / 88 ? total / 88 : 1;
  uint32_t seen[kMaxStreams] = {};
  for (uint32_t i = 0; i < total; ++i) {
    if (i % step == 0) Report(state, int(uint64_t(i) * 88 / total + 10));
    if (CancelSet(state)) break;
    const IndexEntry e = index.At(i);
    const int stream = StreamOfCkid(e.ckid);
    if (stream < 0 || uint32_t(stream) >= a.streamCount) continue;
    const Route route = RouteEntry(state, plan, stream, seen[stream]++);
    const uint64_t at = uint64_t(a.chunkBase) + e.offset;
    const StreamCut& cut = plan.cuts[stream];
    if (route.first && outputs[0].wanted &&
        !WriteChunk(source, outputs[0].file, at, e.length, route.firstPart, cut.firstPartialBytes))
      return AbandonOutputs(outputs);
    if (route.second && outputs[1].wanted &&
        !WriteChunk(source, outputs[1].file, at, e.length, route.secondPart, cut.secondPartialBytes))
      return AbandonOutputs(outputs);
  }
  if (CancelSet(state)) {
    CloseOutputs(outputs);
    return -1;
  }

  // Index pass: offsets count from each output's own "movi" list type.
  for (Output& out : outputs) {
    if (out.wanted && !(out.file.WriteU32(kIdx1) && out.file.WriteU32(16 * out.indexEntries)))
      return AbandonOutputs(outputs);
  }
  step = total / 2 ? total / 2 : 1;
  std::memset(seen, 0, sizeof seen);
  for (uint32_t i = 0; i < total; ++i) {
    if (i % step == 0) Report(state, int(uint64_t(i) * 2 / total + 98));
    if (CancelSet(state)) break;
    const IndexEntry e = index.At(i);
    const int stream = StreamOfCkid(e.ckid);
    if (stream < 0 || uint32_t(stream) >= a.streamCount) continue;
    const Route route = RouteEntry(state, plan, stream, seen[stream]++);
    const StreamCut& cut = plan.cuts[stream];
    const bool goes[2] = {route.first, route.second};
    const uint32_t sizes[2] = {PartSize(route.firstPart, e.length, cut.firstPartialBytes),
                               PartSize(route.secondPart, e.length, cut.secondPartialBytes)};
    for (int x = 0; x < 2; ++x) {
      Output& out = outputs[x];
      if (!goes[x] || !out.wanted) continue;
      OutputFile& f = out.file;
      if (!(f.WriteU32(e.ckid) && f.WriteU32(e.flags) && f.WriteU32(out.chunkOffset) && f.WriteU32(sizes[x])))
        return AbandonOutputs(outputs);
      out.chunkOffset += 8 + sizes[x] + (sizes[x] & 1);
    }
  }

  if (!CloseOutputs(outputs)) return AbandonOutputs(outputs);
  return CancelSet(state) ? -1 : 0;
}

int32_t SplitEngine(JobState& state, const TimeSplitRequest& request) {
  state.firstOutputPath[0] = 0;
  state.secondOutputPath[0] = 0;
  SplitPlan plan;
  int32_t code = PlanSplit(state, request, plan);
  if (code != 0) return code;
  return WriteSplitOutputs(state, request, plan);
}
