#include "dub/dub_listing.h"

#include <algorithm>
#include <vector>

#include "avi/exact_time.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"

namespace {

constexpr uint32_t kMostChunkBytes = 1 << 20;

class DubListing : public ChunkListing {
 public:
  explicit DubListing(const DubPlan& p)
      : p_(p), f_(p.sound->Format()), index_(*p.input, p.analysis->idx1Offset, p.analysis->idx1EntryTotal),
        cursor_(p.sound->Begin()), input_(p.sound->Input()) {
    ckid_ = FourCC(char('0' + p.stream / 10), char('0' + p.stream % 10), 'w', 'b');
    if (f_.pcm) {
      const uint64_t half = std::max<uint64_t>(1, uint64_t(f_.rate) / f_.scale / 2);
      chunkUnits_ = std::max<uint64_t>(1, std::min<uint64_t>(half, kMostChunkBytes / f_.blockAlign));
    }
    if (p.offset.method == OffsetMethod::Silence) silence_ = p.offset.units;
    if (p.offset.method == OffsetMethod::Trim || p.offset.method == OffsetMethod::Frames) skip_ = p.offset.units;
    if (p.offset.method == OffsetMethod::Start) start_ = p.offset.units;
    LoadEntry();
  }

  bool Next(OutChunk& c) override {
    c.Clear();
    c.position = n_++;
    if (SoundDue()) return MakeSound(c);
    if (!haveEntry_) return false;
    const uint64_t at = ChunkPosition(p_.analysis->chunkBase, entry_);
    c.ckid = entry_.ckid;
    c.flags = entry_.flags;
    c.chunkAt = at;
    c.mustHold = at + 8 + entry_.length;
    c.Add(ChunkPiece{p_.input, at + 8, nullptr, entry_.length});
    if (StreamOfCkid(entry_.ckid) == p_.analysis->firstVideoStream) ++frame_;
    LoadEntry();
    return true;
  }
  bool Failed() const override { return cursor_->Failed(); }

 private:
  void LoadEntry() {
    haveEntry_ = false;
    while (i_ < index_.Total()) {
      entry_ = index_.At(i_++);
      const int s = StreamOfCkid(entry_.ckid);
      if (s < 0 || uint32_t(s) >= p_.analysis->streamCount || s == p_.dropped) continue;
      haveEntry_ = true;
      return;
    }
  }

  // Sound is due before the next entry while it has not reached the end of
  // the frame that entry belongs to (of the last frame, all of it).
  bool SoundDue() {
    if (!MoreSound()) return false;
    if (!haveEntry_) return true;
    const uint64_t end = SamplePosition(frame_ + 1, p_.videoRate, p_.videoScale, f_.rate, f_.scale);
    return start_ + emitted_ < end;
  }
  bool MoreSound() {
    if (silence_ > 0 || (havePiece_ && left_.bytes > 0)) return true;
    return Pull();
  }
  // The next source piece, the units to take off taken off.
  bool Pull() {
    while (cursor_->Next(&piece_)) {
      left_ = piece_;
      if (skip_ > 0) {
        if (!f_.pcm || left_.units <= skip_) {
          skip_ -= std::min(skip_, left_.units);
          continue;
        }
        left_.at += skip_ * f_.blockAlign;
        left_.bytes -= uint32_t(skip_ * f_.blockAlign);
        left_.units -= skip_;
        skip_ = 0;
      }
      if (left_.bytes == 0) continue;
      return havePiece_ = true;
    }
    return havePiece_ = false;
  }

  bool MakeSound(OutChunk& c) {
    c.ckid = ckid_;
    c.flags = kKeyFrameFlag;
    if (!f_.pcm) {  // a frame or a source chunk, whole
      c.Add(ChunkPiece{input_, left_.at, nullptr, left_.bytes});
      emitted_ += left_.units;
      left_.bytes = 0;
      return true;
    }
    uint64_t want = chunkUnits_;
    if (silence_ > 0) {
      const uint64_t n = std::min(want, silence_);
      silenceBytes_.resize(std::max<size_t>(silenceBytes_.size(), size_t(n * f_.blockAlign)), PcmSilenceByte(f_));
      c.Add(ChunkPiece{nullptr, 0, silenceBytes_.data(), uint32_t(n * f_.blockAlign)});
      silence_ -= n, want -= n, emitted_ += n;
    }
    while (want > 0 && c.pieceCount < kMaxChunkPieces && MoreSound() && silence_ == 0) {
      const uint64_t n = std::min(want, left_.units);
      const uint32_t bytes = uint32_t(n * f_.blockAlign);
      c.Add(ChunkPiece{input_, left_.at, nullptr, bytes});
      left_.at += bytes, left_.bytes -= bytes, left_.units -= n;
      want -= n, emitted_ += n;
    }
    return true;
  }

  const DubPlan& p_;
  const SoundFormat& f_;
  IndexReader index_;
  std::unique_ptr<SoundCursor> cursor_;
  std::shared_ptr<ByteInput> input_;
  uint32_t ckid_ = 0;
  uint64_t chunkUnits_ = 0;
  uint64_t silence_ = 0, skip_ = 0, start_ = 0;
  uint64_t emitted_ = 0;  // units of the new stream so far
  uint64_t frame_ = 0;    // video frames so far
  uint64_t n_ = 0;
  uint32_t i_ = 0;
  IndexEntry entry_{};
  bool haveEntry_ = false;
  SoundPiece piece_, left_;
  bool havePiece_ = false;
  std::vector<uint8_t> silenceBytes_;  // silence's bytes, as many as a chunk takes
};

}  // namespace

std::unique_ptr<ChunkListing> MakeDubListing(const DubPlan& plan) { return std::make_unique<DubListing>(plan); }

DubFigures CountDubListing(const DubPlan& plan) {
  DubFigures f;
  const uint32_t ckid = FourCC(char('0' + plan.stream / 10), char('0' + plan.stream % 10), 'w', 'b');
  const SoundFormat& sound = plan.sound->Format();
  auto listing = MakeDubListing(plan);
  OutChunk c;
  while (listing->Next(c)) {
    f.moviBytes += ChunkSpace(c.size);
    f.entries++;
    if (c.ckid == ckid && c.chunkAt == OutChunk::kOwnCode) {
      f.soundChunks++;
      f.largestSound = std::max(f.largestSound, c.size);
      f.soundUnits += sound.sampleSize ? c.size / sound.sampleSize : 1;
    }
  }
  f.failed = listing->Failed();
  return f;
}
