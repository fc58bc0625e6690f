// The writer of split outputs (split/output_share.h): for each output its
// patched header, then one walk over the index copying every chunk to the
// outputs whose share holds it (runs of chunks that lie back to back in the
// input go as runs of input bytes), then a second walk writing each output's
// idx1. Everything the headers carry is known from the shares beforehand,
// so every output is written strictly front to back.
//
// An output that shares the input's blocks (WriterOptions::clone) gets JUNK
// in front of its long runs (avi/clone_layout.h), counted before its header
// and placed alike by the chunk pass and the index pass; an OpenDML output
// gets it from the OpenDML layer, at the positions that layer gives chunks.
#include <cstring>
#include <memory>

#include "job/job_sink.h"
#include "avi/byte_input.h"
#include "avi/clone_layout.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "avi/source_window.h"
#include "avi/stored_chunks.h"
#include "split/output_share.h"
#include "split/split_engine.h"

namespace {

// What an entry gives an output: nothing, or its data bytes [from, to).
struct Take {
  bool taken = false;
  uint32_t from = 0;
  uint32_t to = 0;
  uint32_t Size() const { return to - from; }
  bool Whole(uint32_t length) const { return from == 0 && to == length; }
};

Take TakeOf(const StreamShare& s, uint32_t k, uint32_t length) {
  Take t;
  if (k < s.begin || k >= s.end) return t;
  t.taken = true;
  t.from = k == s.begin && s.firstTail != 0 ? length - s.firstTail : 0;
  t.to = k + 1 == s.end && s.lastHead != 0 ? s.lastHead : length;
  return t;
}

// Counts each stream's entries over a stretch of the index, as the writer
// routes them: entries whose code names no stream of the headers go nowhere.
class StretchWalk {
 public:
  StretchWalk(const SplitSource& src, const IndexStretch& stretch)
      : analysis_(src.analysis), stretch_(stretch), index_(src.input, src.analysis.idx1Offset, src.analysis.idx1EntryTotal) {
    std::memcpy(seen_, stretch.startCount, sizeof seen_);
  }
  uint32_t Total() const { return index_.Total(); }
  IndexReader& Index() { return index_; }
  // Entry i: false when it goes to no output; else its stream and its number within it.
  bool At(uint32_t i, IndexEntry* e, int* stream, uint32_t* k) {
    *e = index_.At(i);
    const int s = StreamOfCkid(e->ckid);
    if (s < 0 || uint32_t(s) >= analysis_.streamCount || i < stretch_.startAt[s]) return false;
    *stream = s;
    *k = seen_[s]++;
    return true;
  }
  void Restart() { std::memcpy(seen_, stretch_.startCount, sizeof seen_); }

