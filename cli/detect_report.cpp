// Printing and writing the breaks (cli/detect_report.h).
#include "cli/detect_report.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

#include "io/output_file.h"

namespace {

struct LabelledRange {
  double start, end;
  const char* label;
};

// The black and silent ranges by their start (black first where they start together).
std::vector<LabelledRange> ListRanges(const Breaks& breaks) {
  std::vector<LabelledRange> ranges;
  for (const BlackRange& r : breaks.black) ranges.push_back({r.start, r.end, "black"});
  for (const TimedRange& r : breaks.silence) ranges.push_back({r.start, r.end, "silence"});
  std::stable_sort(ranges.begin(), ranges.end(),
                   [](const LabelledRange& x, const LabelledRange& y) { return x.start < y.start; });
  return ranges;
}

bool EndsWithEdl(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(), [](char c) { return char(std::tolower(c)); });
  return tail == ".edl";
}

// Seconds as the text gives them (a millisecond) and as the lists do (a
// microsecond: a PCM silence is exact to the sample).
std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", s);
  return text;
}
std::string ListSeconds(double s) { return JsonFixed(s, 6); }

const char* Plural(size_t n, const char* one, const char* many) { return n == 1 ? one : many; }

}  // namespace

bool WriteBreakList(const Breaks& breaks, const std::string& path, std::string* why) {
  const bool edl = EndsWithEdl(path);
  std::string text;
  for (const LabelledRange& r : ListRanges(breaks))
    text += edl ? ListSeconds(r.start) + " " + ListSeconds(r.end) + " 0\n"
                : ListSeconds(r.start) + "," + ListSeconds(r.end) + "," + r.label + "\n";
  OutputFile out;
  if (out.Create(path) && out.Write(text.data(), text.size()) && out.Finish() && out.Commit()) return true;
  *why = "'" + path + "' cannot be written: " + out.Reason();
  return false;
}

void PrintBreaks(const Breaks& breaks, const BreakRequest& asked, const std::string& output) {
  std::printf("%u frames, pictures by %s%s%s\n", unsigned(breaks.frames),
              breaks.videoDecoder.empty() ? "none" : breaks.videoDecoder.c_str(),
              breaks.soundReader.empty() ? "" : ", sound by ", breaks.soundReader.c_str());
  if (asked.black) {
    std::printf("black     %zu %s of %s s or more\n", breaks.black.size(), Plural(breaks.black.size(), "range", "ranges"),
                Seconds(asked.minSeconds).c_str());
    for (const BlackRange& r : breaks.black)
      std::printf("  %10s - %10s s  frames %u to %u\n", Seconds(r.start).c_str(), Seconds(r.end).c_str(),
                  unsigned(r.firstFrame), unsigned(r.firstFrame + r.frames - 1));
  }
  if (asked.silence) {
    std::printf("silence   %zu %s of %s s or more%s\n", breaks.silence.size(),
                Plural(breaks.silence.size(), "range", "ranges"), Seconds(asked.minSeconds).c_str(),
                breaks.hasSound ? "" : " (the file has no sound)");
    for (const TimedRange& r : breaks.silence)
      std::printf("  %10s - %10s s\n", Seconds(r.start).c_str(), Seconds(r.end).c_str());
  }
  if (asked.scenes) {
    std::printf("scenes    %zu %s\n", breaks.scenes.size(), Plural(breaks.scenes.size(), "change", "changes"));
    for (const SceneChange& s : breaks.scenes)
      std::printf("  %10s s  frame %u\n", Seconds(s.seconds).c_str(), unsigned(s.frame));
  }
  if (!output.empty()) std::printf("%s\n", output.c_str());
}

void PrintBreaksJson(const Breaks& breaks, const BreakRequest& asked, const std::string& output) {
  JsonObject out;
  out.Int("result", 0).Int("frames", breaks.frames);
  if (asked.black) {
    JsonArray list;
    for (const BlackRange& r : breaks.black)
      list.Add(JsonObject()
                   .Fixed("start_seconds", r.start, 6)
                   .Fixed("end_seconds", r.end, 6)
                   .Int("first_frame", r.firstFrame)
                   .Int("frames", r.frames));
    out.Array("black", list);
  }
  if (asked.silence) {
    JsonArray list;
    for (const TimedRange& r : breaks.silence)
      list.Add(JsonObject().Fixed("start_seconds", r.start, 6).Fixed("end_seconds", r.end, 6));
    out.Array("silence", list);
    if (!breaks.hasSound) out.String("note", "the file has no sound");
  }
  if (asked.scenes) {
    JsonArray list;
    for (const SceneChange& s : breaks.scenes) list.Add(JsonObject().Int("frame", s.frame).Fixed("seconds", s.seconds, 6));
    out.Array("scenes", list);
  }
  if (!output.empty()) out.String("output", output);
  out.Print(stdout);
}
