// Values of the settings file as the real Tavrin.exe shows them: the overlap
// field's rule, LF-only and CR-only lines.
#include "tests/win/lib/app.h"

using namespace wt;

int main() {
  if (!Begin(110000)) return Summary();

  Case("OverLapS: the field shows the value read; out of range or no number shows 0");
  {
    struct Row {
      const char* content;
      const wchar_t* shown;
    } rows[] = {{"OverLapS=2.5\r\n", L"2.5"},     {"OverLapS=60\r\n", L"60"},   {"OverLapS=60.0\r\n", L"60"},
                {"OverLapS=12.25\r\n", L"12.25"}, {"OverLapS=0.1\r\n", L"0.1"}, {"OverLapS=0.125\r\n", L"0.125"},
                {"OverLapS=75\r\n", L"0"},        {"OverLapS=-1\r\n", L"0"},    {"OverLapS=-3\r\n", L"0"},
                {"OverLapS=abc\r\n", L"0"},       {"OverLapS=\r\n", L"0"}};
    for (const Row& row : rows) {
      App app = Launch("", FolderWith(row.content));
      WT_CHECK_EQ(app.ItemText(IDC_OVERLAP), std::wstring(row.shown));
      CloseApp(app);
    }
  }

  Case("LF-only lines read like CR LF lines");
  {
    for (const char* content :
         {"TabNo=1\nCreateFileN=3\nOverLapS=4.5\n", "TabNo=1\r\nCreateFileN=3\r\nOverLapS=4.5\r\n",
          "TabNo=1\rCreateFileN=3\rOverLapS=4.5\r"}) {
      App app = Launch("", FolderWith(content));
      WT_CHECK(app.Visible(IDC_MERGE_FILE1));
      app.Command(IDM_SWITCH_TAB);  // the radio buttons are set when the Split page is shown
      app.Sync();
      WT_CHECK(app.Checked(IDC_CREATE_SECOND));
      WT_CHECK_EQ(app.ItemText(IDC_OVERLAP), std::wstring(L"4.5"));
      CloseApp(app);
    }
  }

  return Summary();
}
