#include "avi/odml_output.h"

#include <algorithm>
#include <cstring>

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/little_endian.h"
#include "io/positioned_read.h"

namespace {

constexpr uint32_t kNotKey = 0x80000000u;

constexpr uint32_t kSuperIndexBytes = 24 + 16 * kOdmlSuperEntries;  // the indx chunk's size field
constexpr uint32_t kDmlhBytes = 248;                                 // as ffmpeg writes it
constexpr uint64_t kOdmlBytes = 8 + 4 + 8 + kDmlhBytes;
constexpr size_t kIndexBlockBytes = 64 * 1024;                     // index bytes sent at a time
constexpr uint64_t kStandardIndexHead = 32;  // ix## chunk header and its fields
constexpr uint64_t kAvixHead = 24;           // "RIFF" size "AVIX" "LIST" size "movi"

enum EditKind { kInsertSuperIndex = 0, kInsertOdml = 1, kField = 2 };

uint64_t ChunkSpan(uint32_t size) { return 8 + uint64_t(size) + (size & 1); }
int StreamOf(uint32_t ckid, uint32_t streamCount) {
  const int s = StreamOfCkid(ckid);
  return s >= 0 && uint32_t(s) < streamCount ? s : -1;
}

void PutU16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void PutU32(std::vector<uint8_t>& b, uint32_t v) {
  PutU16(b, v);
  PutU16(b, v >> 16);
}
void PutU64(std::vector<uint8_t>& b, uint64_t v) {
  PutU32(b, uint32_t(v));
  PutU32(b, uint32_t(v >> 32));
}

}  // namespace

// ---- where the RIFF lists end ----

OdmlRiffCutter::OdmlRiffCutter(const OdmlLimits& limits, uint64_t firstMoviType, uint32_t shareBlock)
    : limits_(limits), align_(shareBlock), moviType_(firstMoviType), pos_(firstMoviType + 4) {
  std::fill(std::begin(lastRun_), std::end(lastRun_), -1);
}

int OdmlRiffCutter::FindCode(const OdmlChunkInfo& c) const {
  for (size_t i = codes_.size(); i-- > 0;)
    if (codes_[i].ckid == c.ckid && codes_[i].flags == c.flags) return int(i);
  return -1;
}

bool OdmlRiffCutter::StartsRun(const OdmlChunkInfo& c) const {
  const int s = StreamOfCkid(c.ckid);
  return lastRun_[s] < 0 || runs_[size_t(lastRun_[s])].ckid != c.ckid;
}

bool OdmlRiffCutter::NeedsNewRiff(const OdmlChunkInfo& c) const {
  if (entries_ == 0) return false;  // every list takes at least one chunk
  if (pos_ - riffStart_ > limits_.riffThreshold || entries_ >= limits_.riffEntries) return true;
  if (FindCode(c) < 0 && codes_.size() == 256) return true;
  // Room for the JUNK that may go in front of it (less than a block and 8).
  const uint64_t junk = align_.Block() ? align_.Block() + 8 : 0;
  const uint64_t end = pos_ + junk + ChunkSpan(c.size) + ixBytes_ + 8 + (StartsRun(c) ? kStandardIndexHead : 0) +
                       (first_ ? 8 + 16ull * (entries_ + 1) : 0);
  return end - riffStart_ > limits_.riffLimit;
}

uint8_t OdmlRiffCutter::Add(const OdmlChunkInfo& c) {
  const bool carried = c.from != OdmlChunkInfo::kWritten;
  lastJunk_ = align_.PadBefore(carried ? c.input : CloneAligner::kWritten, c.from, pos_, ChunkSpan(c.size));
  pos_ += lastJunk_;
  int code = FindCode(c);
  if (code < 0) {
    code = int(codes_.size());
    codes_.push_back(c);
  }
  const int s = StreamOfCkid(c.ckid);
  if (StartsRun(c)) {
    lastRun_[s] = int(runs_.size());
    runs_.push_back(Run{s, c.ckid, 0, 0});
    ixBytes_ += kStandardIndexHead;
  }
  Run& run = runs_[size_t(lastRun_[s])];
  run.count++;
  run.bytes += c.size;
  ixBytes_ += 8;
  pos_ += ChunkSpan(c.size);
  entries_++;
  return uint8_t(code);
}

