// Writing half of the split engine: names and creates the outputs, writes
// their patched headers, copies their chunks and builds their idx1 indexes.
// An output that shares the input's blocks (WriterOptions::clone) gets JUNK
// in front of its long runs (avi/clone_layout.h), placed alike by a counting
// pass before the header, the chunk pass and the index pass.
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/job_sink.h"
#include "avi/byte_input.h"
#include "avi/clone_layout.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "io/file_system.h"
#include "io/output_file.h"
#include "avi/source_window.h"
#include "avi/stored_chunks.h"
#include "split/split_engine.h"
#include "split/split_math.h"

namespace {

enum class Part { Whole, Head, Tail };  // a whole chunk, or its first / last P bytes

// Which outputs an index entry goes to, and in what shape.
struct Route {
  bool first = false;
  bool second = false;
  Part firstPart = Part::Whole;
  Part secondPart = Part::Whole;
};

Route RouteEntry(const AviAnalysis& a, const SplitPlan& plan, int stream, uint32_t k) {
  const StreamCut& cut = plan.cuts[stream];
  const bool audio = a.streams[stream].type == StreamAudio && stream != a.firstVideoStream;
  Route r;
  r.first = k < cut.firstCount;
  if (r.first && audio && k == cut.firstCount - 1 && cut.firstPartialBytes != 0) r.firstPart = Part::Head;
  r.second = k >= cut.secondStart;
  if (r.second && audio && k == cut.secondStart && cut.secondPartialBytes != 0) r.secondPart = Part::Tail;
  return r;
}

// The figures of one output being written.
struct Output {
  bool wanted = false;
  bool isFirst = false;
  OutputStream* stream = nullptr;
  uint64_t riffSize = 0;
  uint32_t frames = 0;
  uint32_t lengths[kMaxStreams] = {};
  uint64_t moviListSize = 0;
  uint64_t indexEntries = 0;
  uint32_t shareBlock = 0;   // the block size at which it shares the input's blocks (0: none)
};

// Where an output's chunks go: the running offset from its "movi" list type,
// and the JUNK in front of the runs that share the input's blocks.
struct ChunkPlacer {
  ChunkPlacer(uint32_t block, uint64_t moviType) : align(block), moviType(moviType) {}
  // Places the next chunk (whole: carried over unchanged from input position
  // at) of size data bytes; returns the JUNK bytes that go in front of it.
  uint32_t Place(bool whole, uint64_t at, uint32_t size) {
    const uint64_t bytes = 8 + uint64_t(size) + (size & 1);
    const uint32_t junk = align.PadBefore(whole ? 0 : CloneAligner::kWritten, at, moviType + offset, bytes);
    chunkOffset = offset + junk;
    offset = chunkOffset + bytes;
    return junk;
  }
  CloneAligner align;
  uint64_t moviType;
  uint64_t offset = 4;       // after the last chunk placed
  uint64_t chunkOffset = 0;  // of the last chunk placed
};

// The entries an output's idx1 gets of one stream: what the passes route there.
uint32_t StreamEntries(const StreamCut& cut, bool first) {
  if (first) return cut.firstCount < cut.entries ? cut.firstCount : cut.entries;
  return cut.entries > cut.secondStart ? cut.entries - cut.secondStart : 0;
}

uint32_t StreamLength(const SplitSource& source, const SplitPlan& plan, uint32_t n, bool first) {
  const AviAnalysis& a = source.analysis;
  const StreamEntry& s = a.streams[n];
  const StreamCut& cut = plan.cuts[n];
  if (int32_t(n) == a.firstVideoStream)
    return first ? plan.splitFrame : plan.videoFrames - plan.secondStartFrame;
  const uint32_t length = source.input.U32At(s.lengthOffset);
  if (s.type == StreamAudio) {
    // Kept within the source's own length even when its audio runs short.
    double samples = SamplesForFrames(plan.frameMicros, first ? plan.splitFrame : plan.secondStartFrame, s.rate);
    if (first) return samples < double(length) ? TruncU32(samples) : length;
    return samples < double(length) ? length - TruncU32(samples) : 0;
  }
  if (s.idx1EntryCount == 0) return 0;
  double entries = first ? double(cut.firstCount) : double(s.idx1EntryCount) - double(cut.secondStart);
  return TruncU32(entries / double(s.idx1EntryCount) * double(length));
}

// Fills the header figures of one output.
void SizeOutput(const SplitSource& source, const SplitPlan& plan, Output& out) {
  const AviAnalysis& a = source.analysis;
  uint64_t moviBytes = 0, entries = 0;
  for (uint32_t n = 0; n < a.streamCount; ++n) {
    const StreamCut& cut = plan.cuts[n];
    moviBytes += out.isFirst ? cut.firstMoviBytes : cut.secondMoviBytes;
    entries += StreamEntries(cut, out.isFirst);
    out.lengths[n] = StreamLength(source, plan, n, out.isFirst);
  }
  out.riffSize = uint64_t(a.moviOffset) + 4 + moviBytes + 16 * entries;
  out.moviListSize = 4 + moviBytes;
  out.indexEntries = entries;
  out.frames = out.isFirst ? plan.splitFrame : plan.videoFrames - plan.secondStartFrame;
}

// The input's header with RIFF size, dwTotalFrames, every dwLength and the
// movi list size replaced; all other bytes copied from the same positions.
bool WriteHeader(const AviAnalysis& a, SourceWindow& source, Output& out) {
  OutputStream& f = *out.stream;
  if (!source.CopyTo(0, 4, f) || !f.WriteU32(uint32_t(out.riffSize))) return false;
  if (!source.CopyTo(8, a.totalFramesOffset - 8, f) || !f.WriteU32(out.frames)) return false;
  uint64_t at = uint64_t(a.totalFramesOffset) + 4;
  for (uint32_t n = 0; n < a.streamCount; ++n) {
    const uint32_t field = a.streams[n].lengthOffset;
    if (!source.CopyTo(at, field - at, f) || !f.WriteU32(out.lengths[n])) return false;
    at = uint64_t(field) + 4;
  }
  if (!source.CopyTo(at, a.moviOffset - 4 - at, f) || !f.WriteU32(uint32_t(out.moviListSize))) return false;
  return f.WriteU32(kMovi);
}

// Writes one chunk: its code from the input, the size the index gives it,
// then the data, padded to even length with a zero byte.
bool WriteChunk(SourceWindow& source, OutputStream& f, uint64_t at, uint32_t length, Part part,
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

constexpr uint64_t kSharedPieceBytes = 1 << 20;

// Input bytes waiting to be appended to one output: consecutive chunks that
// lie back to back in the input are copied with one call.
struct PendingRun {
  uint64_t start = 0;
  uint64_t end = 0;
  bool Flush(SourceWindow& source, OutputStream& out) {
    const uint64_t from = start, count = end - start;
    start = end = 0;
    return count == 0 || source.CopyRun(from, count, out);
  }
  // Appends the run up to its last block boundary and keeps the rest: a
  // block cut in two would be written instead of shared, and so would a
  // piece too short for a file copy (block 0: all of it, as it is).
  bool FlushWholeBlocks(SourceWindow& source, OutputStream& out, uint32_t block) {
    if (block == 0) return Flush(source, out);
    const uint64_t cut = end - end % block;
    if (cut < start + kSharedPieceBytes) return true;
    const uint64_t from = start;
    start = cut;
    return source.CopyRun(from, cut - from, out);
  }
};

uint32_t PartSize(Part part, uint32_t length, uint32_t partial) {
  return part == Part::Whole ? length : partial;
}

// The chunks one output receives, as the OpenDML layer lists them: the
// routing of the passes below, without reading any chunk.
OdmlChunkSource SplitChunks(const SplitSource& src, const SplitPlan& plan, int output) {
  struct Walk {
    Walk(const SplitSource& s, const SplitPlan& p)
        : src(s), plan(p), index(s.input, s.analysis.idx1Offset, s.analysis.idx1EntryTotal) {}
    const SplitSource& src;
    const SplitPlan& plan;
    IndexReader index;
    uint32_t i = 0;
    uint32_t seen[kMaxStreams] = {};
  };
  auto walk = std::make_shared<Walk>(src, plan);
  return [walk, output](OdmlChunkInfo* info) {
    const AviAnalysis& a = walk->src.analysis;
    while (walk->i < walk->index.Total()) {
      const IndexEntry e = walk->index.At(walk->i++);
      const int stream = StreamOfCkid(e.ckid);
      if (stream < 0 || uint32_t(stream) >= a.streamCount) continue;
      const Route route = RouteEntry(a, walk->plan, stream, walk->seen[stream]++);
      const StreamCut& cut = walk->plan.cuts[stream];
      if (output == 0 && route.first) {
        *info = OdmlChunkInfo{e.ckid, e.flags, PartSize(route.firstPart, e.length, cut.firstPartialBytes)};
        return true;
      }
      if (output == 1 && route.second) {
        *info = OdmlChunkInfo{e.ckid, e.flags, PartSize(route.secondPart, e.length, cut.secondPartialBytes)};
        return true;
      }
    }
    return false;
  };
}

// The JUNK bytes that output x gets when it shares the input's blocks at
// `block`: the chunk passes' routing, without reading any chunk.
uint64_t JunkBytes(const SplitSource& src, const SplitPlan& plan, int output, uint32_t block) {
  const AviAnalysis& a = src.analysis;
  IndexReader index(src.input, a.idx1Offset, a.idx1EntryTotal);
  ChunkPlacer placer(block, a.moviOffset);
  uint32_t seen[kMaxStreams] = {};
  uint64_t junk = 0;
  for (uint32_t i = 0; i < index.Total(); ++i) {
    const IndexEntry e = index.At(i);
    const int stream = StreamOfCkid(e.ckid);
    if (stream < 0 || uint32_t(stream) >= a.streamCount) continue;
    const Route route = RouteEntry(a, plan, stream, seen[stream]++);
    const StreamCut& cut = plan.cuts[stream];
    if (output == 0 && route.first)
      junk += placer.Place(route.firstPart == Part::Whole, ChunkPosition(a.chunkBase, e),
                           PartSize(route.firstPart, e.length, cut.firstPartialBytes));
    if (output == 1 && route.second)
      junk += placer.Place(route.secondPart == Part::Whole, ChunkPosition(a.chunkBase, e),
                           PartSize(route.secondPart, e.length, cut.secondPartialBytes));
  }
  return junk;
}

// Asks output x to share the input's blocks; when it can, its runs of
// unchanged chunks get their JUNK, counted in its sizes. Outputs written as
// OpenDML are copied: their layer lays the chunks out anew.
void ShareInputBlocks(const SplitSource& src, const SplitPlan& plan, int x, Output& out, bool odml,
                      const WriterOptions& options) {
  const int fd = src.input.Descriptor();
  if (odml || fd < 0) return;
  const uint32_t block = out.stream->ShareBlocksWith(fd);
  if (block == 0) return;
  const uint64_t junk = JunkBytes(src, plan, x, block);
  if (out.riffSize + 8 + junk > 0xFFFFFFFFull) return;  // a version-1 file must stay below 4 GiB
  if (x == 0 && options.firstOutputLimit != 0 && out.riffSize + 8 + junk > options.firstOutputLimit) return;
  out.shareBlock = block;
  out.riffSize += junk;
  out.moviListSize += junk;
}

OdmlShape SplitShape(const SplitSource& src, uint64_t versionOneBytes) {
  const AviAnalysis& a = src.analysis;
  OdmlShape shape{&src.input, a.moviOffset, a.totalFramesOffset, a.streamCount, a.firstVideoStream, {}, versionOneBytes};
  for (uint32_t s = 0; s < a.streamCount; ++s)
    if (a.streams[s].type == StreamAudio && int(s) != a.firstVideoStream)
      shape.sampleSize[s] = src.input.U32At(a.streams[s].sampleSizeOffset);
  return shape;
}

// An output's version-1 bytes go to its stream, or past the threshold
// through the OpenDML layer in front of it.
struct OutputRoute {
  OdmlPlan plan;
  std::unique_ptr<OdmlOutput> odml;
};

// Why output x cannot be written ("" when it can); sets its route.
std::string RouteOutput(const SplitSource& src, const SplitPlan& plan, const OdmlLimits& limits, int x,
                        Output& out, OutputRoute& route) {
  const std::string refusal = SplitOutputRefusal(src, plan, x);
  if (!refusal.empty()) return refusal;
  const uint64_t bytes = out.riffSize + 8;
  if (bytes < limits.riffThreshold)
    return bytes > 0xFFFFFFFFull ? "a version-1 file cannot hold " + std::to_string(bytes) + " bytes" : "";
  if (!route.plan.Make(SplitShape(src, bytes), SplitChunks(src, plan, x), limits)) return route.plan.Problem();
  route.odml = std::make_unique<OdmlOutput>(*out.stream, route.plan, SplitChunks(src, plan, x));
  out.stream = route.odml.get();
  return "";
}

void Report(JobSink& sink, int cells) { sink.Status(sink.Pick(kSplitFileCreating.english, kSplitFileCreating.japanese), cells); }

}  // namespace

bool MakeSplitOutputNames(const std::string& input, std::string* first, std::string* second) {
  const size_t folder = filesys::FolderOf(input).size();
  const size_t name = input.size() - folder;
  // Four characters go (normally ".avi") only when the last component has them.
  const size_t keep = name >= 4 ? input.size() - 4 : input.size();
  if (keep + 6 > 259) return false;
  *first = input.substr(0, keep) + "-1.avi";
  *second = input.substr(0, keep) + "-2.avi";
  return true;
}

void PlannedOutputSizes(const SplitSource& source, const SplitPlan& plan, uint64_t sizes[2]) {
  for (int x = 0; x < 2; ++x) {
    Output out;
    out.isFirst = x == 0;
    SizeOutput(source, plan, out);
    sizes[x] = out.riffSize + 8;
  }
}

std::string SplitOutputRefusal(const SplitSource& source, const SplitPlan& plan, int output) {
  uint64_t moviBytes = 0;
  for (uint32_t n = 0; n < source.analysis.streamCount; ++n)
    moviBytes += output == 0 ? plan.cuts[n].firstMoviBytes : plan.cuts[n].secondMoviBytes;
  if (moviBytes <= source.input.Size()) return "";
  return "its index names " + std::to_string(moviBytes) + " bytes of chunks, more than the " +
         std::to_string(source.input.Size()) + " bytes the file holds";
}

SplitResult WriteSplitStreams(const SplitSource& src, const SplitPlan& plan, OutputStream* streams[2],
                              JobSink& sink, int* failedOutput, ChunkCopy copy, const OdmlLimits& odmlLimits,
                              std::string* problem, const WriterOptions& options) {
  const AviAnalysis& a = src.analysis;
  Output outputs[2];
  *failedOutput = -1;
  auto fail = [&](int output) {
    // Outputs are written behind on threads: when both have failed by the
    // time a failure shows, the first output's is the one to report.
    *failedOutput = output;
    for (int x = 1; x >= 0; --x)
      if (outputs[x].wanted && outputs[x].stream->Failed()) *failedOutput = x;
    return SplitResult::WriteFailed;
  };
  OutputRoute routes[2];
  for (int x = 0; x < 2; ++x) {
    outputs[x].isFirst = x == 0;
    outputs[x].stream = streams[x];
    outputs[x].wanted = streams[x] != nullptr;
    if (!outputs[x].wanted) continue;
    SizeOutput(src, plan, outputs[x]);
    const std::string why = RouteOutput(src, plan, odmlLimits, x, outputs[x], routes[x]);
    if (!why.empty()) {
      if (problem) *problem = why;
      *failedOutput = x;
      return SplitResult::OutputTooLarge;
    }
    if (options.clone) ShareInputBlocks(src, plan, x, outputs[x], routes[x].odml != nullptr, options);
  }
  // Sharing needs runs: the plain copy becomes the checked one (the same bytes).
  if (copy == ChunkCopy::ChunkByChunk && (outputs[0].shareBlock || outputs[1].shareBlock)) copy = ChunkCopy::Runs;
  ChunkPlacer placers[2] = {{outputs[0].shareBlock, a.moviOffset}, {outputs[1].shareBlock, a.moviOffset}};

  SourceWindow source(src.input);
  for (int x = 0; x < 2; ++x)
    if (outputs[x].wanted && !WriteHeader(a, source, outputs[x])) return fail(outputs[x].stream->Failed() ? x : -1);

  // Chunk pass: every chunk to the outputs it belongs to, in index order.
  IndexReader index(src.input, a.idx1Offset, a.idx1EntryTotal);
  const uint32_t total = index.Total();
  uint32_t step = total / 88 ? total / 88 : 1;
  uint32_t seen[kMaxStreams] = {};
  PendingRun runs[2];
  StoredChunks stored(src.input);
  auto flushRuns = [&](bool all) {
    for (int x = 0; x < 2; ++x) {
      if (!outputs[x].wanted) continue;
      PendingRun& run = runs[x];
      OutputStream& f = *outputs[x].stream;
      if (!(all ? run.Flush(source, f) : run.FlushWholeBlocks(source, f, outputs[x].shareBlock))) return x;
    }
    return -1;
  };
  for (uint32_t i = 0; i < total; ++i) {
    if (i % step == 0) {
      // What the bar shows is written.
      const int x = flushRuns(false);
      if (x >= 0) return fail(outputs[x].stream->Failed() ? x : -1);
      Report(sink, int(uint64_t(i) * 88 / total + 10));
    }
    if (sink.Cancelled()) return SplitResult::Cancelled;
    const IndexEntry e = index.At(i);
    const int stream = StreamOfCkid(e.ckid);
    if (stream < 0 || uint32_t(stream) >= a.streamCount) continue;
    const Route route = RouteEntry(a, plan, stream, seen[stream]++);
    const uint64_t at = ChunkPosition(a.chunkBase, e);
    const StreamCut& cut = plan.cuts[stream];
    const bool goes[2] = {route.first && outputs[0].wanted, route.second && outputs[1].wanted};
    const Part parts[2] = {route.firstPart, route.secondPart};
    const uint32_t partial[2] = {cut.firstPartialBytes, cut.secondPartialBytes};
    uint64_t end = 0;
    bool asStored = false;
    if (copy == ChunkCopy::Runs && (goes[0] || goes[1])) asStored = stored.WrittenAsStored(at, e.length, &end);
    if (copy == ChunkCopy::IndexedRuns) {
      end = at + 8 + uint64_t(e.length) + (e.length & 1);
      asStored = end <= src.input.Size();
    }
    for (int x = 0; x < 2; ++x) {
      if (!goes[x]) continue;
      OutputStream& f = *outputs[x].stream;
      PendingRun& run = runs[x];
      const uint32_t junk = placers[x].Place(parts[x] == Part::Whole, at, PartSize(parts[x], e.length, partial[x]));
      if (junk && !(run.Flush(source, f) && WriteJunk(f, junk))) return fail(f.Failed() ? x : -1);
      if (asStored && parts[x] == Part::Whole) {
        if (run.end != at && !run.Flush(source, f)) return fail(f.Failed() ? x : -1);
        if (run.end == 0) run.start = at;
        run.end = end;
        continue;
      }
      if (!run.Flush(source, f) || !WriteChunk(source, f, at, e.length, parts[x], partial[x]))
        return fail(f.Failed() ? x : -1);
    }
  }
  {
    const int x = flushRuns(true);
    if (x >= 0) return fail(outputs[x].stream->Failed() ? x : -1);
  }

  // Index pass: offsets count from each output's own "movi" list type.
  for (int x = 0; x < 2; ++x) {
    Output& out = outputs[x];
    if (out.wanted && !(out.stream->WriteU32(kIdx1) && out.stream->WriteU32(uint32_t(16 * out.indexEntries))))
      return fail(x);
  }
  step = total / 2 ? total / 2 : 1;
  std::memset(seen, 0, sizeof seen);
  ChunkPlacer indexPlacers[2] = {{outputs[0].shareBlock, a.moviOffset}, {outputs[1].shareBlock, a.moviOffset}};
  for (uint32_t i = 0; i < total; ++i) {
    if (i % step == 0) Report(sink, int(uint64_t(i) * 2 / total + 98));
    if (sink.Cancelled()) return SplitResult::Cancelled;
    const IndexEntry e = index.At(i);
    const int stream = StreamOfCkid(e.ckid);
    if (stream < 0 || uint32_t(stream) >= a.streamCount) continue;
    const Route route = RouteEntry(a, plan, stream, seen[stream]++);
    const StreamCut& cut = plan.cuts[stream];
    const bool goes[2] = {route.first, route.second};
    const bool whole[2] = {route.firstPart == Part::Whole, route.secondPart == Part::Whole};
    const uint64_t at = ChunkPosition(a.chunkBase, e);
    const uint32_t sizes[2] = {PartSize(route.firstPart, e.length, cut.firstPartialBytes),
                               PartSize(route.secondPart, e.length, cut.secondPartialBytes)};
    for (int x = 0; x < 2; ++x) {
      Output& out = outputs[x];
      if (!goes[x] || !out.wanted) continue;
      OutputStream& f = *out.stream;
      indexPlacers[x].Place(whole[x], at, sizes[x]);
      const uint64_t offset = indexPlacers[x].chunkOffset;
      if (!(f.WriteU32(e.ckid) && f.WriteU32(e.flags) && f.WriteU32(uint32_t(offset)) && f.WriteU32(sizes[x])))
        return fail(x);
    }
  }
  if (sink.Cancelled()) return SplitResult::Cancelled;
  for (int x = 0; x < 2; ++x)
    if (routes[x].odml && !routes[x].odml->Complete()) return fail(streams[x]->Failed() ? x : -1);
  return SplitResult::Completed;
}

SplitResult WriteSplitOutputs(const SplitSource& source, const TimeSplit& time, const SplitPlan& plan,
                              JobSink& sink, SplitOutcome& outcome, ChunkCopy copy,
                              const std::function<bool()>& mayCommit) {
  std::string names[2];
  const bool namesFit = MakeSplitOutputNames(source.path, &names[0], &names[1]);
  SplitFigures& figures = outcome.figures;
  figures.planned = true;
  figures.cutFrame = plan.splitFrame;
  figures.cutSeconds = FramesToSeconds(plan.frameMicros, plan.splitFrame);
  figures.secondStartFrame = plan.secondStartFrame;
  figures.secondStartSeconds = FramesToSeconds(plan.frameMicros, plan.secondStartFrame);

  Report(sink, 10);
  if (sink.Cancelled()) return SplitResult::Cancelled;

  const bool wanted[2] = {time.create != CreateMode::Second, time.create != CreateMode::First};
  const SplitResult cannotCreate[2] = {SplitResult::CannotCreateFirst, SplitResult::CannotCreateSecond};
  if (!namesFit) {
    outcome.detail = source.path + ": the output names would be longer than 259 bytes";
    return cannotCreate[wanted[0] ? 0 : 1];
  }
  outcome.firstOutput = names[0];
  outcome.secondOutput = names[1];

  // An output made larger than its input by a looping index is refused before any file is created.
  for (int x = 0; x < 2; ++x) {
    const std::string why = wanted[x] ? SplitOutputRefusal(source, plan, x) : std::string();
    if (!why.empty()) {
      outcome.detail = names[x] + ": " + why;
      return SplitResult::OutputTooLarge;
    }
  }

  OutputFile files[2];
  OutputStream* streams[2] = {nullptr, nullptr};
  for (int x = 0; x < 2; ++x) {
    if (!wanted[x]) continue;
    if (!files[x].Create(names[x])) {
      outcome.detail = names[x] + ": " + files[x].Reason();
      return cannotCreate[x];  // files[] remove what was created
    }
    streams[x] = &files[x];
  }

  int failed = -1;
  std::string problem;
  SplitResult result =
      WriteSplitStreams(source, plan, streams, sink, &failed, copy, OdmlLimits(), &problem, time.writer);
  if (result == SplitResult::OutputTooLarge) {
    outcome.detail = names[failed] + ": " + problem;
    return result;
  }
  if (result == SplitResult::WriteFailed) {
    outcome.detail = failed < 0 ? source.path + ": the input ended before the chunks its index names"
                                : names[failed] + ": " + files[failed].Reason();
    return result;
  }
  if (result != SplitResult::Completed) return result;
  for (int x = 0; x < 2; ++x) {
    if (wanted[x] && !files[x].Finish()) {
      outcome.detail = names[x] + ": " + files[x].Reason();
      return SplitResult::WriteFailed;
    }
  }
  // Complete: only now do the outputs replace whatever had their names.
  if (sink.Cancelled()) return SplitResult::Cancelled;
  if (mayCommit && !mayCommit()) return SplitResult::Cancelled;  // the files go, nothing was replaced
  for (int x = 0; x < 2; ++x) {
    if (wanted[x] && !files[x].Commit()) {
      outcome.detail = names[x] + ": " + files[x].Reason();
      return cannotCreate[x];
    }
  }
  outcome.wroteFirst = wanted[0];
  outcome.wroteSecond = wanted[1];
  figures.firstBytes = wanted[0] ? files[0].Position() : 0;  // OpenDML outputs differ from the planned version-1 size
  figures.secondBytes = wanted[1] ? files[1].Position() : 0;
  outcome.clone = CloneReport{};
  outcome.clone.asked = time.writer.clone;
  for (int x = 0; x < 2; ++x)
    if (wanted[x]) outcome.clone.Add(files[x].SharesBlocks(), files[x].SharedBytes(), files[x].Position());
  return SplitResult::Completed;
}
