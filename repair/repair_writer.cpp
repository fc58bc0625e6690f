// The repaired file on the output skeleton (writer/avi_writer.h): the
// input's header with the figures that depend on the chunks edited in, and a
// listing of the scan's kept chunks, every one carried over as stored. The
// chunks that lie back to back in the input go as runs of its bytes (long
// ones copied by the system); a chunk whose pad byte the input lacks gets a
// zero one.
#include "repair/repair_writer.h"

#include <algorithm>
#include <memory>

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "writer/avi_writer.h"

namespace {

constexpr uint32_t kHasIndex = 0x10;  // avih dwFlags AVIF_HASINDEX

uint32_t Clamp(uint64_t v) { return uint32_t(std::min<uint64_t>(v, 0xFFFFFFFFu)); }

uint32_t StreamLength(const RepairStream& s) {
  if (s.fccType == kAuds && s.sampleSize) return Clamp(s.bytes / s.sampleSize);
  return Clamp(s.chunks);
}

// The kept chunks in file order; positions count them.
class KeptListing : public ChunkListing {
 public:
  KeptListing(const RepairScan& scan, ByteInput& input) : scan_(scan), input_(Unowned(input)) {}

  bool Next(OutChunk& c) override {
    if (next_ >= scan_.chunks.Size()) return false;
    const KeptChunk& k = scan_.chunks[next_];
    c.Clear();
    c.position = next_++;
    c.ckid = k.ckid;
    c.flags = k.Has(KeptChunk::kKey) ? kKeyFrameFlag : 0u;
    c.chunkAt = k.Position();
    c.carried = 0;
    c.stored = (k.size & 1) && k.Has(KeptChunk::kUnpadded) ? Stored::ButPad : Stored::Whole;
    c.Add(ChunkPiece{input_, k.Position() + 8, nullptr, k.size});
    return true;
  }

 private:
  const RepairScan& scan_;
  std::shared_ptr<ByteInput> input_;
  size_t next_ = 0;
};

// The figures made true: avih's has-index flag and frames, each stream's
// length and buffer size, a dmlh frame count; an indx super index becomes
// JUNK of the same size.
void EditHeader(ByteInput& in, const RepairScan& scan, HeaderEdits& edits) {
  edits.Field(scan.avih + 8 + 12, in.U32At(scan.avih + 8 + 12) | kHasIndex);
  edits.Field(scan.avih + 8 + 16, Clamp(scan.VideoFrames()));
  for (uint32_t s = 0; s < scan.streamCount; ++s) {
    const RepairStream& st = scan.streams[s];
    edits.Field(st.strh + 8 + 32, StreamLength(st));
    edits.Field(st.strh + 8 + 36, st.largest);
  }
  for (uint64_t at : scan.indx) edits.Field(at, kJunk);
  if (scan.dmlhFrames) edits.Field(scan.dmlhFrames, Clamp(scan.VideoFrames()));
}

AviOutput OutputOf(ByteInput& in, const RepairScan& scan) {
  AviOutput out;
  out.chunks = [&scan, &in] { return std::make_unique<KeptListing>(scan, in); };
  out.header = Unowned(in);
  out.headerBytes = scan.moviList + 12;
  EditHeader(in, scan, out.edits);
  for (size_t i = 0; i < scan.chunks.Size(); ++i) out.moviBytes += ChunkSpace(scan.chunks[i].size);
  out.entries = scan.chunks.Size();
  out.shape = OdmlShape{&in, scan.moviList + 8, scan.avih + 8 + 16, scan.streamCount, scan.videoStream, {}, 0};
  for (uint32_t s = 0; s < scan.streamCount; ++s)
    if (scan.streams[s].fccType == kAuds) out.shape.sampleSize[s] = scan.streams[s].sampleSize;
  return out;
}

// How a repair hands its bytes over, as it always has: runs, and the header
// between its fields, from 256 KiB file to file.
CopyHabits RepairHabits() {
  CopyHabits habits;
  habits.fileCopyFrom = 256 * 1024;
  habits.runs = true;
  habits.headerRuns = true;
  return habits;
}

}  // namespace

bool MeasureRepairedFile(ByteInput& input, const RepairScan& scan, const OdmlLimits& limits, RepairedFigures* f,
                         std::string* problem) {
  const AviOutput out = OutputOf(input, scan);
  f->versionOneBytes = out.VersionOneBytes();
  f->openDml = f->versionOneBytes >= limits.riffThreshold;
  f->fileBytes = MeasureOutput(out, limits, problem);
  return f->fileBytes != 0;
}

WriteResult WriteRepairedFile(ByteInput& input, const RepairScan& scan, OutputStream& file, WalkSink* sink, int base,
                              int span, const OdmlLimits& limits, std::string* problem, const WriterOptions& options) {
  AviOutput out = OutputOf(input, scan);
  out.file = &file;
  WriteSettings how(limits, options, RepairHabits(), sink);
  const int chunkSpan = span * 88 / 90;
  how.bar = BarSpan{base, chunkSpan, base + chunkSpan, span - chunkSpan, true};
  const WriteOutcome outcome = WriteAviOutput(out, how);
  if (problem) *problem = outcome.problem;
  return outcome.result;
}
