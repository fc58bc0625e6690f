#include "ui/facts_line.h"

#include <string>

#include "avi/video_facts.h"
#include "io/wide_path.h"
#include "ui/resource_ids.h"
#include "ui/shell_state.h"

namespace {

// The hint the dialog template gives, kept for when the field is emptied.
const std::wstring& Hint(HWND line) {
  static std::wstring hint;
  static bool kept = false;
  if (!kept) {
    wchar_t text[256] = L"";
    GetWindowTextW(line, text, 256);
    hint = text;
    kept = true;
  }
  return hint;
}

}  // namespace

void FactsLineFieldChanged(HWND mainWindow) { SetTimer(mainWindow, kFactsLineTimer, 300, nullptr); }

void UpdateFactsLine(HWND mainWindow) {
  KillTimer(mainWindow, kFactsLineTimer);
  HWND line = GetDlgItem(mainWindow, IDC_SRC_HINT);
  HWND field = GetDlgItem(mainWindow, IDC_SRC_FILE);
  if (!line || !field) return;
  const std::wstring hint = Hint(line);
  std::wstring name(size_t(GetWindowTextLengthW(field)) + 1, L'\0');
  name.resize(size_t(GetWindowTextW(field, &name[0], int(name.size()))));
  VideoFacts facts;
  // Analysing reads the header and the index, not the whole file: quick
  // enough for the window's own thread.
  if (name.empty() || !ReadVideoFactsOfFile(Utf8FromWide(name), &facts)) {
    SetWindowTextW(line, hint.c_str());
    return;
  }
  SetWindowTextW(line, WideFromUtf8(VideoFactsLine(facts, AppShell().englishUi)).c_str());
}