void OdmlRiffCutter::CloseRiff() {
  riffStart_ = RiffEnd();
  first_ = false;
  moviType_ = riffStart_ + 20;
  pos_ = riffStart_ + kAvixHead;
  ixBytes_ = 0;
  entries_ = 0;
  align_.Restart();  // the indexes and the next list's head lie between
  std::fill(std::begin(lastRun_), std::end(lastRun_), -1);
  runs_.clear();
  codes_.clear();
}

// ---- the plan ----

bool OdmlPlan::Fail(const std::string& why) {
  problem_ = why;
  return false;
}

// Finds hdrl and its strl lists in the header the writer copies: the super
// indexes go at the end of each strl, LIST odml at the end of hdrl.
bool OdmlPlan::ReadHeaderShape() {
  ByteInput& in = *shape_.header;
  if (shape_.moviOffset < 20) return Fail("the header holds no movi list");
  const uint64_t end = shape_.moviOffset - 8;
  uint64_t hdrl = 0;
  uint32_t hdrlSize = 0;
  for (uint64_t p = 12; p + 12 <= end;) {
    const uint32_t code = in.U32At(p), size = in.ReadU32(), type = in.ReadU32();
    if (size > end - p - 8) break;
    if (code == kList && type == kHdrl) {
      hdrl = p;
      hdrlSize = size;
      break;
    }
    p += 8 + uint64_t(size) + (size & 1);
  }
  if (hdrl == 0) return Fail("the header holds no hdrl list");
  std::vector<std::pair<uint64_t, uint32_t>> strls;
  const uint64_t hdrlEnd = hdrl + 8 + hdrlSize;
  for (uint64_t p = hdrl + 12; p + 8 <= hdrlEnd;) {
    const uint32_t code = in.U32At(p), size = in.ReadU32();
    const uint32_t type = size >= 4 ? in.ReadU32() : 0;
    if (size > hdrlEnd - p - 8) return Fail("a list of the header overruns hdrl");
    if (code == kList && type == kStrl) strls.push_back({p, size});
    if (code == kList && type == kOdml && dmlhField_ == 0) dmlhField_ = FindDmlhField(p, size);
    p += 8 + uint64_t(size) + (size & 1);
  }
  if (strls.size() != shape_.streamCount || shape_.streamCount > uint32_t(kMaxStreams))
    return Fail("the header's stream lists do not match its streams");
  // A header that has its own dmlh (GStreamer's avimux writes one into every
  // file) keeps it, with the frame count patched, rather than get a second.
  growth_ = uint64_t(8 + kSuperIndexBytes) * strls.size() + (dmlhField_ ? 0 : kOdmlBytes);
  if (hdrlSize + growth_ > 0xFFFFFFF0ull) return Fail("the header is too large");
  for (uint32_t s = 0; s < strls.size(); ++s) {
    edits_.push_back(Edit{strls[s].first + 4, kField, strls[s].second + 8 + kSuperIndexBytes});
    edits_.push_back(Edit{strls[s].first + 8 + strls[s].second, kInsertSuperIndex, s});
  }
  edits_.push_back(Edit{hdrl + 4, kField, uint32_t(hdrlSize + growth_)});
  if (dmlhField_ == 0) edits_.push_back(Edit{hdrlEnd, kInsertOdml, 0});
  return true;
}

// The dwTotalFrames field of the dmlh in the LIST odml at list, 0 if none.
uint64_t OdmlPlan::FindDmlhField(uint64_t list, uint32_t listSize) {
  ByteInput& in = *shape_.header;
  const uint64_t end = list + 8 + listSize;
  for (uint64_t p = list + 12; p + 12 <= end;) {
    const uint32_t code = in.U32At(p), size = in.ReadU32();
    if (size > end - p - 8) break;
    if (code == kDmlh && size >= 4) return p + 8;
    p += 8 + uint64_t(size) + (size & 1);
  }
  return 0;
}

