// The joined file is made in three passes over the two indexes: one counts
// it, one copies the chunks, one writes the index. All three take their
// chunks from the same walk (JoinedChunkWalk), so the figures in the header
// always describe the bytes that follow them.
#include "merge/joined_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "io/output_stream.h"

namespace {

// The first `bytes` data bytes of the chunk whose header lies at chunkAt.
struct Piece {
  ByteInput* file;
  uint64_t chunkAt;
  uint32_t bytes;
};

// One chunk of the joined file: a source chunk, or an audio chunk joined
// across the seam from two pieces.
struct JoinedChunk {
  uint32_t ckid;
  uint32_t flags;
  int stream;
  Piece pieces[2];
  int pieceCount;
  uint32_t size;  // data bytes
};

uint64_t ChunkSpace(uint32_t size) { return 8 + uint64_t(size) + (size & 1); }

// The chunks of the joined file in order: the first input's kept entries,
// then every entry of the second input.
class JoinedChunkWalk {
 public:
  explicit JoinedChunkWalk(const JoinRequest& r)
      : r_(r),
        a_(*r.analysis),
        firstIndex_(*r.first.file, r.first.idx1Offset, r.first.entryTotal),
        secondIndex_(*r.second.file, r.second.idx1Offset, r.second.entryTotal) {}

  bool Next(JoinedChunk& out) {
    while (inFirst_) {
      if (i_ >= firstIndex_.Total()) {
        inFirst_ = false;
        i_ = 0;
        break;
      }
      if (NextOfFirst(out)) return true;
    }
    while (i_ < secondIndex_.Total())
      if (NextOfSecond(out)) return true;
    return false;
  }

 private:
  struct Seam {
    bool have = false;
    uint32_t ckid = 0, flags = 0;
    Piece piece{};
  };

  int StreamOf(uint32_t ckid) const {
    int s = StreamOfCkid(ckid);
    return s >= 0 && uint32_t(s) < a_.streamCount ? s : -1;
  }
  // Audio streams whose seam chunks the plan joins.
  bool Joins(int s) const {
    return s != a_.firstVideoStream && a_.streams[s].type == StreamAudio && r_.plan->seamJoinBytes[s] != 0;
  }

  bool NextOfFirst(JoinedChunk& out) {
    const IndexEntry e = firstIndex_.At(i_++);
    const int s = StreamOf(e.ckid);
    if (s < 0) return false;
    const uint32_t k = taken_[s]++;
    const uint32_t keep = r_.plan->keepCount[s];
    const Piece whole{r_.first.file, ChunkPosition(r_.first.chunkBase, e), e.length};
    if (Joins(s)) {
      const uint32_t partial = r_.plan->seamPartialBytes[s];
      // Kept time ending inside a chunk: that chunk's head goes in front of
      // the second input's first chunk. Ending on a chunk boundary: the last
      // kept chunk and the second input's first become one.
      if (partial != 0 && k == keep) seam_[s] = Seam{true, e.ckid, e.flags, Piece{whole.file, whole.chunkAt, partial}};
      if (partial == 0 && k + 1 == keep) {
        seam_[s] = Seam{true, e.ckid, e.flags, whole};
        return false;
      }
    }
    if (k >= keep) return false;
    out = JoinedChunk{e.ckid, e.flags, s, {whole, {}}, 1, e.length};
    return true;
  }

  bool NextOfSecond(JoinedChunk& out) {
    const IndexEntry e = secondIndex_.At(i_++);
    const int s = StreamOf(e.ckid);
    if (s < 0) return false;
    const bool firstOfStream = !seenSecond_[s];
    seenSecond_[s] = true;
    const Piece whole{r_.second.file, ChunkPosition(r_.second.chunkBase, e), e.length};
    if (firstOfStream && seam_[s].have) {
      const Seam& seam = seam_[s];
      out = JoinedChunk{seam.ckid, seam.flags, s, {seam.piece, whole}, 2, seam.piece.bytes + e.length};
      return true;
    }
    out = JoinedChunk{e.ckid, e.flags, s, {whole, {}}, 1, e.length};
    return true;
  }

