#include "repair/repair_writer.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "avi/byte_input.h"
#include "avi/clone_layout.h"
#include "avi/fourcc.h"
#include "avi/walk_sink.h"
#include "io/output_stream.h"

namespace {

constexpr uint32_t kHasIndex = 0x10;            // avih dwFlags AVIF_HASINDEX
constexpr uint64_t kSystemCopy = 256 * 1024;    // runs at least this long are copied by the system
constexpr size_t kBlockBytes = 1024 * 1024;

uint64_t Span(uint32_t size) { return 8 + uint64_t(size) + (size & 1); }
uint32_t Clamp(uint64_t v) { return uint32_t(std::min<uint64_t>(v, 0xFFFFFFFFu)); }

uint64_t HeaderBytes(const RepairScan& scan) { return scan.moviList + 12; }

uint64_t MoviBytes(const RepairScan& scan) {
  uint64_t bytes = 0;
  for (size_t i = 0; i < scan.chunks.Size(); ++i) bytes += Span(scan.chunks[i].size);
  return bytes;
}

struct Patch {
  uint64_t at;
  uint32_t value;
};

uint32_t StreamLength(const RepairStream& s) {
  if (s.fccType == kAuds && s.sampleSize) return Clamp(s.bytes / s.sampleSize);
  return Clamp(s.chunks);
}

std::vector<Patch> HeaderPatches(ByteInput& in, const RepairScan& scan, uint64_t versionOneBytes, uint64_t moviBytes) {
  std::vector<Patch> patches;
  patches.push_back({4, Clamp(versionOneBytes - 8)});
  patches.push_back({scan.avih + 8 + 12, in.U32At(scan.avih + 8 + 12) | kHasIndex});
  patches.push_back({scan.avih + 8 + 16, Clamp(scan.VideoFrames())});
  for (uint32_t s = 0; s < scan.streamCount; ++s) {
    const RepairStream& st = scan.streams[s];
    patches.push_back({st.strh + 8 + 32, StreamLength(st)});
    patches.push_back({st.strh + 8 + 36, st.largest});
  }
  for (uint64_t at : scan.indx) patches.push_back({at, kJunk});
  if (scan.dmlhFrames) patches.push_back({scan.dmlhFrames, Clamp(scan.VideoFrames())});
  patches.push_back({scan.moviList + 4, Clamp(4 + moviBytes)});
  std::sort(patches.begin(), patches.end(), [](const Patch& x, const Patch& y) { return x.at < y.at; });
  return patches;
}

OdmlShape ShapeOf(ByteInput& in, const RepairScan& scan, uint64_t versionOneBytes) {
  OdmlShape shape{&in, scan.moviList + 8, scan.avih + 8 + 16, scan.streamCount, scan.videoStream, {}, versionOneBytes};
  for (uint32_t s = 0; s < scan.streamCount; ++s)
    if (scan.streams[s].fccType == kAuds) shape.sampleSize[s] = scan.streams[s].sampleSize;
  return shape;
}

OdmlChunkSource ListChunks(const RepairScan& scan) {
  auto next = std::make_shared<size_t>(0);
  return [&scan, next](OdmlChunkInfo* info) {
    if (*next >= scan.chunks.Size()) return false;
    const KeptChunk& c = scan.chunks[(*next)++];
    *info = OdmlChunkInfo{c.ckid, c.Has(KeptChunk::kKey) ? kKeyFrameFlag : 0u, c.size};
    info->from = c.Position();  // every kept chunk is carried over as stored
    return true;
  };
}

// Sends bytes and copies of input ranges to the output, moving the bar.
class Copier {
 public:
  Copier(ByteInput& in, OutputStream& out, WalkSink* sink, int base, int span, uint64_t total)
      : in_(in), out_(out), sink_(sink), base_(base), span_(span), total_(total ? total : 1), buffer_(size_t(std::min<uint64_t>(kBlockBytes, total_))) {}

  RepairWrite Result() const { return result_; }
  bool Ok() const { return result_ == RepairWrite::Written; }
  uint64_t Written() const { return written_; }

