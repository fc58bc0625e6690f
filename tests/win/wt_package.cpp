// The download package as a new user meets it, unpacked into an empty folder
// (tests/wine/package.sh makes it): Tavrin.exe starts from there (in
// Japanese with /jp), creates Tavrin.ini beside itself, Help opens the
// packaged HelpE.htm (English) or Help.htm (Japanese), the About box shows
// the version of the VERSION file, and Split-Merge with the packaged
// TavrinD.dll writes the joined file, the very file that was split.
// Runs in English and Japanese.
// Usage: wt_package.exe FOLDER VIDEO VERSION (FOLDER holds the unpacked
// Tavrin.exe; VIDEO is an AVI with PCM audio in whole chunks).
#include <cstdlib>

#include "tests/win/lib/app.h"
#include "tests/win/lib/help_recorder.h"
#include "ui/shell_texts.h"

using namespace wt;

namespace {

HWND OpenAbout(const App& app) {
  app.PostCommand(IDM_ABOUT);
  HWND box = nullptr;
  WaitUntil([&] { return (box = FindOf(app.pid(), Kind::OtherDialog, app.main)) != nullptr; }, 10000);
  if (box) {
    SetForegroundWindow(box);
    WaitUntil([&] { return GetForegroundWindow() == box; }, 2000);
    Sleep(300);  // let it paint
  }
  return box;
}

// The About box's title area (above its button) as it would look with
// title drawn in the box's font on its background: what the program paints.
Capture TitleAreaWith(const Capture& shown, const std::string& title) {
  Capture c;
  c.width = shown.width;
  c.height = 55;
  BITMAPINFO info = TopDownRgb32(c.width, c.height);
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  const uint32_t background = shown.pixels[2 * shown.width + 2];
  HBRUSH brush = CreateSolidBrush(RGB(background >> 16, (background >> 8) & 0xFF, background & 0xFF));
  RECT all = {0, 0, c.width, c.height};
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  const bool english = !Japanese();
  HFONT font = CreateFontA(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, english ? DEFAULT_CHARSET : SHIFTJIS_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH,
                           english ? "" : shell_text::kAboutFontJapanese);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  TextOutA(dc, 10, 20, title.c_str(), int(title.size()));
  GdiFlush();
  const uint32_t* p = static_cast<const uint32_t*>(bits);
  c.pixels.assign(p, p + size_t(c.width) * c.height);
  for (uint32_t& pixel : c.pixels) pixel &= 0xFFFFFF;
  SelectObject(dc, oldFont);
  DeleteObject(font);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return c;
}

bool SameTitleArea(const Capture& shown, const Capture& drawn) {
  for (int y = 0; y < drawn.height; ++y)
    for (int x = 0; x < drawn.width; ++x)
      if (shown.pixels[size_t(y) * shown.width + x] != drawn.pixels[size_t(y) * drawn.width + x]) return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (RecordHelpOpened(argc, argv)) return 0;
  if (!Begin(150000)) return Summary();
  if (!Check(argc == 4, "usage: wt_package.exe FOLDER VIDEO VERSION", __FILE__, __LINE__)) return Summary();
  const std::string folder = argv[1], video = argv[2], version = argv[3];
  _putenv(("TAVRIN_EXE=" + folder + "\\Tavrin.exe").c_str());
  const std::string settings = folder + "\\Tavrin.ini";

  Case("started from the unpacked folder: the window opens and Tavrin.ini is created beside it");
  WT_CHECK(!FileExists(settings));
  App app = Launch(Japanese() ? "/jp" : "", folder);
  if (!app.main) return Summary();
  WT_CHECK(FileExists(settings));

  Case("Help opens the packaged help file of the language");
  {
    RegisterHelpRecorder();
    app.PostCommand(IDM_HELP);
    const std::string help = folder + Lang("\\HelpE.htm", "\\Help.htm");
    WT_CHECK_EQ(WaitForHelpOpened(), help);
    WT_CHECK(StaysQuiet(app));
    const std::string page = ReadBytes(help);
    WT_CHECK(page.find("<html") != std::string::npos);
    WT_CHECK(page.find("<meta charset=\"utf-8\">") != std::string::npos);
    UnregisterHelpRecorder();
  }

  Case("the About box shows the version of the VERSION file");
  {
    HWND box = OpenAbout(app);
    if (Check(box != nullptr, "the About box opens", __FILE__, __LINE__)) {
      const Capture shown = CaptureClient(box);
      WT_CHECK(SameTitleArea(shown, TitleAreaWith(shown, "Tavrin Version " + version)));
      // The comparison tells versions apart.
      WT_CHECK(!SameTitleArea(shown, TitleAreaWith(shown, "Tavrin Version 0.0.0")));
      keybd_event(VK_RETURN, 0, 0, 0);
      Sleep(150);
      keybd_event(VK_RETURN, 0, KEYEVENTF_KEYUP, 0);
      WT_CHECK(WaitUntil([&] { return !IsWindow(box); }, 3000));
    }
  }

  Case("Split-Merge with the packaged TavrinD.dll writes the joined file");
  {
    const std::string original = ReadBytes(video);
    const std::string joined = video.substr(0, video.size() - 4) + "-m.avi";
    FillSplitPage(app, video, "0", "0", "13", "7.5", IDC_CREATE_BOTH);
    if (!app.Checked(IDC_SPLIT_MERGE)) app.Click(IDC_SPLIT_MERGE);  // a fresh Tavrin.ini has it on
    WT_CHECK_EQ(TextW(app.Item(IDC_EXECUTE)), Lang(L"Split-Merge", L"\u5206\u89E3-\u7D50\u5408"));
    app.PostCommand(IDC_EXECUTE);
    HWND progress = WaitForProgress(app, MergeTitle(), 30000);
    WT_CHECK(progress != nullptr);
    // The short result first; the joined file and the overlap follow.
    const std::wstring completed = Lang(L"Completed", L"\u64CD\u4F5C\u5B8C\u4E86");
    WT_CHECK_EQ(AnswerMessageBox(progress, 60000).substr(0, completed.size() + 2), completed + L"\n\n");
    WT_CHECK(JobEnded(app, progress));
    WT_CHECK(StaysQuiet(app));
    WT_CHECK(LooksLikeWholeAvi(joined));
    WT_CHECK(ReadBytes(joined) == original);
  }
  CloseApp(app);
  WT_CHECK(FileExists(settings));
  return Summary();
}