  const JoinRequest& r_;
  const AviAnalysis& a_;
  IndexReader firstIndex_;
  IndexReader secondIndex_;
  bool inFirst_ = true;
  uint32_t i_ = 0;
  uint32_t taken_[kMaxStreams] = {};
  bool seenSecond_[kMaxStreams] = {};
  Seam seam_[kMaxStreams];
};

uint32_t ClampU32(double value) {
  if (!(value > 0)) return 0;
  if (value >= 4294967295.0) return 0xFFFFFFFFu;
  return uint32_t(value);
}

// Writes the output in page-aligned blocks of fixed size. Input bytes are
// not copied one by one: the block records which input span fills which of
// its bytes, joins spans that follow each other in the input, and reads
// each span with one bulk read just before the block is written. A chunk's
// size field and pad byte are laid over the span afterwards.
class BlockWriter {
 public:
  BlockWriter(OutputStream& sink, const JoinObserver& observer, uint64_t total)
      : sink_(sink), observer_(observer), total_(total), storage_(kBlock + kPage) {
    uintptr_t at = reinterpret_cast<uintptr_t>(storage_.data());
    block_ = storage_.data() + ((kPage - at % kPage) % kPage);
    spans_.reserve(kMaxPending);
    overlays_.reserve(kMaxPending);
  }

  bool Put(const void* data, size_t count) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    while (count > 0) {
      if (fill_ == kBlock && !Flush()) return false;
      size_t take = std::min(count, kBlock - fill_);
      std::memcpy(block_ + fill_, bytes, take);
      fill_ += take;
      bytes += take;
      count -= take;
    }
    return true;
  }
  bool PutU32(uint32_t v) {
    uint8_t b[4];
    StoreU32(b, v);
    return Put(b, 4);
  }
  // Appends count input bytes from position (read later, in bulk).
  bool Copy(ByteInput& file, uint64_t position, uint64_t count) {
    while (count > 0) {
      if (fill_ == kBlock && !Flush()) return false;
      size_t take = size_t(std::min<uint64_t>(count, kBlock - fill_));
      Reserve(file, position, take, false);
      position += take;
      count -= take;
    }
    return true;
  }
  // Appends a whole input chunk (header at chunkAt) with size as its size
  // field and a zero pad byte when size is odd.
  bool CopyChunk(ByteInput& file, uint64_t chunkAt, uint32_t size) {
    if (kBlock - fill_ < 8 && !Flush()) return false;  // keeps the header in one block
    LayOver(fill_ + 4, size, 4);
    uint64_t left = 8 + uint64_t(size) + (size & 1);
    while (left > 0) {
      if (fill_ == kBlock && !Flush()) return false;
      size_t take = size_t(std::min<uint64_t>(left, kBlock - fill_));
      left -= take;
      const bool endsWithPad = left == 0 && (size & 1);
      Reserve(file, chunkAt, take, endsWithPad);
      if (endsWithPad) LayOver(fill_ - 1, 0, 1);
      chunkAt += take;
    }
    return true;
  }

  bool Flush() {
    Settle();
    if (fill_ != 0 && !failed_ && !short_ && !sink_.Write(block_, fill_)) failed_ = true;
    done_ += fill_;
    fill_ = 0;
    if (observer_.progress) observer_.progress(observer_.context, done_, total_);
    return !failed_ && !short_ && !Cancelled();
  }
  bool Cancelled() {
    if (!cancelled_ && observer_.cancelled && observer_.cancelled(observer_.context)) cancelled_ = true;
    return cancelled_;
  }

  JoinResult Outcome() const {
    if (failed_) return JoinResult::WriteFailed;
    if (short_) return JoinResult::InputShort;
    if (cancelled_) return JoinResult::Cancelled;
    return JoinResult::Written;
  }
  uint64_t Written() const { return done_ + fill_; }

 private:
  static constexpr size_t kBlock = 2 * 1024 * 1024;
  static constexpr size_t kPage = 4096;
  static constexpr size_t kMaxPending = 4096;

  struct Span {
    ByteInput* file;
    uint64_t from;
    size_t at;  // in the block
    size_t count;
    bool padLast;  // its last byte is a pad, which the input need not hold
  };
  struct Patch {
    size_t at;
    uint32_t value;
    int bytes;
  };