  bool Put(const void* data, size_t count) {
    if (!Ok()) return false;
    if (!out_.Write(data, count)) return Fail(RepairWrite::WriteFailed);
    written_ += count;
    return Moved();
  }
  bool PutU32(uint32_t v) {
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    return Put(b, 4);
  }
  bool Copy(uint64_t at, uint64_t count) {
    if (!Ok() || count == 0) return Ok();
    if (count >= kSystemCopy && in_.Descriptor() >= 0) {
      const int64_t got = out_.AppendFromFile(in_.Descriptor(), at, count);
      if (got >= 0) {
        written_ += uint64_t(got);
        if (uint64_t(got) != count) in_.CheckShortRead(at, count, uint64_t(got));
        if (uint64_t(got) != count) return Fail(out_.Failed() ? RepairWrite::WriteFailed : RepairWrite::InputChanged);
        return Moved();
      }
    }
    while (count > 0) {
      const size_t n = size_t(std::min<uint64_t>(count, buffer_.size()));
      if (in_.ReadBulk(at, buffer_.data(), n) != n) return Fail(RepairWrite::InputChanged);
      if (!Put(buffer_.data(), n)) return false;
      at += n, count -= n;
    }
    return true;
  }

 private:
  bool Fail(RepairWrite why) {
    result_ = why;
    return false;
  }
  bool Moved() {
    if (!sink_) return true;
    const int cell = base_ + int(double(std::min(written_, total_)) * span_ / double(total_));
    if (cell > shown_) sink_->Progress(shown_ = cell);
    if (++calls_ % 64 == 0 || written_ - checked_ >= kBlockBytes) {
      checked_ = written_;
      if (sink_->Cancelled()) return Fail(RepairWrite::Cancelled);
    }
    return true;
  }

  ByteInput& in_;
  OutputStream& out_;
  WalkSink* sink_;
  int base_, span_;
  uint64_t total_;
  std::vector<uint8_t> buffer_;
  uint64_t written_ = 0;
  uint64_t checked_ = 0;
  uint64_t calls_ = 0;
  int shown_ = -1;
  RepairWrite result_ = RepairWrite::Written;
};

bool WriteHeader(const std::vector<Patch>& patches, uint64_t headerBytes, Copier& out) {
  uint64_t at = 0;
  for (const Patch& p : patches) {
    if (!out.Copy(at, p.at - at) || !out.PutU32(p.value)) return false;
    at = p.at + 4;
  }
  return out.Copy(at, headerBytes - at);
}

// Where the chunks go: the running offset from the "movi" list type, and
// the JUNK in front of the runs that share the input's blocks (block 0:
// none, the offsets of a plain repair).
struct ChunkPlacer {
  ChunkPlacer(uint32_t block, uint64_t moviType) : align(block), moviType(moviType) {}
  uint32_t Place(const KeptChunk& c) {
    const uint32_t junk = align.PadBefore(0, c.Position(), moviType + offset, Span(c.size));
    chunkOffset = offset + junk;
    offset = chunkOffset + Span(c.size);
    return junk;
  }
  CloneAligner align;
  uint64_t moviType;
  uint64_t offset = 4;
  uint64_t chunkOffset = 0;
};

uint64_t JunkBytes(const RepairScan& scan, uint32_t block) {
  ChunkPlacer placer(block, HeaderBytes(scan) - 4);
  uint64_t junk = 0;
  for (size_t i = 0; i < scan.chunks.Size(); ++i) junk += placer.Place(scan.chunks[i]);
  return junk;
}

bool PutJunk(Copier& out, uint32_t bytes) {
  static const uint8_t kZeros[4096] = {};
  if (!out.PutU32(kJunk) || !out.PutU32(bytes - 8)) return false;
  for (uint32_t left = bytes - 8; left > 0;) {
    const uint32_t take = std::min<uint32_t>(left, sizeof kZeros);
    if (!out.Put(kZeros, take)) return false;
    left -= take;
  }
  return true;
}

// The chunks as stored, runs of neighbours copied at once; a pad byte the
// input lacks (or holds as another value than 0) is written as 0.
bool WriteChunks(const RepairScan& scan, uint32_t block, Copier& out) {
  ChunkPlacer placer(block, HeaderBytes(scan) - 4);
  uint64_t runStart = 0, runEnd = 0;
  for (size_t i = 0; i < scan.chunks.Size(); ++i) {
    const KeptChunk& c = scan.chunks[i];
    const uint32_t junk = placer.Place(c);
    if (junk) {
      if (!out.Copy(runStart, runEnd - runStart) || !PutJunk(out, junk)) return false;
      runStart = runEnd = c.Position();
    }
    if (c.Position() != runEnd) {
      if (!out.Copy(runStart, runEnd - runStart)) return false;
      runStart = runEnd = c.Position();
    }
    runEnd += 8 + uint64_t(c.size);
    if ((c.size & 1) == 0) continue;
    if (!c.Has(KeptChunk::kUnpadded)) {
      runEnd += 1;
      continue;
    }
    const uint8_t zero = 0;
    if (!out.Copy(runStart, runEnd - runStart) || !out.Put(&zero, 1)) return false;
    runStart = runEnd;
  }
  return out.Copy(runStart, runEnd - runStart);
}

bool WriteIndex(const RepairScan& scan, uint32_t shareBlock, Copier& out) {
  if (!out.PutU32(kIdx1) || !out.PutU32(Clamp(16 * uint64_t(scan.chunks.Size())))) return false;
  std::vector<uint8_t> block;
  block.reserve(64 * 1024);
  auto put = [&block](uint32_t v) {
    for (int i = 0; i < 4; ++i) block.push_back(uint8_t(v >> (8 * i)));
  };
  ChunkPlacer placer(shareBlock, HeaderBytes(scan) - 4);  // offsets from the movi list type
  for (size_t i = 0; i < scan.chunks.Size(); ++i) {
    const KeptChunk& c = scan.chunks[i];
    placer.Place(c);
    put(c.ckid);
    put(c.Has(KeptChunk::kKey) ? kKeyFrameFlag : 0);
    put(uint32_t(placer.chunkOffset));
    put(c.size);
    if (block.size() >= 64 * 1024) {
      if (!out.Put(block.data(), block.size())) return false;
      block.clear();
    }
  }
  return out.Put(block.data(), block.size());
}

}  // namespace

