// Building the shares of pieces (share/share_builder.h).
#include "share/share_builder.h"

#include <algorithm>
#include <cmath>

#include "avi/byte_input.h"
#include "avi/exact_time.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "avi/stream_format.h"
#include "share/share_math.h"
#include "writer/chunk_listing.h"


// One stream's entries in index order, passed one by one.
class StreamCursor {
 public:
  StreamCursor(const SplitSource& src, int stream)
      : index_(src.input, src.analysis.idx1Offset, src.analysis.idx1EntryTotal), stream_(stream) {
    FindNext();
  }
  // Passes entries until count of them are passed (or none is left).
  void PassCount(uint32_t n) {
    while (count < n && hasNext) Pass();
  }
  // Passes every entry that ends at or before byte `bytes` of the stream's data.
  void PassBytes(uint64_t bytes) {
    while (hasNext && data + nextLength <= bytes) Pass();
  }

  uint32_t count = 0;  // entries passed
  uint64_t data = 0;   // their data bytes
  uint64_t space = 0;  // their movi list bytes
  bool hasNext = false;
  uint32_t nextLength = 0;
  uint32_t nextAt = kNowhere;  // index entry of the next one
  uint32_t lastAt = kNowhere;  // index entry of the last one passed

 private:
  void Pass() {
    ++count;
    data += nextLength;
    space += ChunkSpace(nextLength);
    lastAt = nextAt;
    FindNext();
  }
  void FindNext() {
    hasNext = false;
    for (; i_ < index_.Total(); ++i_) {
      const IndexEntry e = index_.At(i_);
      if (StreamOfCkid(e.ckid) != stream_) continue;
      hasNext = true;
      nextLength = e.length;
      nextAt = i_++;
      return;
    }
    nextAt = kNowhere;
  }

  IndexReader index_;
  int stream_;
  uint32_t i_ = 0;
};

ShareBuilder::ShareBuilder(const SplitSource& src, uint32_t frameMicros, uint32_t videoFrames)
    : src_(src), a_(src.analysis), frameMicros_(frameMicros), videoFrames_(videoFrames) {
  for (uint32_t n = 0; n < a_.streamCount; ++n) {
    begin_[n].reset(new StreamCursor(src, int(n)));
    end_[n].reset(new StreamCursor(src, int(n)));
    sourceLength_[n] = src.input.U32At(a_.streams[n].lengthOffset);
    if (IsAudio(n)) blockBytes_[n] = src.input.U32At(a_.streams[n].sampleSizeOffset);
  }
}

ShareBuilder::~ShareBuilder() = default;

void ShareBuilder::CountSamplesByRates(uint32_t videoRate, uint32_t videoScale) {
  videoRate_ = videoRate;
  videoScale_ = videoScale;
  const std::vector<StreamFormat> formats = ReadStreamFormats(a_, src_.input);
  // strh: dwScale and dwRate lie 12 and 8 bytes before dwLength.
  for (uint32_t n = 0; n < a_.streamCount; ++n) {
    // Sound without a sample size (VBR) is no audio to the analysis, but
    // sound to an exact cut's whole frames.
    sound_[n] = n < formats.size() && formats[n].fccType == kAuds && int32_t(n) != a_.firstVideoStream;
    if (!sound_[n]) continue;
    audioScale_[n] = src_.input.U32At(a_.streams[n].lengthOffset - 12);
    audioRate_[n] = src_.input.U32At(a_.streams[n].lengthOffset - 8);
    const uint16_t tag = formats[n].formatTag;
    formatTag_[n] = tag;
    if (!IsAudio(n)) continue;
    wholeChunks_[n] = !(tag == 0x0001 || tag == 0x0003 || tag == 0x0006 || tag == 0x0007 || tag == 0xFFFE);
  }
}

bool ShareBuilder::IsAudio(uint32_t n) const {
  return a_.streams[n].type == StreamAudio && int32_t(n) != a_.firstVideoStream && !wholeChunks_[n];
}

uint64_t ShareBuilder::SampleAt(uint32_t n, uint32_t frame) const {
  if (videoRate_ == 0) return SamplesForFrames(frameMicros_, frame, a_.streams[n]);
  return SamplePosition(frame, videoRate_, videoScale_, audioRate_[n], audioScale_[n]);
}