  static void StoreU32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
  }

  void Reserve(ByteInput& file, uint64_t from, size_t count, bool padLast) {
    if (!spans_.empty()) {
      Span& last = spans_.back();
      if (last.file == &file && last.from + last.count == from && last.at + last.count == fill_) {
        last.count += count;
        last.padLast = padLast;
        fill_ += count;
        return;
      }
    }
    if (spans_.size() == kMaxPending) Settle();
    spans_.push_back(Span{&file, from, fill_, count, padLast});
    fill_ += count;
  }
  void LayOver(size_t at, uint32_t value, int bytes) {
    if (overlays_.size() == kMaxPending) Settle();
    overlays_.push_back({at, value, bytes});
  }
  // Reads the pending spans, then lays the overlays over them.
  void Settle() {
    for (const Span& s : spans_) {
      size_t got = s.file->ReadBulk(s.from, block_ + s.at, s.count);
      if (got < s.count && !(s.padLast && got + 1 == s.count)) short_ = true;
    }
    for (const auto& o : overlays_) {
      if (o.bytes == 4)
        StoreU32(block_ + o.at, o.value);
      else
        block_[o.at] = uint8_t(o.value);
    }
    spans_.clear();
    overlays_.clear();
  }

  OutputStream& sink_;
  const JoinObserver& observer_;
  uint64_t total_;
  std::vector<uint8_t> storage_;
  uint8_t* block_;
  size_t fill_ = 0;
  uint64_t done_ = 0;
  std::vector<Span> spans_;
  std::vector<Patch> overlays_;
  bool failed_ = false;
  bool short_ = false;
  bool cancelled_ = false;
};

// The first input's bytes before the chunks, with the joined file's figures
// patched in. The patched fields are taken in file order, whatever order the
// streams' headers lie in.
bool WriteHeader(const JoinRequest& r, const JoinedFigures& f, BlockWriter& out) {
  const AviAnalysis& a = *r.analysis;
  struct Patch {
    uint64_t at;
    uint32_t value;
  };
  std::vector<Patch> patches = {{4, uint32_t(f.fileBytes - 8)},
                                {a.totalFramesOffset, f.totalFrames},
                                {uint64_t(a.moviOffset) - 4, uint32_t(4 + f.moviBytes)},
                                {a.moviOffset, kMovi}};
  for (uint32_t n = 0; n < a.streamCount; ++n) patches.push_back({a.streams[n].lengthOffset, f.lengths[n]});
  std::stable_sort(patches.begin(), patches.end(), [](const Patch& x, const Patch& y) { return x.at < y.at; });
  uint64_t at = 0;
  for (const Patch& p : patches) {
    // A field overlapping one already written, or lying past the header
    // (a damaged file), is left out.
    if (p.at < at || p.at > a.moviOffset) continue;
    if (!out.Copy(*r.first.file, at, p.at - at) || !out.PutU32(p.value)) return false;
    at = p.at + 4;
  }
  return true;
}

bool WriteChunk(const JoinedChunk& c, BlockWriter& out) {
  if (c.pieceCount == 1) return out.CopyChunk(*c.pieces[0].file, c.pieces[0].chunkAt, c.size);
  // A chunk joined at the seam: the first piece's code, then both pieces' data.
  if (!out.Copy(*c.pieces[0].file, c.pieces[0].chunkAt, 4) || !out.PutU32(c.size)) return false;
  for (int p = 0; p < c.pieceCount; ++p) {
    const Piece& piece = c.pieces[p];
    if (!out.Copy(*piece.file, piece.chunkAt + 8, piece.bytes)) return false;
  }
  if (c.size & 1) {
    const uint8_t zero = 0;
    return out.Put(&zero, 1);
  }
  return true;
}

// The joined file's chunks as the OpenDML layer lists them.
OdmlChunkSource JoinedChunks(const JoinRequest& r) {
  auto walk = std::make_shared<JoinedChunkWalk>(r);
  return [walk](OdmlChunkInfo* info) {
    JoinedChunk c;
    if (!walk->Next(c)) return false;
    *info = OdmlChunkInfo{c.ckid, c.flags, c.size};
    return true;
  };
}

OdmlShape JoinedShape(const JoinRequest& r, const JoinedFigures& f) {
  const AviAnalysis& a = *r.analysis;
  OdmlShape shape{r.first.file, a.moviOffset, a.totalFramesOffset, a.streamCount, a.firstVideoStream, {}, f.fileBytes};
  for (uint32_t s = 0; s < a.streamCount; ++s)
    if (a.streams[s].type == StreamAudio && int(s) != a.firstVideoStream)
      shape.sampleSize[s] = r.first.file->U32At(a.streams[s].sampleSizeOffset);
  return shape;
}

}  // namespace

std::string JoinedFileRefusal(const JoinRequest& r, const JoinedFigures& f) {
  const uint64_t inputs = r.first.file->Size() + r.second.file->Size();
  if (f.moviBytes <= inputs) return "";
  return "its inputs' indexes name " + std::to_string(f.moviBytes) + " bytes of chunks, more than the " +
         std::to_string(inputs) + " bytes the inputs hold";
}

