#include "avi/video_facts.h"

#include <cmath>
#include <cstdio>

#include "avi/avi_source.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "avi/stream_description.h"
#include "avi/stream_format.h"
#include "texts/avi_texts.h"

namespace {

// Key frames of the first video stream, and the longest run of frames
// from one key frame to the next (or to the end).
void CountKeyFrames(ByteInput& input, const AviAnalysis& a, VideoFacts& f) {
  IndexReader index(input, a.idx1Offset, a.idx1EntryTotal);
  uint32_t frame = 0, lastKey = 0;
  bool seenKey = false;
  for (uint32_t i = 0; i < index.Total(); ++i) {
    const IndexEntry e = index.At(i);
    if (StreamOfCkid(e.ckid) != a.firstVideoStream) continue;
    if (e.flags & kKeyFrameFlag) {
      if (seenKey && frame - lastKey > f.longestGroup) f.longestGroup = frame - lastKey;
      seenKey = true;
      lastKey = frame;
      f.keyFrames++;
    }
    frame++;
  }
  if (seenKey && frame - lastKey > f.longestGroup) f.longestGroup = frame - lastKey;
}

std::string Number(const char* format, double value) {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

VideoFacts ReadVideoFacts(ByteInput& input, const AviAnalysis& a) {
  VideoFacts f;
  if (a.firstVideoStream < 0 || a.firstVideoStream >= int(kMaxStreams)) return f;
  const StreamEntry& entry = a.streams[a.firstVideoStream];
  const StreamFormat format = entry.lengthOffset >= 40 ? ReadStreamFormat(input, entry.lengthOffset - 40) : StreamFormat();
  const uint32_t frameMicros = a.microSecPerFrameOffset ? input.U32At(a.microSecPerFrameOffset) : 0;
  f.hasVideo = true;
  f.frames = EntriesOfStream(a, a.firstVideoStream);
  f.seconds = double(frameMicros) * double(f.frames) * 0.000001;
  f.fps = format.scale ? double(format.rate) / double(format.scale) : 0.0;
  f.codec = DescribeStream(format, entry).codec;
  if (a.idx1Offset) CountKeyFrames(input, a, f);
  f.longestGroupSeconds = double(frameMicros) * double(f.longestGroup) * 0.000001;
  return f;
}

bool ReadVideoFactsOfFile(const std::string& path, VideoFacts* facts) {
  AviSource input;
  if (!input.Open(path.c_str())) return false;
  if (input.File().U32At(0) != kRiff || input.File().U32At(8) != kAviForm) return false;
  AviAnalysis analysis{};
  if (!input.Analyse(analysis, nullptr, 0, 10) || input.File().Fault()) return false;
  *facts = ReadVideoFacts(input.Input(), analysis);
  return !input.File().Fault();
}

std::string PlayingTimeText(double seconds) {
  const double whole = std::floor(seconds);
  const unsigned long total = static_cast<unsigned long>(whole);
  char text[48];
  std::snprintf(text, sizeof text, "%lu:%02lu:%06.3f", total / 3600, total / 60 % 60,
                seconds - double(total - total % 60));
  return text;
}

std::string VideoFactsLine(const VideoFacts& f, int englishUi) {
  if (!f.hasVideo) return Pick(texts::kVideoFactsNoVideo, englishUi);
  const std::string clock = PlayingTimeText(f.seconds), frames = std::to_string(f.frames), fps = Number("%.3f", f.fps);
  if (f.keyFrames == 0) return Fill(Pick(texts::kVideoFactsNoKeyFrame, englishUi), {clock, frames, fps, f.codec});
  return Fill(Pick(texts::kVideoFacts, englishUi),
              {clock, frames, fps, f.codec, Number("%.1f", f.AverageGroup()), std::to_string(f.longestGroup),
               Number("%.2f", f.longestGroupSeconds)});
}
