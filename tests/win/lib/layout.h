// The main window's 39 controls as both templates lay them out, in tab order:
// id, class, position and size in dialog units, captions, style bits.
#pragma once
#include <windows.h>

#include <cmath>
#include <vector>

#include "tests/win/lib/app.h"

namespace wt {

struct ControlRow {
  int id;
  const char* className;
  int x, y, w, h;
  int japaneseW;
  const wchar_t* english;
  const wchar_t* japanese;
  DWORD style;  // bits that must be set (besides WS_CHILD)
  bool splitPage, mergePage;
};

constexpr DWORD kStaticStyle = SS_NOPREFIX;
constexpr DWORD kNameField = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
constexpr DWORD kNumberField = WS_BORDER | WS_TABSTOP;

// Wide texts: the Japanese captions as UTF-16 escapes.
const ControlRow kControls[] = {
    {IDC_SRC_LABEL, "Static", 11, 30, 60, 12, 60, L"File", L"\u5206\u89E3\u5143\u30D5\u30A1\u30A4\u30EB", kStaticStyle,
     true, false},
    {IDC_SRC_FILE, "Edit", 65, 28, 145, 12, 145, L"", L"", kNameField, true, false},
    {IDC_SRC_BROWSE, "Button", 216, 27, 33, 15, 33, L"Ref", L"\u53C2\u7167", BS_PUSHBUTTON, true, false},
    {IDC_SRC_HINT, "Static", 65, 42, 184, 20, 184, L"(You can drag AVI file)",
     L"\uFF08\u30C9\u30E9\u30C3\u30B0\u3067\u30D5\u30A1\u30A4\u30EB\u540D\u5165\u529B\u53EF\uFF09",
     kStaticStyle, true,
     false},
    {IDC_HOW_LABEL, "Static", 11, 52, 46, 15, 50, L"How to split", L"\u524D\u534A\u90E8\u5206\u89E3\u65B9\u6CD5",
     kStaticStyle, true, false},
    {IDC_BY_TIME, "Button", 18, 65, 50, 15, 50, L"Time", L"\u6642\u9593\u6307\u5B9A", BS_AUTORADIOBUTTON | WS_GROUP,
     true, false},
    {IDC_BY_SIZE, "Button", 18, 80, 50, 15, 50, L"File size", L"\u30B5\u30A4\u30BA\u6307\u5B9A", BS_AUTORADIOBUTTON,
     true, false},
    {IDC_HOURS, "Edit", 73, 65, 20, 12, 20, L"", L"", kNumberField, true, false},
    {IDC_HOURS_LABEL, "Static", 99, 67, 21, 15, 21, L"hr", L"\u6642\u9593", kStaticStyle, true, false},
    {IDC_MINUTES, "Edit", 123, 65, 20, 12, 20, L"", L"", kNumberField, true, false},
    {IDC_MINUTES_LABEL, "Static", 147, 67, 12, 15, 12, L"min", L"\u5206", kStaticStyle, true, false},
    {IDC_SECONDS, "Edit", 163, 65, 23, 12, 23, L"", L"", kNumberField, true, false},
    {IDC_SECONDS_LABEL, "Static", 190, 67, 12, 15, 29, L"sec", L"\u79D2 (\u4EE5\u4E0A)", kStaticStyle, true, false},
    {IDC_SIZE_MB, "Edit", 73, 81, 26, 12, 26, L"", L"", kNumberField, true, false},
    {IDC_SIZE_LABEL, "Static", 105, 83, 24, 15, 32, L"MB", L"MB (\u4EE5\u5185)", kStaticStyle, true, false},
    {IDC_CREATE_LABEL, "Static", 11, 103, 78, 12, 78, L"Create File",
     L"\u4F5C\u6210\u3059\u308B\u30D5\u30A1\u30A4\u30EB", kStaticStyle, true, false},
    {IDC_CREATE_BOTH, "Button", 18, 116, 83, 15, 83, L"1st and 2nd files",
     L"\u524D\u534A\u90E8\uFF0F\u5F8C\u534A\u90E8\u3068\u3082", BS_AUTORADIOBUTTON | WS_GROUP, true, false},
    {IDC_CREATE_FIRST, "Button", 104, 116, 60, 15, 60, L"1st file only", L"\u524D\u534A\u90E8\u306E\u307F",
     BS_AUTORADIOBUTTON, true, false},
    {IDC_CREATE_SECOND, "Button", 163, 116, 60, 15, 60, L"2nd file only", L"\u5F8C\u534A\u90E8\u306E\u307F",
     BS_AUTORADIOBUTTON, true, false},
    {IDC_OVERLAP_LABEL, "Static", 11, 139, 45, 15, 45, L"Overlap", L"\u30AA\u30FC\u30D0\u30FC\u30E9\u30C3\u30D7",
     kStaticStyle, true, false},
    {IDC_OVERLAP, "Edit", 63, 137, 23, 12, 23, L"", L"", kNumberField, true, false},
    {IDC_OVERLAP_UNIT, "Static", 91, 139, 36, 15, 62, L"sec(0-60)", L"\u79D2 \u4EE5\u4E0A \uFF080\uFF5E60\uFF09",
     kStaticStyle, true, false},
    {IDC_PREVIEW, "Button", 186, 136, 63, 15, 63, L"Preview...", L"\u30D7\u30EC\u30D3\u30E5\u30FC...", BS_PUSHBUTTON,
     true, false},
    {IDC_SPLIT_MERGE, "Button", 11, 158, 129, 15, 129, L"Split-Merge",
     L"\u5206\u89E3\u5F8C\u3001\u7D50\u5408\u3082\u884C\u3046\uFF08\u78BA\u8A8D\u7528\uFF09", BS_AUTOCHECKBOX, true,
     false},
    {IDC_SPLIT_EXACT, "Button", 150, 158, 99, 15, 99, L"Exact cut", L"\u6B63\u78BA\u306B\u30AB\u30C3\u30C8",
     BS_AUTOCHECKBOX | WS_TABSTOP, true, false},
    {IDC_SAVE_IN_LABEL, "Static", 11, 176, 50, 12, 50, L"Save in", L"\u4FDD\u5B58\u5148", kStaticStyle, true, false},
    {IDC_SAVE_IN, "Edit", 65, 174, 145, 12, 145, L"", L"", kNameField, true, false},
    {IDC_SAVE_IN_BROWSE, "Button", 216, 173, 33, 15, 33, L"Ref", L"\u53C2\u7167", BS_PUSHBUTTON, true, false},
    {IDC_MERGE_LABEL1, "Static", 9, 29, 72, 12, 72, L"AVI File 1st",
     L"\u7D50\u5408\u5143\u30D5\u30A1\u30A4\u30EB\uFF11", kStaticStyle, false, true},
    {IDC_MERGE_FILE1, "Edit", 24, 43, 180, 12, 180, L"", L"", kNameField, false, true},
    {IDC_MERGE_BROWSE1, "Button", 213, 42, 33, 15, 33, L"Ref1", L"\u53C2\u7167\uFF11", BS_PUSHBUTTON, false, true},
    {IDC_MERGE_HINT1, "Static", 48, 59, 126, 12, 126, L"(You can drag AVI file)",
     L"\uFF08\u30C9\u30E9\u30C3\u30B0\u3067\u30D5\u30A1\u30A4\u30EB\u540D\u5165\u529B\u53EF\uFF09", kStaticStyle, false,
     true},
    {IDC_MERGE_LABEL2, "Static", 9, 89, 72, 12, 72, L"AVI File 2nd",
     L"\u7D50\u5408\u5143\u30D5\u30A1\u30A4\u30EB\uFF12", kStaticStyle, false, true},
    {IDC_MERGE_FILE2, "Edit", 24, 103, 180, 12, 180, L"", L"", kNameField, false, true},
    {IDC_MERGE_BROWSE2, "Button", 213, 102, 33, 15, 33, L"Ref2", L"\u53C2\u7167\uFF12", BS_PUSHBUTTON, false, true},
    {IDC_MERGE_HINT2, "Static", 48, 119, 126, 12, 126, L"(You can drag AVI file)",
     L"\uFF08\u30C9\u30E9\u30C3\u30B0\u3067\u30D5\u30A1\u30A4\u30EB\u540D\u5165\u529B\u53EF\uFF09", kStaticStyle, false,
     true},
    {IDC_EXECUTE, "Button", 75, 195, 48, 15, 48, nullptr, nullptr, BS_DEFPUSHBUTTON | WS_TABSTOP, true, true},
    {IDC_EXIT, "Button", 144, 195, 48, 15, 48, L"Exit", L"\u7D42\u4E86", BS_PUSHBUTTON, true, true},
    {IDC_TABS, "SysTabControl32", 3, 3, 255, 216, 255, L"", L"", 0, true, true},
};

constexpr int kControlCount = sizeof kControls / sizeof kControls[0];

// Checks the controls' order, classes, styles, positions (through the pixel
// size of the tab control, 255 x 216 units) and, for static texts and
// buttons, captions of one template.
inline void CheckLayout(const App& app, bool japanese) {
  std::vector<int> order;
  for (HWND child = GetWindow(app.main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    order.push_back(GetDlgCtrlID(child));
  std::vector<int> expected;
  for (const ControlRow& row : kControls) expected.push_back(row.id);
  WT_CHECK(order == expected);
  WT_CHECK_EQ(int(order.size()), 39);

  RECT tab;
  GetWindowRect(app.Item(IDC_TABS), &tab);
  const double sx = (tab.right - tab.left) / 255.0, sy = (tab.bottom - tab.top) / 216.0;
  POINT origin = {0, 0};
  ClientToScreen(app.main, &origin);
  for (const ControlRow& row : kControls) {
    HWND item = app.Item(row.id);
    currentCase = "layout";
    if (!Check(item != nullptr, "control " + std::to_string(row.id) + " exists", __FILE__, __LINE__)) continue;
    WT_CHECK_EQ(ClassOf(item), std::string(row.className));
    const DWORD style = DWORD(GetWindowLongA(item, GWL_STYLE));
    if (std::string(row.className) == "Button") {
      Check((style & 0xF) == (row.style & 0xF), "button type of " + std::to_string(row.id), __FILE__, __LINE__);
      Check((style & ~0xFu & row.style & ~0xFu) == (row.style & ~0xFu), "style of " + std::to_string(row.id), __FILE__,
            __LINE__);
    } else {
      // The dialog manager turns an edit box's WS_BORDER into a sunken client edge.
      DWORD seen = style;
      if (GetWindowLongA(item, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) seen |= WS_BORDER;
      Check((seen & row.style) == row.style, "style of " + std::to_string(row.id), __FILE__, __LINE__);
      if (row.style == kNumberField)
        Check((style & ES_AUTOHSCROLL) == 0, "plain number field " + std::to_string(row.id), __FILE__, __LINE__);
    }
    Check(((style & WS_GROUP) != 0) == (row.id == IDC_BY_TIME || row.id == IDC_CREATE_BOTH),
          "WS_GROUP only on the radio groups' first buttons: " + std::to_string(row.id), __FILE__, __LINE__);
    RECT r;
    GetWindowRect(item, &r);
    const int w = japanese ? row.japaneseW : row.w;
    const bool placed =
        std::fabs((r.left - origin.x) - row.x * sx) <= 1.5 && std::fabs((r.top - origin.y) - row.y * sy) <= 1.5 &&
        std::fabs((r.right - r.left) - w * sx) <= 1.5 && std::fabs((r.bottom - r.top) - row.h * sy) <= 1.5;
    Check(placed, "position and size of " + std::to_string(row.id), __FILE__, __LINE__);
    const wchar_t* caption = japanese ? row.japanese : row.english;
    if (caption && std::string(row.className) != "Edit")
      Check(TextW(item) == caption, "caption of " + std::to_string(row.id) + ": " + Show(TextW(item)), __FILE__,
            __LINE__);
  }
}

}  // namespace wt