 private:
  const AviAnalysis& analysis_;
  const IndexStretch& stretch_;
  IndexReader index_;
  uint32_t seen_[kMaxStreams];
};

// The figures of one output being written.
struct Output {
  const OutputShare* share = nullptr;
  OutputStream* stream = nullptr;
  uint64_t riffSize = 0;
  uint64_t moviListSize = 0;
  uint64_t indexEntries = 0;
  uint32_t shareBlock = 0;   // the block size at which it shares the input's blocks (0: none)
  bool odmlShares = false;   // an OpenDML output that lines up its runs itself
};

// Where an output's chunks go: the running offset from its "movi" list type,
// and the JUNK in front of the runs that share the input's blocks.
struct ChunkPlacer {
  ChunkPlacer(uint32_t block = 0, uint64_t moviType = 0) : align(block), moviType(moviType) {}
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

void SizeOutput(const AviAnalysis& a, Output& out) {
  uint64_t moviBytes = 0, entries = 0;
  for (uint32_t n = 0; n < a.streamCount; ++n) {
    moviBytes += out.share->streams[n].moviBytes;
    entries += out.share->streams[n].Entries();
  }
  out.riffSize = uint64_t(a.moviOffset) + 4 + moviBytes + 16 * entries;
  out.moviListSize = 4 + moviBytes;
  out.indexEntries = entries;
}

// The input's header with RIFF size, dwTotalFrames, every dwLength and the
// movi list size replaced; all other bytes copied from the same positions.
bool WriteHeader(const AviAnalysis& a, SourceWindow& source, Output& out) {
  OutputStream& f = *out.stream;
  if (!source.CopyTo(0, 4, f) || !f.WriteU32(uint32_t(out.riffSize))) return false;
  if (!source.CopyTo(8, a.totalFramesOffset - 8, f) || !f.WriteU32(out.share->frames)) return false;
  uint64_t at = uint64_t(a.totalFramesOffset) + 4;
  for (uint32_t n = 0; n < a.streamCount; ++n) {
    const uint64_t field = a.streams[n].lengthOffset;
    if (!source.CopyTo(at, field - at, f) || !f.WriteU32(out.share->streams[n].length)) return false;
    at = field + 4;
  }
  if (!source.CopyTo(at, a.moviOffset - 4 - at, f) || !f.WriteU32(uint32_t(out.moviListSize))) return false;
  return f.WriteU32(kMovi);
}

// Writes one chunk: its code from the input, the size it gets, then the
// data bytes taken, padded to even length with a zero byte.
bool WriteChunk(SourceWindow& source, OutputStream& f, uint64_t at, uint32_t length, const Take& take) {
  // A chunk that runs past the end of the input cannot be copied.
  if ((!take.Whole(length) || length == 0) && !source.Holds(at + 8 + uint64_t(length))) return false;
  const uint32_t size = take.Size();
  if (!source.CopyTo(at, 4, f) || !f.WriteU32(size) || !source.CopyTo(at + 8 + take.from, size, f)) return false;
  if (size & 1) {
    const uint8_t zero = 0;
    return f.Write(&zero, 1);
  }
  return true;
}

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
  static constexpr uint64_t kSharedPieceBytes = 1 << 20;
};

OdmlShape ShapeOf(const SplitSource& src, uint64_t versionOneBytes) {
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

// Why the output cannot be written ("" when it can); sets its route. An
// OpenDML output asked to share the input's blocks lines its runs up in its
// own layout (OdmlShape::shareBlock), unless that would take the first
// output of a split by size past its limit: it is then copied.
std::string RouteOutput(const SplitSource& src, const IndexStretch& stretch, const OdmlLimits& limits, int x,
                        const WriterOptions& options, Output& out, OutputRoute& route) {
  const std::string refusal = ShareRefusal(src, *out.share);
  if (!refusal.empty()) return refusal;
  const uint64_t bytes = out.riffSize + 8;
  if (bytes < limits.riffThreshold)
    return bytes > 0xFFFFFFFFull ? "a version-1 file cannot hold " + std::to_string(bytes) + " bytes" : "";
  OdmlShape shape = ShapeOf(src, bytes);
  const int fd = src.input.Descriptor();
  if (options.clone && fd >= 0) shape.shareBlock = out.stream->ShareBlocksWith(fd);
  if (!route.plan.Make(shape, ShareChunks(src, *out.share, stretch), limits)) return route.plan.Problem();
  if (shape.shareBlock != 0 && x == 0 && options.firstOutputLimit != 0 &&
      route.plan.FileBytes() > options.firstOutputLimit) {
    shape.shareBlock = 0;
    route.plan = OdmlPlan();
    if (!route.plan.Make(shape, ShareChunks(src, *out.share, stretch), limits)) return route.plan.Problem();
  }
  out.odmlShares = shape.shareBlock != 0;
  route.odml = std::make_unique<OdmlOutput>(*out.stream, route.plan, ShareChunks(src, *out.share, stretch));
  out.stream = route.odml.get();
  return "";
}

// The JUNK bytes the output gets when it shares the input's blocks at
// `block`: the chunk pass's placing, without reading any chunk.
uint64_t JunkBytes(const SplitSource& src, const OutputShare& share, const IndexStretch& stretch, uint32_t block) {
  const AviAnalysis& a = src.analysis;
  StretchWalk walk(src, stretch);
  ChunkPlacer placer(block, a.moviOffset);
  const uint32_t to = stretch.to < walk.Total() ? stretch.to : walk.Total();
  uint64_t junk = 0;
  for (uint32_t i = stretch.from; i < to; ++i) {
    IndexEntry e;
    int stream = 0;
    uint32_t k = 0;
    if (!walk.At(i, &e, &stream, &k)) continue;
    const Take take = TakeOf(share.streams[stream], k, e.length);
    if (take.taken) junk += placer.Place(take.Whole(e.length), ChunkPosition(a.chunkBase, e), take.Size());
  }
  return junk;
}

// Asks output x (a version-1 file) to share the input's blocks; when it
// can, its runs of unchanged chunks get their JUNK, counted in its sizes.
// Padding that would make it OpenDML, too large for version 1, or (the
// first output of a split by size) larger than asked is left out: the
// output is then copied, the same bytes as without sharing.
void ShareInputBlocks(const SplitSource& src, const IndexStretch& stretch, int x, Output& out,
                      const OdmlLimits& limits, const WriterOptions& options) {
  const int fd = src.input.Descriptor();
  if (fd < 0) return;
  const uint32_t block = out.stream->ShareBlocksWith(fd);
  if (block == 0) return;
  const uint64_t bytes = out.riffSize + 8 + JunkBytes(src, *out.share, stretch, block);
  if (bytes >= limits.riffThreshold || bytes > 0xFFFFFFFFull) return;
  if (x == 0 && options.firstOutputLimit != 0 && bytes > options.firstOutputLimit) return;
  out.shareBlock = block;
  out.moviListSize += bytes - (out.riffSize + 8);
  out.riffSize = bytes - 8;
}

void Report(JobSink& sink, int cells) {
  sink.Status(sink.Pick(kSplitFileCreating.english, kSplitFileCreating.japanese), cells);
}

// Reports every `step` entries of a walk of `total`, moving over span cells
// from `from`: span times in all, or once when the span is 0.
struct BarSteps {
  BarSteps(uint32_t total, int from, int span) : total(total), from(from), span(span) {
    step = span > 0 ? total / uint32_t(span) : total;
    if (step == 0) step = 1;
  }
  bool Due(uint32_t i) const { return i % step == 0; }
  int Cells(uint32_t i) const { return int(uint64_t(i) * uint64_t(span) / total + from); }
  uint32_t total;
  int from, span;
  uint32_t step;
};

}  // namespace

IndexStretch WholeIndex(const AviAnalysis& analysis) {
  IndexStretch s;
  s.to = analysis.idx1EntryTotal;
  return s;
}

uint64_t ShareFileBytes(const AviAnalysis& analysis, const OutputShare& share) {
  Output out;
  out.share = &share;
  SizeOutput(analysis, out);
  return out.riffSize + 8;
}

std::string ShareRefusal(const SplitSource& source, const OutputShare& share) {
  uint64_t moviBytes = 0;
  for (uint32_t n = 0; n < source.analysis.streamCount; ++n) moviBytes += share.streams[n].moviBytes;
  if (moviBytes <= source.input.Size()) return "";
  return "its index names " + std::to_string(moviBytes) + " bytes of chunks, more than the " +
         std::to_string(source.input.Size()) + " bytes the file holds";
}

OdmlChunkSource ShareChunks(const SplitSource& src, const OutputShare& share, const IndexStretch& stretch) {
  struct Walk {
    Walk(const SplitSource& s, const OutputShare& sh, const IndexStretch& st)
        : src(s), share(sh), stretch(st), walk(s, stretch) {}
    const SplitSource& src;
    const OutputShare& share;
    IndexStretch stretch;  // a copy: the walk must not depend on the caller's
    StretchWalk walk;
    uint32_t i = 0;
  };
  auto walk = std::make_shared<Walk>(src, share, stretch);
  walk->i = walk->stretch.from;
  return [walk](OdmlChunkInfo* info) {
    while (walk->i < walk->stretch.to && walk->i < walk->walk.Total()) {
      IndexEntry e;
      int stream = 0;
      uint32_t k = 0;
      if (!walk->walk.At(walk->i++, &e, &stream, &k)) continue;
      const Take take = TakeOf(walk->share.streams[stream], k, e.length);
      if (!take.taken) continue;
      *info = OdmlChunkInfo{e.ckid, e.flags, take.Size()};
      if (take.Whole(e.length)) info->from = ChunkPosition(walk->src.analysis.chunkBase, e);
      return true;
    }
    return false;
  };
}

uint64_t ShareWrittenBytes(const SplitSource& source, const OutputShare& share, const IndexStretch& stretch,
                           const OdmlLimits& odml) {
  const uint64_t bytes = ShareFileBytes(source.analysis, share);
  if (bytes < odml.riffThreshold) return bytes;
  OdmlPlan plan;
  if (!plan.Make(ShapeOf(source, bytes), ShareChunks(source, share, stretch), odml)) return 0;
  return plan.FileBytes();
}

SplitResult WriteShares(const SplitSource& src, const OutputShare* const* shares, OutputStream* const* streams,
                        int count, const IndexStretch& stretch, JobSink& sink, const BarSpan& bar,
                        int* failedOutput, ChunkCopy copy, const OdmlLimits& odmlLimits, std::string* problem,
                        const WriterOptions& options) {
  const AviAnalysis& a = src.analysis;
  std::unique_ptr<Output[]> outputs(new Output[count]);
  std::unique_ptr<OutputRoute[]> routes(new OutputRoute[count]);
  *failedOutput = -1;
  auto fail = [&](int output) {
    // Outputs are written behind on threads: when several have failed by
    // the time a failure shows, the earliest output's is the one to report.
    *failedOutput = output;
    for (int x = count - 1; x >= 0; --x)
      if (outputs[x].stream && outputs[x].stream->Failed()) *failedOutput = x;
    return SplitResult::WriteFailed;
  };
  for (int x = 0; x < count; ++x) {
    outputs[x].share = shares[x];
    outputs[x].stream = streams[x];
    if (!streams[x]) continue;
    SizeOutput(a, outputs[x]);
    const std::string why = RouteOutput(src, stretch, odmlLimits, x, options, outputs[x], routes[x]);
    if (!why.empty()) {
      if (problem) *problem = why;
      *failedOutput = x;
      return SplitResult::OutputTooLarge;
    }
    if (options.clone && !routes[x].odml) ShareInputBlocks(src, stretch, x, outputs[x], odmlLimits, options);
  }
  // Sharing needs runs: the plain copy becomes the checked one (the same bytes).
  std::unique_ptr<ChunkPlacer[]> placers(new ChunkPlacer[count]);
  for (int x = 0; x < count; ++x) {
    if ((outputs[x].shareBlock || outputs[x].odmlShares) && copy == ChunkCopy::ChunkByChunk) copy = ChunkCopy::Runs;
    placers[x] = ChunkPlacer(outputs[x].shareBlock, a.moviOffset);
  }

  SourceWindow source(src.input);
  for (int x = 0; x < count; ++x)
    if (outputs[x].stream && !WriteHeader(a, source, outputs[x])) return fail(outputs[x].stream->Failed() ? x : -1);

  // Chunk pass: every chunk to the outputs it belongs to, in index order.
  StretchWalk walk(src, stretch);
  const uint32_t to = stretch.to < walk.Total() ? stretch.to : walk.Total();
  const uint32_t from = stretch.from < to ? stretch.from : to;
  const uint32_t total = to - from;
  std::unique_ptr<PendingRun[]> runs(new PendingRun[count]);
  StoredChunks stored(src.input);
  // all: every byte waiting; else (on the bar's steps) the whole blocks.
  auto flushRuns = [&](bool all) {
    for (int x = 0; x < count; ++x) {
      if (!outputs[x].stream) continue;
      PendingRun& run = runs[x];
      OutputStream& f = *outputs[x].stream;
      if (!(all ? run.Flush(source, f) : run.FlushWholeBlocks(source, f, outputs[x].shareBlock))) return x;
    }
    return -1;
  };
  const BarSteps chunkBar(total, bar.chunkFrom, bar.chunkSpan);
  for (uint32_t i = from; i < to; ++i) {
    if (chunkBar.Due(i - from)) {
      // What the bar shows is written.
      const int x = flushRuns(false);
      if (x >= 0) return fail(outputs[x].stream->Failed() ? x : -1);
      Report(sink, chunkBar.Cells(i - from));
    }
    if (sink.Cancelled()) return SplitResult::Cancelled;
    IndexEntry e;
    int stream = 0;
    uint32_t k = 0;
    if (!walk.At(i, &e, &stream, &k)) continue;
    const uint64_t at = ChunkPosition(a.chunkBase, e);
    bool any = false;
    for (int x = 0; x < count; ++x) any = any || (outputs[x].stream && TakeOf(shares[x]->streams[stream], k, e.length).taken);
    if (!any) continue;
    uint64_t end = 0;
    bool asStored = false;
    if (copy == ChunkCopy::Runs) asStored = stored.WrittenAsStored(at, e.length, &end);
    if (copy == ChunkCopy::IndexedRuns) {
      end = at + 8 + uint64_t(e.length) + (e.length & 1);
      asStored = end <= src.input.Size();
    }
    for (int x = 0; x < count; ++x) {
      if (!outputs[x].stream) continue;
      const Take take = TakeOf(shares[x]->streams[stream], k, e.length);
      if (!take.taken) continue;
      OutputStream& f = *outputs[x].stream;
      PendingRun& run = runs[x];
      const uint32_t junk = placers[x].Place(take.Whole(e.length), at, take.Size());
      if (junk && !(run.Flush(source, f) && WriteJunk(f, junk))) return fail(f.Failed() ? x : -1);
      if (asStored && take.Whole(e.length)) {
        if (run.end != at && !run.Flush(source, f)) return fail(f.Failed() ? x : -1);
        if (run.end == 0) run.start = at;
        run.end = end;
        continue;
      }
      if (!run.Flush(source, f) || !WriteChunk(source, f, at, e.length, take)) return fail(f.Failed() ? x : -1);
    }
  }
  {
    const int x = flushRuns(true);
    if (x >= 0) return fail(outputs[x].stream->Failed() ? x : -1);
  }

  // Index pass: offsets count from each output's own "movi" list type.
  for (int x = 0; x < count; ++x) {
    Output& out = outputs[x];
    if (out.stream && !(out.stream->WriteU32(kIdx1) && out.stream->WriteU32(uint32_t(16 * out.indexEntries))))
      return fail(x);
  }
  walk.Restart();
  for (int x = 0; x < count; ++x) placers[x] = ChunkPlacer(outputs[x].shareBlock, a.moviOffset);
  const BarSteps indexBar(total, bar.indexFrom, bar.indexSpan);
  for (uint32_t i = from; i < to; ++i) {
    if (indexBar.Due(i - from)) Report(sink, indexBar.Cells(i - from));
    if (sink.Cancelled()) return SplitResult::Cancelled;
    IndexEntry e;
    int stream = 0;
    uint32_t k = 0;
    if (!walk.At(i, &e, &stream, &k)) continue;
    for (int x = 0; x < count; ++x) {
      Output& out = outputs[x];
      if (!out.stream) continue;
      const Take take = TakeOf(shares[x]->streams[stream], k, e.length);
      if (!take.taken) continue;
      OutputStream& f = *out.stream;
      const uint32_t size = take.Size();
      placers[x].Place(take.Whole(e.length), ChunkPosition(a.chunkBase, e), size);
      const uint32_t offset = uint32_t(placers[x].chunkOffset);
      if (!(f.WriteU32(e.ckid) && f.WriteU32(e.flags) && f.WriteU32(offset) && f.WriteU32(size))) return fail(x);
    }
  }
  if (sink.Cancelled()) return SplitResult::Cancelled;
  for (int x = 0; x < count; ++x)
    if (routes[x].odml && !routes[x].odml->Complete()) return fail(streams[x]->Failed() ? x : -1);
  return SplitResult::Completed;
}
