// The shares of pieces of one input (share/output_share.h) for pieces whose
// starts and ends only grow: each stream followed by two cursors over the
// index (where a piece begins, where it ends) that only move forward, so
// building any number of pieces reads the index a fixed number of times.
//
// The first video stream gives a piece its frames start .. end - 1; audio of
// a constant sample size is cut inside chunks at absolute sample positions
// counted from the input's start; every other stream takes its entries in
// proportion to the video, as the two-way split at each end would.
//
//   ShareBuilder builder(source, frameMicros, videoFrames);
//   Piece p = builder.Build(start, end, end == videoFrames);
#pragma once
#include <cstdint>
#include <memory>

#include "share/frame_boundary.h"
#include "share/output_share.h"
#include "share/split_source.h"

// An index entry that is not there (none met yet, none to come).
constexpr uint32_t kNowhere = 0xFFFFFFFFu;

// Where an exact cut put the ends of a compressed sound stream: at whole
// frames, the time of the first kept frame less that of the range's first
// picture, and likewise at its end; in seconds of the source.
struct SoundFrameEnds {
  bool placed = false;      // this stream was cut by whole frames
  double startOffset = 0;
  bool endCut = false;      // false: the sound runs on to its end (the range to the video's end)
  double endOffset = 0;
  double frameSeconds = 0;  // a frame's length there (0: not known)
};

struct Piece {
  uint32_t startFrame = 0;  // a key frame
  uint32_t endFrame = 0;    // the next piece's cut (a key frame), or the video's end
  OutputShare share;
  IndexStretch stretch;
  uint64_t plannedBytes = 0;  // as a version-1 file
  SoundFrameEnds sound[kMaxStreams];
};

class StreamCursor;

class ShareBuilder {
 public:
  ShareBuilder(const SplitSource& src, uint32_t frameMicros, uint32_t videoFrames);
  ~ShareBuilder();

  // Sound positions from the streams' own rates: frame f begins at sample
  // floor(f x scale_v x rate_a / (rate_v x scale_a)) of an audio stream
  // (its strh dwRate / dwScale), instead of the split's
  // floor(U x f x samples a second / 10^6) from the frame time U. Only
  // uncompressed sound (PCM, float, A-law, mu-law) is then cut inside its
  // chunks: compressed sound that carries a sample size (MP3 muxed as CBR)
  // goes by whole chunks in proportion to the video, as the other streams
  // do, so that no output begins or ends inside one of its frames.
  void CountSamplesByRates(uint32_t videoRate, uint32_t videoScale);

  // An exact cut's sound (after CountSamplesByRates): compressed sound
  // starts and ends at the whole frame nearest the picture's time instead,
  // a chunk a frame where the stream has no sample size (VBR MP3, AC-3 as
  // FFmpeg writes it), else at the frame's byte (share/frame_boundary.h).
  // The difference each makes goes into Piece::sound.
  void CutSoundByFrames() { byFrames_ = true; }

  // The piece of frames start .. end - 1; the last piece takes every entry
  // from its start on. soundLead (pieces joined in one file, exact cut):
  // for each stream, how much longer the sound of the pieces before is
  // than their pictures (seconds); a compressed stream's ends then go to
  // the frames that keep the sound in step with the picture over the whole
  // file (null: the piece on its own).
  Piece Build(uint32_t start, uint32_t end, bool last, const double* soundLead = nullptr);

 private:
  bool IsAudio(uint32_t n) const;
  uint64_t SampleAt(uint32_t n, uint32_t frame) const;
  void ByCount(uint32_t n, uint32_t b, uint32_t e, StreamShare& s, uint32_t* lastEntry);
  void ByBytes(uint32_t n, uint32_t start, uint32_t end, bool last, StreamShare& s, uint32_t* lastEntry);
  void PlaceBytes(uint32_t n, uint64_t first, uint64_t limit, bool last, StreamShare& s, uint32_t* lastEntry);
  bool IsFrameSound(uint32_t n) const;
  void ByWholeFrames(uint32_t n, uint32_t start, uint32_t end, bool last, const double* lead, StreamShare& s,
                     uint32_t* lastEntry, SoundFrameEnds* ends);
  void ByFrameChunks(uint32_t n, uint32_t start, uint32_t end, bool last, const double* lead, StreamShare& s,
                     uint32_t* lastEntry, SoundFrameEnds* ends);
  FrameBoundary NearestBoundary(uint32_t n, StreamCursor& cursor, uint32_t frame, double shift);
  uint32_t NearestChunk(uint32_t n, uint32_t frame, double shift) const;
  double VideoSeconds(uint32_t frame) const { return double(frame) * videoScale_ / videoRate_; }

  const SplitSource& src_;
  const AviAnalysis& a_;
  uint32_t frameMicros_;
  uint32_t videoFrames_;
  uint32_t videoRate_ = 0;  // 0: the split's sample positions
  uint32_t videoScale_ = 0;
  std::unique_ptr<StreamCursor> begin_[kMaxStreams];
  std::unique_ptr<StreamCursor> end_[kMaxStreams];
  uint32_t sourceLength_[kMaxStreams] = {};
  uint32_t blockBytes_[kMaxStreams] = {};
  uint32_t audioRate_[kMaxStreams] = {};
  uint32_t audioScale_[kMaxStreams] = {};
  bool wholeChunks_[kMaxStreams] = {};  // sound with a sample size taken by whole chunks
  uint16_t formatTag_[kMaxStreams] = {};
  bool sound_[kMaxStreams] = {};  // strh fccType auds (VBR too)
  bool byFrames_ = false;
};
