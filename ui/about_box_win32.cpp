#include "ui/about_box.h"

#include <cstdio>
#include <cstring>

#include "app/version.h"
#include "io/wide_path.h"
#include "ui/shell_state.h"
#include "ui/progress_dialog.h"
#include "ui/shell_texts.h"

namespace {

constexpr int kButtonFocused = 1;
constexpr int kButtonPressed = 2;
constexpr int kBoxWidth = 199;
constexpr int kBoxHeight = 121;
constexpr RECT kButton = {10, 60, 90, 84};

constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kDarkGrey = 0x7F7F7F;

HWND aboutBox = nullptr;
HHOOK keyHook = nullptr;
int buttonState = kButtonFocused;
int enterLatch = 1;  // 1: waiting for a press, 0: for the release; kept between openings

bool InButton(LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(lParam));
  const int y = static_cast<short>(HIWORD(lParam));
  return x >= kButton.left && x < kButton.right && y >= kButton.top && y < kButton.bottom;
}

void Redraw(HWND box) { InvalidateRect(box, nullptr, TRUE); }

// Every way out removes the hook, so that no hook outlives its box.
void CloseBox(HWND box) {
  if (keyHook) UnhookWindowsHookEx(keyHook);
  keyHook = nullptr;
  aboutBox = nullptr;
  EndDialog(box, 1);
}

HFONT CreateTitleFont() {
  const bool english = AppShell().englishUi != 0;
  return CreateFontW(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, english ? DEFAULT_CHARSET : SHIFTJIS_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH,
                     english ? L"" : WideFromUtf8(shell_text::kAboutFontJapanese).c_str());
}

// Selects a new solid pen of colour, deleting the one it replaces (if ours).
void UsePen(HDC dc, HPEN& current, COLORREF colour) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  SelectObject(dc, pen);
  if (current) DeleteObject(current);
  current = pen;
}

void Line(HDC dc, int x0, int y0, int x1, int y1, int x2, int y2) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
  LineTo(dc, x2, y2);
}

void Paint(HWND box) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(box, &paint);
  SetBkMode(dc, TRANSPARENT);
  HFONT font = CreateTitleFont();
  HGDIOBJ oldFont = SelectObject(dc, font);
  char title[64];
  std::snprintf(title, sizeof title, "Tavrin Version %s", TAVRIN_VERSION_TEXT);
  const std::wstring titleText = WideFromUtf8(title);
  TextOutW(dc, 10, 20, titleText.c_str(), static_cast<int>(titleText.size()));

  SetBkMode(dc, OPAQUE);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  HGDIOBJ oldPen = GetCurrentObject(dc, OBJ_PEN);
  HPEN pen = nullptr;
  const std::wstring captionText = WideFromUtf8(Pick(shell_text::kAboutButton, AppShell().englishUi));
  const wchar_t* caption = captionText.c_str();
  const int captionLength = static_cast<int>(captionText.size());
  UsePen(dc, pen, kBlack);
  Rectangle(dc, kButton.left, kButton.top, kButton.right, kButton.bottom);
  if (buttonState == kButtonPressed) {
    UsePen(dc, pen, kDarkGrey);
    Rectangle(dc, 11, 61, 89, 83);
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 44, 67, caption, captionLength);
  } else {
    Line(dc, 11, 82, 88, 82, 88, 60);
    UsePen(dc, pen, kWhite);
    Line(dc, 11, 81, 11, 61, 88, 61);
    Line(dc, 12, 80, 12, 62, 87, 62);
    UsePen(dc, pen, kDarkGrey);
    Line(dc, 12, 81, 87, 81, 87, 62);
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 43, 66, caption, captionLength);
  }
  SelectObject(dc, oldFont);
  DeleteObject(font);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  SelectObject(dc, oldBrush);
  EndPaint(box, &paint);
}

void OnInit(HWND box) {
  aboutBox = box;
  buttonState = kButtonFocused;
  MoveWindow(box, 0, 0, kBoxWidth, kBoxHeight, FALSE);
  CenterOnDesktop(box);
  SetWindowTextW(box, WideFromUtf8(Pick(shell_text::kAboutTitle, AppShell().englishUi)).c_str());
  // A thread hook on the interface thread: a hook procedure in a program
  // (not a DLL) cannot serve other threads' processes, and needs not.
  keyHook = SetWindowsHookExW(WH_KEYBOARD, AboutKeyHook, AppShell().instance, GetCurrentThreadId());
}

}  // namespace

INT_PTR CALLBACK AboutBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(box);
      return 1;
    case WM_PAINT:
      Paint(box);
      return 1;
    case WM_LBUTTONDOWN:
      if (InButton(lParam) && buttonState != kButtonPressed) {
        buttonState = kButtonPressed;
        Redraw(box);
      }
      return 1;
    case WM_LBUTTONUP:
      if (InButton(lParam) && buttonState == kButtonPressed) CloseBox(box);
      buttonState = kButtonFocused;
      Redraw(box);
      return 1;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN && buttonState == kButtonFocused) {
        buttonState = kButtonPressed;
        Redraw(box);
      }
      return 1;
    case WM_KEYUP:
      if (wParam == VK_RETURN) CloseBox(box);
      return 1;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        CloseBox(box);
        return 1;
      }
      return 0;
    default:
      return 0;
  }
}

LRESULT CALLBACK AboutKeyHook(int code, WPARAM virtualKey, LPARAM keyFlags) {
  if (code < 0) return CallNextHookEx(keyHook, code, virtualKey, keyFlags);
  if (code > 0) return 1;
  HWND focus = GetFocus();
  if (!focus || !aboutBox || GetParent(focus) != aboutBox) return CallNextHookEx(keyHook, code, virtualKey, keyFlags);
  if (virtualKey == VK_RETURN) {
    const bool repeat = (keyFlags & (1 << 30)) != 0;
    const bool release = (keyFlags & (1u << 31)) != 0;
    if (enterLatch == 1 && !repeat) {
      enterLatch = 0;
      SendMessageW(aboutBox, WM_KEYDOWN, VK_RETURN, 0);
    } else if (enterLatch == 0 && release) {
      enterLatch = 1;
      SendMessageW(aboutBox, WM_KEYUP, VK_RETURN, 0);
    }
  }
  return 1;
}

void RunAboutBox(HINSTANCE instance, HWND owner) {
  DialogBoxParamW(instance, L"TEMPDLG", owner, AboutBoxProc, 0);
}
