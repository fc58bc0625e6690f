// The Split page of the real Tavrin.exe. The line under its file field: the
// hint while no file is chosen, the recording's facts once one is (playing
// time, frames and rate, codec, key-frame spacing), the very numbers
// `tavrin info --json` gives; the hint again once the field is emptied.
// Save in: the split's outputs land in that folder, and the folder is
// remembered in Tavrin.ini for the next start.
// Runs in English and Japanese.
#include <cstdio>
#include <cstdlib>

#include "io/wide_path.h"
#include "tests/win/lib/app.h"
#include "tests/win/lib/shots.h"

using namespace wt;

namespace {

// A number field of the JSON's "video" object, as its text.
std::string Field(const std::string& json, const std::string& key) {
  const size_t at = json.find("\"" + key + "\": ");
  if (at == std::string::npos) return "<none>";
  size_t from = at + key.size() + 4, to = from;
  if (json[from] == '"') return json.substr(from + 1, json.find('"', from + 1) - from - 1);
  while (to < json.size() && json[to] != ',' && json[to] != '}') ++to;
  return json.substr(from, to - from);
}

std::string Fixed(const std::string& number, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, std::atof(number.c_str()));
  return text;
}

}  // namespace

int main() {
  if (!Begin(60000)) return Summary();
  const std::string folder = MakeDir("facts");
  const std::string clip = CopySample("ffmpeg_mpeg4_mp3_g25_150s.avi", "clip.avi", folder);
  const std::wstring hint =
      Lang(L"(You can drag AVI file)",
           L"\uFF08\u30C9\u30E9\u30C3\u30B0\u3067\u30D5\u30A1\u30A4\u30EB\u540D\u5165\u529B\u53EF\uFF09");

  Case("a chosen recording: its facts under the field, as tavrin info gives them");
  const std::string json = NativeTavrin("info " + ShellPath(clip) + " --json", folder + "\\info.json");
  const std::string video = json.substr(json.find("\"video\""));
  const std::string seconds = Field(video, "seconds");
  const double total = std::atof(seconds.c_str());
  char clock[32];
  std::snprintf(clock, sizeof clock, "%d:%02d:%06.3f", int(total) / 3600, int(total) / 60 % 60,
                total - 60 * (int(total) / 60));
  const std::string frames = Field(video, "frames"), fps = Fixed(Field(video, "fps"), 3);
  const std::string codec = Field(video, "codec"), average = Fixed(Field(video, "key_frame_spacing_average"), 1);
  const std::string longest = Field(video, "key_frame_spacing_longest");
  const std::string longestSeconds = Fixed(Field(video, "key_frame_spacing_longest_seconds"), 2);
  // u8: UTF-8 whatever the test's own code page.
  const std::string want =
      Japanese() ? std::string(clock) + u8"、" + frames + u8" フレーム、" + fps + u8" fps、" +
                       codec + u8"、キーフレーム間隔 平均 " + average +
                       u8"・最大 " + longest + u8"（" + longestSeconds + u8" 秒）"
                 : std::string(clock) + ", " + frames + " frames, " + fps + " fps, " + codec +
                       "; key frames every " + average + " frames, at most " + longest + " (" +
                       longestSeconds + " s)";
  WT_CHECK_EQ(frames, std::string("3751"));
  WT_CHECK_EQ(codec, std::string("FMP4"));
  App app = Launch(clip, folder);
  WaitUntil([&] { return app.ItemText(IDC_SRC_HINT) != hint; }, 5000);
  WT_CHECK_EQ(Utf8FromWide(app.ItemText(IDC_SRC_HINT)), want);
  SaveShot(Japanese() ? "facts-line-ja" : "facts-line-en");

  Case("the field emptied: the hint again; a file that is no AVI: the hint");
  app.SetItemText(IDC_SRC_FILE, "");
  WaitUntil([&] { return app.ItemText(IDC_SRC_HINT) == hint; }, 5000);
  WT_CHECK(app.ItemText(IDC_SRC_HINT) == hint);
  WriteBytes(folder + "\\notes.avi", "notes");
  app.SetItemText(IDC_SRC_FILE, folder + "\\notes.avi");
  Sleep(800);
  WT_CHECK(app.ItemText(IDC_SRC_HINT) == hint);

  Case("Save in: the outputs land there, nothing beside the input, the folder kept for the next start");
  const std::string saved = MakeDir("saved");
  FillSplitPage(app, clip, "0", "0", "30", "2", IDC_CREATE_BOTH);
  if (app.Checked(IDC_SPLIT_MERGE)) app.Click(IDC_SPLIT_MERGE);
  app.SetItemText(IDC_SAVE_IN, saved);
  SaveShot(Japanese() ? "save-in-ja" : "save-in-en");
  app.Command(IDC_EXECUTE);
  HWND progress = WaitForProgress(app, SplitTitle());
  if (WT_CHECK(progress != nullptr)) {
    const std::wstring result = AnswerMessageBox(progress);
    WT_CHECK(result.find(L"clip-1.avi: ") != std::wstring::npos);
    JobEnded(app, progress);
  }
  WT_CHECK(LooksLikeWholeAvi(saved + "\\clip-1.avi") && LooksLikeWholeAvi(saved + "\\clip-2.avi"));
  WT_CHECK(!FileExists(folder + "\\clip-1.avi") && !FileExists(folder + "\\clip-2.avi"));
  CloseApp(app);
  const std::string ini = ReadBytes(folder + "\\Tavrin.ini");
  wt::Check(ini.find("SaveInFolder=" + saved + "\r\n") != std::string::npos, "Tavrin.ini keeps Save in: " + ini,
            __FILE__, __LINE__);
  App again = Launch("", folder);
  WT_CHECK_EQ(Utf8FromWide(again.ItemText(IDC_SAVE_IN)), saved);
  CloseApp(again);
  return Summary();
}
