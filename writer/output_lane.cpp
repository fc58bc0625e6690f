#include "writer/output_lane.h"

#include <cstring>

#include "avi/fourcc.h"
#include "avi/little_endian.h"

namespace {

constexpr size_t kIndexBlock = 64 * 1024;  // idx1 bytes handed over at a time
const uint8_t kZero = 0;

uint32_t Clamp(uint64_t v) { return v > 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(v); }

}  // namespace

std::string OutputLane::Route(const OdmlLimits& limits, bool clone, const CopyHabits& habits, SourceReader& reader) {
  const std::string why = RouteOutput(*out_, limits, clone, &route_);
  if (!why.empty()) return why;
  reader_ = &reader;
  headerRuns_ = habits.headerRuns;
  runs_ = habits.runs || route_.shares;
  OutputStream* shareWith = route_.shares ? out_->file : nullptr;
  copier_ = std::make_unique<RunCopier>(Stream(), reader, habits, shareWith, route_.junkBlock);
  return "";
}

// The writer's edits, and the sizes the route gives: RIFF, movi list.
bool OutputLane::WriteHeader() {
  const AviOutput& out = *out_;
  HeaderEdits edits = out.edits;
  edits.Field(4, Clamp(route_.versionOneBytes - 8));
  edits.Field(out.headerBytes - 8, Clamp(4 + route_.moviBytes));
  edits.Field(out.headerBytes - 4, kMovi);
  RunCopier& copier = *copier_;
  auto copy = [&](uint64_t from, uint64_t to) {
    if (to == from) return true;
    return headerRuns_ ? copier.Run(out.header, from, to - from) : copier.Copy(out.header, from, to - from);
  };
  uint64_t at = 0;
  for (const HeaderEdits::Edit* e : edits.Applied(out.headerBytes)) {
    if (!copy(at, e->at) || (!e->bytes.empty() && !copier.Put(e->bytes.data(), e->bytes.size()))) return false;
    at = e->at + e->count;
  }
  return copy(at, out.headerBytes);
}

void OutputLane::Start() {
  listing_ = out_->chunks();
  placer_ = ChunkPlacer(route_.junkBlock, out_->MoviType());
  Advance();
}

// A chunk the listing makes: its code, its size, its pieces, a pad.
bool OutputLane::WriteMadeChunk(const OutChunk& c) {
  RunCopier& out = *copier_;
  if (!out.EndRun()) return false;
  const std::shared_ptr<ByteInput>& first = c.pieces[0].input;
  if (c.mustHold != 0 && !out.Holds(first, c.mustHold)) return false;
  if (!(c.chunkAt != OutChunk::kOwnCode ? out.Copy(first, c.chunkAt, 4) : out.PutU32(c.ckid))) return false;
  if (!out.PutU32(c.size)) return false;
  for (int p = 0; p < c.pieceCount; ++p) {
    const ChunkPiece& piece = c.pieces[p];
    if (!(piece.input ? out.Copy(piece.input, piece.at, piece.bytes) : out.Put(piece.memory, piece.bytes)))
      return false;
  }
  return (c.size & 1) == 0 || out.Put(&kZero, 1);
}

// The JUNK its placer puts in front, then the chunk: a carried one that
// lies as written joins the run, any other is made.
bool OutputLane::WriteChunk() {
  const OutChunk& c = next_;
  RunCopier& out = *copier_;
  const uint32_t junk = placer_.Place(c);
  if (junk != 0 && !out.PutJunk(junk)) return false;
  uint64_t runBytes = 0;
  if (!(runs_ && c.Carried() && reader_->Stored(c, &runBytes))) return WriteMadeChunk(c);
  if (!out.Run(c.pieces[0].input, c.chunkAt, runBytes)) return false;
  return runBytes == ChunkSpace(c.size) || out.Put(&kZero, 1);  // a pad the input lacks
}

bool OutputLane::StartIndex() {
  index_.resize(kIndexBlock);
  indexFill_ = 0;
  return copier_->EndRun() && copier_->PutU32(kIdx1) && copier_->PutU32(uint32_t(16 * out_->entries));
}

bool OutputLane::AddIndexEntry() {
  const OutChunk& c = next_;
  placer_.Place(c);
  // The fields are read first and the entry made apart, then copied: byte
  // stores may alias anything, so the compiler would read again whatever
  // came after them (measured: half as many instructions again).
  const uint32_t fields[4] = {c.ckid, c.flags, uint32_t(placer_.Offset()), c.size};
  uint8_t entry[16];
  for (int f = 0; f < 4; ++f) PutLeU32(entry + 4 * f, fields[f]);
  std::memcpy(index_.data() + indexFill_, entry, 16);
  indexFill_ += 16;
  return indexFill_ < kIndexBlock || FinishIndex();
}

bool OutputLane::FinishIndex() {
  const bool put = copier_->Put(index_.data(), indexFill_);
  indexFill_ = 0;
  return put;
}

bool OutputLane::Complete() const {
  if (copier_->Written() != route_.versionOneBytes) return false;
  return !route_.odml || route_.odml->Complete();
}