bool OdmlPlan::Make(const OdmlShape& shape, const OdmlChunkSource& chunks, const OdmlLimits& limits) {
  shape_ = shape;
  limits_ = limits;
  if (!ReadHeaderShape()) return false;
  const uint64_t firstMoviType = shape_.moviOffset + growth_;
  OdmlRiffCutter cutter(limits_, firstMoviType, shape_.shareBlock);
  uint32_t firstRiffFrames = 0;

  auto closeRiff = [&]() {
    // The standard indexes follow the chunks, stream by stream.
    uint64_t at = cutter.NextChunkAt();
    for (uint32_t s = 0; s < shape_.streamCount; ++s) {
      for (const OdmlRiffCutter::Run& run : cutter.Runs()) {
        if (uint32_t(run.stream) != s) continue;
        if (supers_[s].size() == kOdmlSuperEntries)
          return Fail("stream " + std::to_string(s) + " would need more than " +
                      std::to_string(kOdmlSuperEntries) + " standard indexes");
        const uint32_t bytes = uint32_t(kStandardIndexHead + 8ull * run.count);
        const uint32_t sampleSize = shape_.sampleSize[s];
        const uint64_t duration = sampleSize ? run.bytes / sampleSize : run.count;
        supers_[s].push_back(SuperEntry{at, bytes, uint32_t(std::min<uint64_t>(duration, 0xFFFFFFFFu))});
        if (chunkIds_[s] == 0) chunkIds_[s] = run.ckid;
        at += bytes;
      }
    }
    riffs_.push_back(Riff{cutter.RiffEnd() - cutter.RiffStart() - 8, cutter.MoviSize()});
    cutter.CloseRiff();
    return true;
  };

  OdmlChunkInfo c;
  while (chunks(&c)) {
    const int s = StreamOf(c.ckid, shape_.streamCount);
    if (s < 0) return Fail("a chunk names no stream of the header");
    if (cutter.NeedsNewRiff(c) && !closeRiff()) return false;
    cutter.Add(c);
    if (cutter.RiffEnd() - cutter.RiffStart() > limits_.riffLimit)
      return Fail("a chunk of " + std::to_string(c.size) + " bytes does not fit in one RIFF list");
    if (s == shape_.videoStream) {
      videoFrames_++;
      if (cutter.First()) firstRiffFrames++;
    }
    chunkCount_++;
  }
  const bool hadChunks = cutter.Entries() > 0 || riffs_.empty();
  if (hadChunks && !closeRiff()) return false;
  fileBytes_ = cutter.RiffStart();
  for (uint32_t s = 0; s < shape_.streamCount; ++s)
    if (chunkIds_[s] == 0) chunkIds_[s] = FourCC('0', char('0' + s), 'd', 'c');

  if (riffs_[0].size > 0xFFFFFFFFull) return Fail("the first RIFF list is too large");
  edits_.push_back(Edit{4, kField, uint32_t(riffs_[0].size)});
  if (dmlhField_) edits_.push_back(Edit{dmlhField_, kField, uint32_t(std::min<uint64_t>(videoFrames_, 0xFFFFFFFFu))});
  edits_.push_back(Edit{shape_.totalFramesOffset, kField, firstRiffFrames});
  edits_.push_back(Edit{uint64_t(shape_.moviOffset) - 4, kField, uint32_t(riffs_[0].moviSize)});
  std::stable_sort(edits_.begin(), edits_.end(),
                   [](const Edit& x, const Edit& y) { return x.at != y.at ? x.at < y.at : x.kind < y.kind; });
  return true;
}

std::vector<uint8_t> OdmlPlan::SuperIndexBytes(uint32_t s) const {
  std::vector<uint8_t> b;
  b.reserve(8 + kSuperIndexBytes);
  PutU32(b, kIndx);
  PutU32(b, kSuperIndexBytes);
  PutU16(b, 4);  // wLongsPerEntry
  b.push_back(0);  // bIndexSubType
  b.push_back(0);  // bIndexType: index of indexes
  PutU32(b, uint32_t(supers_[s].size()));
  PutU32(b, chunkIds_[s]);
  for (int i = 0; i < 3; ++i) PutU32(b, 0);
  for (const SuperEntry& e : supers_[s]) {
    PutU64(b, e.position);
    PutU32(b, e.size);
    PutU32(b, e.duration);
  }
  b.resize(8 + kSuperIndexBytes, 0);
  return b;
}

