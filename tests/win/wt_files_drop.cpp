// Files dropped onto the main window (the program's own dialog, run inside
// the test, receives WM_DROPFILES as the shell delivers it): one ".avi" file
// fills the page's field, two files give the one-file message and use the
// first, a non-AVI name gives its message, the Merge page splits at y 130/131.
#include "tests/win/lib/drop.h"
#include "tests/win/lib/inproc.h"

using namespace wt;

namespace {

void Drop(const InProcess& app, const std::vector<std::string>& names, int x = 50, int y = 50) {
  PostMessageA(app.main, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(names, x, y)), 0);
}

void Settle(const InProcess& app) {
  // Posted drop first, then this sent no-op: once a box is up the sent one is answered inside its loop.
  Sleep(100);
  SendMessageA(app.main, WM_NULL, 0, 0);
}

}  // namespace

int main() {
  if (!Begin(60000)) return Summary();
  InProcess in;
  in.Start(0, MakeDir("drop"));
  const App app = in.AsApp();

  Case("one .avi file on the Split page fills 101, focused, all selected");
  {
    Drop(in, {"C:\\videos\\clip.avi"});
    Settle(in);
    WT_CHECK(StaysQuiet(app, 500));
    WT_CHECK_EQ(TextA(in.Item(IDC_SRC_FILE)), std::string("C:\\videos\\clip.avi"));
    DWORD start = 1, end = 0;
    SendMessageA(in.Item(IDC_SRC_FILE), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    WT_CHECK_EQ(long(start), 0L);
    WT_CHECK_EQ(long(end), 18L);
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(in.main, nullptr), &info);
    WT_CHECK(info.hwndFocus == in.Item(IDC_SRC_FILE));
  }

  Case("two files: the one-file message, then the first name (any case of .AVI)");
  {
    Drop(in, {"C:\\videos\\First.AvI", "C:\\videos\\second.avi"});
    WT_CHECK_EQ(AnswerMessageBox(in.main), std::wstring(L"You can drag One File"));
    Settle(in);
    WT_CHECK(StaysQuiet(app, 500));
    WT_CHECK_EQ(TextA(in.Item(IDC_SRC_FILE)), std::string("C:\\videos\\First.AvI"));
  }

  Case("a name not ending in .avi: its message, the field unchanged");
  {
    Drop(in, {"C:\\videos\\clip.avi.txt"});
    WT_CHECK_EQ(AnswerMessageBox(in.main), std::wstring(L"Not AVI File"));
    Settle(in);
    WT_CHECK_EQ(TextA(in.Item(IDC_SRC_FILE)), std::string("C:\\videos\\First.AvI"));
    Drop(in, {"C:\\videos\\notes.txt", "C:\\videos\\clip.avi"});
    WT_CHECK_EQ(AnswerMessageBox(in.main), std::wstring(L"You can drag One File"));
    WT_CHECK_EQ(AnswerMessageBox(in.main), std::wstring(L"Not AVI File"));
    Settle(in);
    WT_CHECK_EQ(TextA(in.Item(IDC_SRC_FILE)), std::string("C:\\videos\\First.AvI"));
  }

  Case("Merge page: y 130 fills the first file's field, y 131 the second's");
  {
    in.Command(IDM_SWITCH_TAB);
    Drop(in, {"C:\\v\\a.avi"}, 20, 130);
    Settle(in);
    WT_CHECK_EQ(TextA(in.Item(IDC_MERGE_FILE1)), std::string("C:\\v\\a.avi"));
    WT_CHECK_EQ(TextA(in.Item(IDC_MERGE_FILE2)), std::string());
    Drop(in, {"C:\\v\\b.avi"}, 20, 131);
    Settle(in);
    WT_CHECK_EQ(TextA(in.Item(IDC_MERGE_FILE1)), std::string("C:\\v\\a.avi"));
    WT_CHECK_EQ(TextA(in.Item(IDC_MERGE_FILE2)), std::string("C:\\v\\b.avi"));
    Drop(in, {"C:\\v\\c.avi"}, 300, 0);
    Settle(in);
    WT_CHECK_EQ(TextA(in.Item(IDC_MERGE_FILE1)), std::string("C:\\v\\c.avi"));
    // The Split page's field is not touched from the Merge page.
    WT_CHECK_EQ(TextA(in.Item(IDC_SRC_FILE)), std::string("C:\\videos\\First.AvI"));
  }
  in.Stop();
  return Summary();
}
