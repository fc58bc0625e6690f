// Where the preview opens from and what the real Tavrin.exe does with files
// on its command line: "Tavrin.exe FILE" (Open with, Send To, a drop on the
// icon) names FILE in the Split tab, several files open the Join dialog with
// them in that order, the language switch still works before them; a double
// click in the Join list opens that file's preview; the Split tab's Preview
// button and Operate item open the tab's file; the preview's place is kept
// in Tavrin.ini and taken from it.
// Runs in English and Japanese.
#include "tests/win/lib/app.h"

using namespace wt;

namespace {

struct PreviewSearch {
  DWORD process;
  HWND found;
};

BOOL CALLBACK MatchPreview(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<PreviewSearch*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == s->process && IsWindowVisible(window) && ClassOf(window) == "TavrinPreview") {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForPreview(const App& app) {
  PreviewSearch search = {app.pid(), nullptr};
  WaitUntil([&] {
    EnumWindows(MatchPreview, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  return search.found;
}

std::wstring PreviewTitle(const std::wstring& name) {
  return Lang(L"Tavrin - Preview - ", L"Tavrin - \u30D7\u30EC\u30D3\u30E5\u30FC - ") + name;
}

std::vector<std::wstring> ListOf(HWND list) {
  std::vector<std::wstring> entries;
  const int count = int(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t text[1024] = {};
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    entries.push_back(text);
  }
  return entries;
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string ShowList(const std::vector<std::wstring>& items) {
  std::string out = "[";
  for (const std::wstring& item : items) out += " " + Show(item);
  return out + " ]";
}

}  // namespace

int main() {
  if (!Begin(58000)) return Summary();
  const std::string folder = MakeDir("open");
  WriteBytes(folder + "\\Tavrin.ini", "TabNo=1\r\nPreviewPlace=30 40 500 380\r\n");
  const std::string sample = Env("TAVRIN_SAMPLES") + "\\preview\\cinepak.avi";
  for (const char* name : {"a.avi", "b.avi", "c.avi"})
    CopyFileA(sample.c_str(), (folder + "\\" + name).c_str(), FALSE);

  Case("Tavrin.exe /us FILE: FILE (its full path) in the Split tab, which is shown");
  {
    App app = Launch(std::string(Japanese() ? "/jp" : "/us") + " b.avi", folder);
    WT_CHECK_EQ(app.ItemText(IDC_SRC_FILE), Wide(folder + "\\b.avi"));
    WT_CHECK(app.Visible(IDC_SRC_FILE));
    WT_CHECK(app.Visible(IDC_PREVIEW));
    WT_CHECK_EQ(app.ItemText(IDC_PREVIEW), Lang(L"Preview...", L"\u30D7\u30EC\u30D3\u30E5\u30FC..."));

    // The tab's Preview button: that file, at the place Tavrin.ini keeps.
    app.PostCommand(IDC_PREVIEW);
    HWND preview = WaitForPreview(app);
    WT_CHECK(preview != nullptr);
    WT_CHECK_EQ(TextW(preview), PreviewTitle(L"b.avi"));
    RECT r = {};
    GetWindowRect(preview, &r);
    WT_CHECK_EQ(std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " +
                    std::to_string(r.bottom - r.top),
                std::string("30 40 500 380"));
    // Moved, then the program closes: the new place is written.
    SetWindowPos(preview, nullptr, 60, 70, 540, 420, SWP_NOZORDER | SWP_NOACTIVATE);
    app.Sync();
    CloseApp(app);
    const std::string saved = ReadBytes(folder + "\\Tavrin.ini");
    Check(saved.find("\r\nPreviewPlace=60 70 540 420\r\n") != std::string::npos, "Tavrin.ini: " + saved, __FILE__,
          __LINE__);
  }

  if (Case("the Operate menu's Preview... opens the Merge tab's first file there", kEnglishOnly)) {
    WriteBytes(folder + "\\Tavrin.ini", "TabNo=1\r\n");
    App app = Launch("", folder);
    app.SetItemText(IDC_MERGE_FILE1, folder + "\\c.avi");
    WT_CHECK(!app.Visible(IDC_PREVIEW));
    app.PostCommand(IDM_PREVIEW);
    HWND preview = WaitForPreview(app);
    WT_CHECK_EQ(TextW(preview), PreviewTitle(L"c.avi"));
    CloseApp(app);
  }

  Case("several files: the Join dialog with them in that order; a double click previews one");
  {
    App app = Launch(std::string(Japanese() ? "/JP" : "/US") + " c.avi \"" + folder + "\\a.avi\" b.avi", folder);
    HWND join = nullptr;
    WaitUntil([&] { return (join = FindOf(app.pid(), Kind::OtherDialog, app.main)) != nullptr; });
    if (WT_CHECK(join != nullptr)) {
      HWND list = GetDlgItem(join, 401);
      const std::vector<std::wstring> expected = {Wide(folder + "\\c.avi"), Wide(folder + "\\a.avi"),
                                                  Wide(folder + "\\b.avi")};
      Check(ListOf(list) == expected, "the Join list " + ShowList(ListOf(list)), __FILE__, __LINE__);
      SendMessageW(list, LB_SETCURSEL, 1, 0);
      PostMessageW(join, WM_COMMAND, MAKEWPARAM(401, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
      HWND preview = WaitForPreview(app);
      WT_CHECK(preview != nullptr);
      WT_CHECK_EQ(TextW(preview), PreviewTitle(L"a.avi"));
      WT_CHECK(GetWindow(preview, GW_OWNER) == join);
      // Its split button belongs to the Split tab's preview only.
      WT_CHECK(!IsWindowVisible(GetDlgItem(preview, 20)));
      // Closing the Join dialog closes its preview.
      PostMessageW(join, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      WT_CHECK(WaitUntil([&] { return !IsWindow(preview) && !IsWindow(join); }));
    }
    CloseApp(app);
  }
  return Summary();
}