std::vector<uint8_t> OdmlPlan::OdmlListBytes() const {
  std::vector<uint8_t> b;
  PutU32(b, kList);
  PutU32(b, uint32_t(kOdmlBytes - 8));
  PutU32(b, kOdml);
  PutU32(b, kDmlh);
  PutU32(b, kDmlhBytes);
  PutU32(b, uint32_t(std::min<uint64_t>(videoFrames_, 0xFFFFFFFFu)));
  b.resize(kOdmlBytes, 0);
  return b;
}

// ---- the output ----

OdmlOutput::OdmlOutput(OutputStream& out, const OdmlPlan& plan, OdmlChunkSource chunks)
    : out_(out),
      plan_(plan),
      chunks_(std::move(chunks)),
      cutter_(plan.limits_, plan.shape_.moviOffset + plan.growth_, plan.shape_.shareBlock),
      nextChunkAt_(uint64_t(plan.shape_.moviOffset) + 4) {}

bool OdmlOutput::Fail() {
  failed_ = true;
  return false;
}

bool OdmlOutput::Emit(const void* data, size_t count) {
  if (count == 0) return true;
  if (!FlushPending() || !out_.Write(data, count)) return Fail();
  emitted_ += count;
  return true;
}

bool OdmlOutput::EmitJunk(uint32_t bytes) {
  if (bytes == 0) return true;
  if (!FlushPending() || !WriteJunk(out_, bytes)) return Fail();
  emitted_ += bytes;
  return true;
}

// Hands the input bytes gathered so far to the output as one range.
bool OdmlOutput::FlushPending() {
  if (pendingBytes_ == 0) return true;
  const uint64_t count = pendingBytes_;
  pendingBytes_ = 0;
  const int64_t done = out_.AppendFromFile(pendingFd_, pendingAt_, count);
  if (done < 0 || uint64_t(done) != count) return Fail();
  emitted_ += count;
  return true;
}

// Bytes of the input that cannot go on as a range (a chunk header cut by
// the end of a call): read and taken as written bytes.
bool OdmlOutput::CopyThroughMemory(int fd, uint64_t at, uint64_t count) {
  uint8_t buffer[4096];
  while (count > 0) {
    const size_t want = count < sizeof buffer ? size_t(count) : sizeof buffer;
    if (filesys::ReadAt(fd, at, buffer, want) != want || !Write(buffer, want)) return Fail();
    at += want;
    count -= want;
  }
  return true;
}

// Sends the index bytes gathered in buffer_ and empties it.
bool OdmlOutput::EmitBuffer() {
  const bool ok = Emit(buffer_.data(), buffer_.size());
  buffer_.clear();
  return ok;
}

bool OdmlOutput::EmitU32(uint32_t v) {
  uint8_t b[4];
  PutLeU32(b, v);
  return Emit(b, 4);
}

bool OdmlOutput::Write(const void* data, size_t count) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (count > 0) {
    if (failed_) return false;
    if (skip_ > 0) {
      const size_t n = size_t(std::min<uint64_t>(skip_, count));
      skip_ -= n, v1Position_ += n, p += n, count -= n;
      continue;
    }
    if (chunksDone_) return Fail();  // more bytes than the version-1 file has
    const bool edit = nextEdit_ < plan_.edits_.size();
    const uint64_t next = edit ? plan_.edits_[nextEdit_].at : nextChunkAt_;
    if (v1Position_ < next) {
      const size_t n = size_t(std::min<uint64_t>(next - v1Position_, count));
      if (!Emit(p, n)) return false;
      v1Position_ += n, p += n, count -= n;
      continue;
    }
    if (v1Position_ > next) return Fail();
    if (!(edit ? HandleEdit() : HandleChunk())) return Fail();
  }
  return !failed_;
}