bool MeasureRepairedFile(ByteInput& input, const RepairScan& scan, const OdmlLimits& limits, RepairedFigures* f,
                         std::string* problem) {
  f->versionOneBytes = HeaderBytes(scan) + MoviBytes(scan) + 8 + 16 * uint64_t(scan.chunks.Size());
  f->openDml = f->versionOneBytes >= limits.riffThreshold;
  f->fileBytes = f->versionOneBytes;
  if (!f->openDml) return true;
  OdmlPlan plan;
  if (!plan.Make(ShapeOf(input, scan, f->versionOneBytes), ListChunks(scan), limits)) {
    *problem = plan.Problem();
    return false;
  }
  f->fileBytes = plan.FileBytes();
  return true;
}

RepairWrite WriteRepairedFile(ByteInput& input, const RepairScan& scan, OutputStream& sink, WalkSink* walkSink,
                              int base, int span, const OdmlLimits& limits, std::string* problem,
                              const WriterOptions& options) {
  std::string ignored;
  if (!problem) problem = &ignored;
  uint64_t moviBytes = MoviBytes(scan);
  uint64_t versionOneBytes = HeaderBytes(scan) + moviBytes + 8 + 16 * uint64_t(scan.chunks.Size());
  OdmlPlan plan;
  std::unique_ptr<OdmlOutput> odml;
  if (versionOneBytes >= limits.riffThreshold) {
    // An OpenDML file lines up its runs itself where it shares blocks.
    OdmlShape shape = ShapeOf(input, scan, versionOneBytes);
    if (options.clone && input.Descriptor() >= 0) shape.shareBlock = sink.ShareBlocksWith(input.Descriptor());
    if (!plan.Make(shape, ListChunks(scan), limits)) {
      *problem = plan.Problem();
      return RepairWrite::TooLarge;
    }
    odml = std::make_unique<OdmlOutput>(sink, plan, ListChunks(scan));
  } else if (versionOneBytes > 0xFFFFFFFFull) {
    *problem = "a version-1 file cannot hold " + std::to_string(versionOneBytes) + " bytes";
    return RepairWrite::TooLarge;
  }
  // Block sharing of a version-1 file, where the file system can: the JUNK is
  // counted first, and left out (the file copied) where it would make the
  // file OpenDML.
  uint32_t block = 0;
  if (options.clone && !odml && input.Descriptor() >= 0) {
    block = sink.ShareBlocksWith(input.Descriptor());
    const uint64_t junk = block ? JunkBytes(scan, block) : 0;
    if (versionOneBytes + junk >= limits.riffThreshold || versionOneBytes + junk > 0xFFFFFFFFull) {
      block = 0;
    } else {
      versionOneBytes += junk;
      moviBytes += junk;
    }
  }
  Copier out(input, odml ? *odml : sink, walkSink, base, span, versionOneBytes);
  const std::vector<Patch> patches = HeaderPatches(input, scan, versionOneBytes, moviBytes);
  if (!WriteHeader(patches, HeaderBytes(scan), out) || !WriteChunks(scan, block, out) || !WriteIndex(scan, block, out))
    return out.Result();
  if (out.Written() != versionOneBytes) return RepairWrite::InputChanged;
  if (odml && !odml->Complete()) return RepairWrite::WriteFailed;
  return RepairWrite::Written;
}