// The piece of frames start .. end - 1; the last piece takes every entry
// from its start on.
Piece ShareBuilder::Build(uint32_t start, uint32_t end, bool last, const double* soundLead) {
  Piece p;
  p.startFrame = start;
  p.endFrame = last ? videoFrames_ : end;
  p.share.frames = p.endFrame - start;
  p.stretch.from = kNowhere;
  uint32_t to = 0;
  for (uint32_t n = 0; n < a_.streamCount; ++n) {
    StreamShare& s = p.share.streams[n];
    uint32_t lastEntry = kNowhere;
    if (int32_t(n) == a_.firstVideoStream) {
      ByCount(n, start, last ? kNowhere : end, s, &lastEntry);
      s.length = p.share.frames;
    } else if (IsAudio(n)) {
      ByBytes(n, start, end, last, s, &lastEntry);
    } else if (IsFrameSound(n)) {
      ByWholeFrames(n, start, end, last, soundLead ? &soundLead[n] : nullptr, s, &lastEntry, &p.sound[n]);
    } else {
      // In proportion to the video, by entries (dwLength likewise).
      const uint32_t entries = a_.streams[n].idx1EntryCount;
      const uint32_t b = ProportionOf(entries, start, videoFrames_);
      const uint32_t e = ProportionOf(entries, end, videoFrames_);
      ByCount(n, b, last ? kNowhere : e, s, &lastEntry);
      const uint32_t kept = (last ? entries : e) - b;
      s.length = entries == 0 ? 0 : ProportionOf(kept, sourceLength_[n], entries);
    }
    if (s.Entries() == 0) {
      p.stretch.startAt[n] = kNowhere;
      continue;
    }
    p.stretch.startAt[n] = begin_[n]->nextAt;
    p.stretch.startCount[n] = s.begin;
    if (begin_[n]->nextAt < p.stretch.from) p.stretch.from = begin_[n]->nextAt;
    if (lastEntry + 1 > to) to = lastEntry + 1;
  }
  if (p.stretch.from == kNowhere) p.stretch.from = 0;
  p.stretch.to = to;
  p.plannedBytes = ShareFileBytes(a_, p.share);
  return p;
}


// Entries b .. e - 1 of stream n, whole.
void ShareBuilder::ByCount(uint32_t n, uint32_t b, uint32_t e, StreamShare& s, uint32_t* lastEntry) {
  StreamCursor& from = *begin_[n];
  StreamCursor& to = *end_[n];
  from.PassCount(b);
  to.PassCount(e);
  s.begin = from.count;
  s.end = to.count;
  s.moviBytes = s.end > s.begin ? to.space - from.space : 0;
  *lastEntry = to.lastAt;
}


// The audio bytes [position of start, position of end) of stream n, cut
// inside the chunks that straddle either end.
void ShareBuilder::ByBytes(uint32_t n, uint32_t start, uint32_t end, bool last, StreamShare& s, uint32_t* lastEntry) {
  const uint64_t startSamples = SampleAt(n, start);
  const uint64_t endSamples = SampleAt(n, end);
  const uint64_t first = SampleBytes(startSamples, blockBytes_[n]);
  const uint64_t limit = last ? UINT64_MAX : SampleBytes(endSamples, blockBytes_[n]);
  // dwLength: the samples between the two positions, within the source's own length.
  const uint32_t length = sourceLength_[n];
  const uint32_t endAt = last || !(endSamples < length) ? length : uint32_t(endSamples);
  const uint32_t startAt = startSamples < length ? uint32_t(startSamples) : length;
  s.length = endAt > startAt ? endAt - startAt : 0;
  PlaceBytes(n, first, limit, last, s, lastEntry);
}

// The stream's bytes [first, limit) (limit UINT64_MAX with last: to its
// end), cut inside the chunks that straddle either end.
void ShareBuilder::PlaceBytes(uint32_t n, uint64_t first, uint64_t limit, bool last, StreamShare& s,
                              uint32_t* lastEntry) {
  StreamCursor& from = *begin_[n];
  StreamCursor& to = *end_[n];
  from.PassBytes(first);
  to.PassBytes(limit);
  s.begin = s.end = from.count;
  if (limit <= first) return;  // no sound in this piece
  const uint32_t skip = from.hasNext ? uint32_t(first - from.data) : 0;      // of the first chunk
  const uint32_t head = to.hasNext && !last ? uint32_t(limit - to.data) : 0;  // of the chunk after the whole ones
  s.end = to.count + (head != 0 ? 1 : 0);
  if (s.end <= s.begin) return;
  *lastEntry = head != 0 ? to.nextAt : to.lastAt;
  if (head != 0 && s.begin == to.count) {  // one chunk holds both cuts
    s.firstTail = to.nextLength - skip;
    s.lastHead = head;
    s.moviBytes = ChunkSpace(head - skip);
    return;
  }
  s.moviBytes = to.space - from.space;
  if (head != 0) {
    s.lastHead = head;
    s.moviBytes += ChunkSpace(head);
  }
  if (skip != 0) {
    s.firstTail = from.nextLength - skip;
    s.moviBytes = s.moviBytes - ChunkSpace(from.nextLength) + ChunkSpace(s.firstTail);
  }
}


// Compressed sound of an exact cut: not PCM, with a rate to time it by.
bool ShareBuilder::IsFrameSound(uint32_t n) const {
  return byFrames_ && sound_[n] && !IsAudio(n) && audioRate_[n] != 0 && audioScale_[n] != 0 && videoRate_ != 0;
}