bool OdmlOutput::HandleEdit() {
  const OdmlPlan::Edit& e = plan_.edits_[nextEdit_++];
  if (e.kind == kField) {
    skip_ = 4;
    return EmitU32(e.value);
  }
  const std::vector<uint8_t> bytes = e.kind == kInsertSuperIndex ? plan_.SuperIndexBytes(e.value) : plan_.OdmlListBytes();
  return Emit(bytes.data(), bytes.size());
}

// The rest is the version-1 idx1: the lists' own indexes replace it.
bool OdmlOutput::EndOfChunks() {
  chunksDone_ = true;
  if (!CloseRiff()) return false;
  if (plan_.shape_.versionOneBytes < v1Position_) return false;
  skip_ = plan_.shape_.versionOneBytes - v1Position_;
  return true;
}

bool OdmlOutput::BeginChunk(OdmlChunkInfo* c, bool* done) {
  *done = false;
  if (!chunks_(c)) {
    *done = true;
    return false;
  }
  if (StreamOf(c->ckid, plan_.shape_.streamCount) < 0) return false;
  if (cutter_.NeedsNewRiff(*c) && !CloseRiff()) return false;
  if (Position() != cutter_.NextChunkAt()) return false;
  codes_.push_back(cutter_.Add(*c));
  if (cutter_.LastJunk() != 0) junks_.push_back({uint32_t(sizes_.size()), cutter_.LastJunk()});
  sizes_.push_back(c->size);
  nextChunkAt_ = v1Position_ + ChunkSpan(c->size);
  return EmitJunk(cutter_.LastJunk());
}

// At a chunk of the version-1 file: closes the RIFF list when its time has
// come, then writes the chunk's header from the listing (so that the index
// and the chunk always agree) and lets its data through.
bool OdmlOutput::HandleChunk() {
  OdmlChunkInfo c;
  bool done = false;
  if (!BeginChunk(&c, &done)) return done && EndOfChunks();
  skip_ = 8;
  return EmitU32(c.ckid) && EmitU32(c.size);
}

int64_t OdmlOutput::AppendFromFile(int fd, uint64_t at, uint64_t count) {
  if (plan_.shape_.shareBlock == 0 || fd < 0) return -1;
  const uint64_t asked = count;
  // Input bytes join the range on its way out when they follow it.
  auto forward = [&](uint64_t n) {
    if (pendingBytes_ != 0 && (pendingFd_ != fd || pendingAt_ + pendingBytes_ != at) && !FlushPending()) return false;
    if (pendingBytes_ == 0) pendingFd_ = fd, pendingAt_ = at;
    pendingBytes_ += n;
    v1Position_ += n, at += n, count -= n;
    return true;
  };
  while (count > 0 && !failed_) {
    if (skip_ > 0) {  // the version-1 idx1, or the rest of a header already written
      const uint64_t n = std::min(skip_, count);
      skip_ -= n, v1Position_ += n, at += n, count -= n;
      continue;
    }
    if (chunksDone_ || nextEdit_ < plan_.edits_.size()) {
      // Only runs of chunks are expected here: anything else as written bytes.
      if (!FlushPending() || !CopyThroughMemory(fd, at, count)) break;
      count = 0;
      break;
    }
    if (v1Position_ < nextChunkAt_) {  // chunk data: as it is
      if (!forward(std::min(nextChunkAt_ - v1Position_, count))) break;
      continue;
    }
    if (v1Position_ > nextChunkAt_ || count < 8) {
      if (!FlushPending() || !CopyThroughMemory(fd, at, count)) break;
      count = 0;
      break;
    }
    // A chunk's header: the input's own (a run holds chunks stored as the
    // listing has them), so it goes on with the data.
    OdmlChunkInfo c;
    bool done = false;
    if (!BeginChunk(&c, &done)) {
      if (!(done && EndOfChunks())) Fail();
      continue;
    }
    if (!forward(8)) break;
  }
  if (!FlushPending()) Fail();
  return failed_ ? 0 : int64_t(asked - count);
}