JoinedFigures MeasureJoinedFile(const JoinRequest& r) {
  const AviAnalysis& a = *r.analysis;
  const int video = a.firstVideoStream;
  JoinedFigures f{};
  uint64_t streamBytes[kMaxStreams] = {};
  uint64_t streamChunks[kMaxStreams] = {};
  JoinedChunkWalk walk(r);
  JoinedChunk c;
  while (walk.Next(c)) {
    f.moviBytes += ChunkSpace(c.size);
    f.entries++;
    streamBytes[c.stream] += c.size;
    streamChunks[c.stream]++;
  }
  f.fileBytes = uint64_t(a.moviOffset) + 4 + f.moviBytes + 8 + 16ull * f.entries;

  f.totalFrames = ClampU32(double(r.plan->keepCount[video]) + double(r.secondFrames));
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    const StreamEntry& st = a.streams[s];
    if (int(s) == video) {
      f.lengths[s] = f.totalFrames;
    } else if (st.type == StreamAudio && r.first.file->U32At(st.sampleSizeOffset) != 0) {
      // Constant-size audio: the samples the joined stream really holds.
      const uint32_t blockBytes = r.first.file->U32At(st.sampleSizeOffset);
      f.lengths[s] = ClampU32(double(streamBytes[s] / blockBytes));
    } else if (st.sampleSizeOffset != 0 && r.first.file->U32At(st.sampleSizeOffset) == 0) {
      // dwSampleSize 0 (variable-size audio such as MP3, of any stream
      // number): each chunk is one sample, so the length is the chunks the
      // joined stream really holds. The share below could round one short
      // (1149 for 1150 chunks).
      f.lengths[s] = ClampU32(double(streamChunks[s]));
    } else {
      // Other streams: the kept share of the first input's length, then the
      // whole of the second's.
      const double first = double(r.first.file->U32At(st.lengthOffset));
      const double second = double(r.second.file->U32At(st.lengthOffset));
      const double share = st.idx1EntryCount ? double(r.plan->keepCount[s]) / double(st.idx1EntryCount) : 0.0;
      f.lengths[s] = ClampU32(std::min(std::floor(first * share), first) + second);
    }
  }
  return f;
}

JoinResult WriteJoinedFile(const JoinRequest& r, OutputStream& sink, const JoinObserver& observer,
                           const OdmlLimits& odmlLimits, std::string* problem) {
  const JoinedFigures f = MeasureJoinedFile(r);
  auto refuse = [&](const std::string& why) {
    if (problem) *problem = why;
    return JoinResult::TooLarge;
  };
  const std::string refusal = JoinedFileRefusal(r, f);
  if (!refusal.empty()) return refuse(refusal);
  // Past the threshold the version-1 bytes below pass through the OpenDML layer.
  OdmlPlan odmlPlan;
  std::unique_ptr<OdmlOutput> odml;
  if (f.fileBytes >= odmlLimits.riffThreshold) {
    if (!odmlPlan.Make(JoinedShape(r, f), JoinedChunks(r), odmlLimits)) return refuse(odmlPlan.Problem());
    odml = std::make_unique<OdmlOutput>(sink, odmlPlan, JoinedChunks(r));
  } else if (f.fileBytes > 0xFFFFFFFFull) {
    return refuse("a version-1 file cannot hold " + std::to_string(f.fileBytes) + " bytes");
  }
  BlockWriter out(odml ? *odml : sink, observer, f.fileBytes);
  if (out.Cancelled()) return JoinResult::Cancelled;
  if (!WriteHeader(r, f, out)) return out.Outcome();

  JoinedChunk c;
  {
    JoinedChunkWalk walk(r);
    for (uint32_t n = 0; walk.Next(c); ++n) {
      if (!WriteChunk(c, out)) return out.Outcome();
      if ((n & 255) == 255 && out.Cancelled()) return JoinResult::Cancelled;
    }
  }

  if (!out.PutU32(kIdx1) || !out.PutU32(16 * f.entries)) return out.Outcome();
  JoinedChunkWalk walk(r);
  uint64_t offset = 4;  // from the "movi" list type
  while (walk.Next(c)) {
    if (!out.PutU32(c.ckid) || !out.PutU32(c.flags) || !out.PutU32(uint32_t(offset)) || !out.PutU32(c.size))
      return out.Outcome();
    offset += ChunkSpace(c.size);
  }
  if (!out.Flush()) return out.Outcome();
  // The count and the bytes come from the same walk; a difference would
  // mean an input changed while it was read.
  if (out.Written() != f.fileBytes) return JoinResult::InputShort;
  if (odml && !odml->Complete()) return JoinResult::WriteFailed;
  return JoinResult::Written;
}