// The boundary nearest the time of video frame `frame` plus `shift`
// seconds, looked for from where `cursor` stands once it has passed the
// bytes well before it.
FrameBoundary ShareBuilder::NearestBoundary(uint32_t n, StreamCursor& cursor, uint32_t frame, double shift) {
  FrameSearch search;
  search.stream = int(n);
  search.formatTag = formatTag_[n];
  search.bytesPerSecond = double(audioRate_[n]) * blockBytes_[n] / audioScale_[n];
  search.target = std::max(0.0, (VideoSeconds(frame) + shift) * search.bytesPerSecond);
  const uint64_t before = uint64_t(search.target);
  cursor.PassBytes(before > kFrameReach ? before - kFrameReach : 0);
  search.fromEntry = cursor.hasNext ? cursor.nextAt : kNowhere;
  search.fromByte = cursor.data;
  return NearestFrameBoundary(src_, search);
}

// Where a piece's compressed sound ends go. On its own: at the frames
// nearest its first picture and the picture after its last. Joined to the
// pieces before it in one file (lead: how much longer their sound is than
// their pictures), whole frames each nearest its own picture would add up
// to ever more over many ranges; so the start goes nearest its picture's
// time plus the lead (the sound then plays lead - startOffset late all
// through the piece) and the end nearest the end picture's time less that,
// which keeps the sound so far nearest as long as the pictures so far.
// This is the end's shift from the end picture's time.
static double EndShift(const double* lead, double startOffset) { return lead ? startOffset - *lead : 0; }

// Compressed sound by whole frames: from the frame that begins nearest the
// range's first picture to the one nearest the picture after its last (or
// where the lead asks, above).
void ShareBuilder::ByWholeFrames(uint32_t n, uint32_t start, uint32_t end, bool last, const double* lead,
                                 StreamShare& s, uint32_t* lastEntry, SoundFrameEnds* ends) {
  if (blockBytes_[n] == 0) return ByFrameChunks(n, start, end, last, lead, s, lastEntry, ends);
  const double bytesPerSecond = double(audioRate_[n]) * blockBytes_[n] / audioScale_[n];
  const double startShift = lead ? *lead : 0;
  const FrameBoundary first =
      start == 0 && startShift <= 0 ? FrameBoundary{0, 0} : NearestBoundary(n, *begin_[n], start, startShift);
  ends->startOffset = double(first.at) / bytesPerSecond - VideoSeconds(start);
  const FrameBoundary limit = last ? FrameBoundary{UINT64_MAX, 0}
                                   : NearestBoundary(n, *end_[n], end, EndShift(lead, ends->startOffset));
  // dwLength: the kept bytes in samples of dwSampleSize, within the source's own length.
  const uint64_t length = sourceLength_[n];
  const uint64_t startAt = std::min<uint64_t>(first.at / blockBytes_[n], length);
  const uint64_t endAt = last ? length : std::min<uint64_t>(limit.at / blockBytes_[n], length);
  s.length = uint32_t(endAt > startAt ? endAt - startAt : 0);
  PlaceBytes(n, first.at, limit.at, last, s, lastEntry);
  ends->placed = true;
  ends->frameSeconds = first.frameSeconds != 0 ? first.frameSeconds : limit.frameSeconds;
  ends->endCut = !last;
  if (!last) ends->endOffset = double(limit.at) / bytesPerSecond - VideoSeconds(end);
}

// The chunk of a frame-a-chunk stream that begins nearest the time of
// video frame `frame` plus `shift` seconds: k = round(time x dwRate /
// dwScale), in whole numbers where there is no shift.
uint32_t ShareBuilder::NearestChunk(uint32_t n, uint32_t frame, double shift) const {
  if (shift == 0) {
    const uint64_t twice = SamplePosition(uint64_t(frame) * 2, videoRate_, videoScale_, audioRate_[n], audioScale_[n]);
    return ClampU32((twice + 1) / 2);
  }
  const double k = std::floor((VideoSeconds(frame) + shift) * audioRate_[n] / audioScale_[n] + 0.5);
  return k <= 0 ? 0 : ClampU32(uint64_t(k));
}

// Sound of a frame a chunk (no sample size: VBR MP3, AC-3 as FFmpeg muxes
// it), each chunk lasting dwScale / dwRate: the chunks from the one that
// begins nearest the range's first picture to the one nearest the picture
// after its last (or where the lead asks, above).
void ShareBuilder::ByFrameChunks(uint32_t n, uint32_t start, uint32_t end, bool last, const double* lead,
                                 StreamShare& s, uint32_t* lastEntry, SoundFrameEnds* ends) {
  const double chunkSeconds = double(audioScale_[n]) / audioRate_[n];
  const uint32_t b = NearestChunk(n, start, lead ? *lead : 0);
  begin_[n]->PassCount(b);
  ends->startOffset = begin_[n]->count * chunkSeconds - VideoSeconds(start);
  const double endShift = EndShift(lead, ends->startOffset);
  ByCount(n, b, last ? kNowhere : NearestChunk(n, end, endShift), s, lastEntry);
  s.length = s.Entries();
  ends->placed = true;
  ends->frameSeconds = chunkSeconds;
  ends->endCut = !last;
  if (!last) ends->endOffset = s.end * chunkSeconds - VideoSeconds(end);
}