bool OdmlOutput::CloseRiff() {
  if (riff_ >= plan_.riffs_.size() || !FlushPending()) return false;
  if (!WriteStandardIndexes()) return false;
  if (cutter_.First() && !WriteIdx1()) return false;
  const OdmlPlan::Riff& planned = plan_.riffs_[riff_];
  if (emitted_ != cutter_.RiffEnd() || planned.size != cutter_.RiffEnd() - cutter_.RiffStart() - 8) return false;
  cutter_.CloseRiff();
  sizes_.clear();
  codes_.clear();
  junks_.clear();
  ++riff_;
  if (riff_ == plan_.riffs_.size()) return true;
  const OdmlPlan::Riff& r = plan_.riffs_[riff_];
  return EmitU32(kRiff) && EmitU32(uint32_t(r.size)) && EmitU32(kAvix) && EmitU32(kList) &&
         EmitU32(uint32_t(r.moviSize)) && EmitU32(kMovi);
}

// One ix## per run of a stream's chunks with one code, stream by stream;
// offsets count from the list's "movi" type (qwBaseOffset), as ffmpeg has them.
bool OdmlOutput::WriteStandardIndexes() {
  const uint64_t base = cutter_.MoviType();
  const auto& runs = cutter_.Runs();
  const auto& codeTable = cutter_.Codes();
  for (uint32_t s = 0; s < plan_.shape_.streamCount; ++s) {
    size_t run = 0;
    uint64_t at = base + 4;
    bool open = false;
    uint32_t openCkid = 0;
    size_t junk = 0;
    for (size_t i = 0; i < sizes_.size(); ++i) {
      const OdmlChunkInfo& code = codeTable[codes_[i]];
      if (junk < junks_.size() && junks_[junk].first == i) at += junks_[junk++].second;
      const uint64_t here = at;
      at += ChunkSpan(sizes_[i]);
      if (uint32_t(StreamOfCkid(code.ckid)) != s) continue;
      if (!open || code.ckid != openCkid) {
        while (run < runs.size() && uint32_t(runs[run].stream) != s) ++run;
        if (run == runs.size()) return false;
        const OdmlRiffCutter::Run& r = runs[run++];
        PutU32(buffer_, FourCC('i', 'x', '0', char('0' + s)));
        PutU32(buffer_, uint32_t(kStandardIndexHead - 8 + 8ull * r.count));
        PutU16(buffer_, 2);  // wLongsPerEntry
        buffer_.push_back(0);  // bIndexSubType
        buffer_.push_back(1);  // bIndexType: index of chunks
        PutU32(buffer_, r.count);
        PutU32(buffer_, r.ckid);
        PutU64(buffer_, base);
        PutU32(buffer_, 0);
        open = true;
        openCkid = code.ckid;
      }
      PutU32(buffer_, uint32_t(here + 8 - base));
      PutU32(buffer_, sizes_[i] | ((code.flags & kKeyFrameFlag) ? 0 : kNotKey));
      if (buffer_.size() >= kIndexBlockBytes && !EmitBuffer()) return false;
    }
  }
  return EmitBuffer();
}

// The first list's idx1: its chunks only, offsets from its "movi" type.
bool OdmlOutput::WriteIdx1() {
  const auto& codeTable = cutter_.Codes();
  PutU32(buffer_, kIdx1);
  PutU32(buffer_, uint32_t(16ull * sizes_.size()));
  uint64_t offset = 4;
  size_t junk = 0;
  for (size_t i = 0; i < sizes_.size(); ++i) {
    const OdmlChunkInfo& code = codeTable[codes_[i]];
    if (junk < junks_.size() && junks_[junk].first == i) offset += junks_[junk++].second;
    PutU32(buffer_, code.ckid);
    PutU32(buffer_, code.flags);
    PutU32(buffer_, uint32_t(offset));
    PutU32(buffer_, sizes_[i]);
    offset += ChunkSpan(sizes_[i]);
    if (buffer_.size() >= kIndexBlockBytes && !EmitBuffer()) return false;
  }
  return EmitBuffer();
}

bool OdmlOutput::Complete() const {
  return !failed_ && chunksDone_ && skip_ == 0 && riff_ == plan_.riffs_.size() && emitted_ == plan_.fileBytes_;
}
