// The settings file "\Tavrin.ini" through the real Tavrin.exe: default content
// at first start, the rules of TabNo, CreateFileN and the three options as the
// window shows them, a key inside another line's value.
#include "wt_main_driver.h"

using namespace shelltest;

namespace {

int folderCount = 0;

// A fresh start folder holding a Tavrin.ini with content (none if null).
std::string FolderWith(const char* content) {
  const std::string folder = MakeDir("s" + std::to_string(++folderCount));
  if (content) WriteBytes(folder + "\\Tavrin.ini", content);
  return folder;
}

RECT WindowRect(const App& app) {
  RECT r = {};
  GetWindowRect(app.main, &r);
  return r;
}


}  // namespace

int main() {
  StartWatchdog(110000);

  Case("first start creates the default content; Split-Merge starts checked");
  {
    const std::string folder = FolderWith(nullptr);
    App app = Launch("", folder);
    ST_CHECK_EQ(ReadBytes(folder + "\\Tavrin.ini"),
                std::string("Position=\r\nOrgFolder=\r\nTabNo=0\r\nCreateFileN=1\r\nOverLapS=0\r\n"));
    ST_CHECK(app.Checked(120));
    ST_CHECK_EQ(app.ItemText(122), std::wstring(L"Split-Merge"));
    ST_CHECK(app.Checked(103));
    ST_CHECK(app.Checked(114));
    ST_CHECK_EQ(app.ItemText(118), std::wstring(L"0"));
    ST_CHECK_EQ(app.ItemText(111), std::wstring());
    const RECT r = WindowRect(app);
    CloseApp(app);
    // Closing writes the five lines in order; OrgFolder is the start folder.
    char expected[1024];
    std::snprintf(expected, sizeof expected,
                  "Position=%ld %ld\r\nOrgFolder=%s\r\nTabNo=0\r\nCreateFileN=1\r\nOverLapS=0\r\n", r.left, r.top,
                  folder.c_str());
    ST_CHECK_EQ(ReadBytes(folder + "\\Tavrin.ini"), std::string(expected));

    // The next start reads the file: no Split-Merge key, so it is off.
    App again = Launch("", folder);
    ST_CHECK(!again.Checked(120));
    ST_CHECK_EQ(again.ItemText(122), std::wstring(L"Split"));
    CloseApp(again);
  }

  Case("TabNo: 1 opens the Merge page, 5 and text the Split page");
  {
    App app = Launch("", FolderWith("TabNo=1\r\n"));
    ST_CHECK(app.Visible(151));
    ST_CHECK(!app.Visible(101));
    ST_CHECK_EQ(app.ItemText(122), std::wstring(L"Merge"));
    ST_CHECK_EQ(SendMessageA(app.Item(131), 0x1300 + 11 /* TCM_GETCURSEL */, 0, 0), 1L);
    CloseApp(app);
    for (const char* content : {"TabNo=5\r\n", "TabNo=x\r\n", "TabNo=-1\r\n"}) {
      App split = Launch("", FolderWith(content));
      ST_CHECK(split.Visible(101));
      ST_CHECK(!split.Visible(151));
      ST_CHECK_EQ(SendMessageA(split.Item(131), 0x1300 + 11, 0, 0), 0L);
      CloseApp(split);
    }
  }

  Case("CreateFileN: 2 and 3 select their radio, 0 and missing select both; 120 only with both");
  {
    struct Row {
      const char* content;
      int radio;
    } rows[] = {{"CreateFileN=2\r\n", 115}, {"CreateFileN=3\r\n", 116}, {"CreateFileN=0\r\n", 114},
                {"CreateFileN=4\r\n", 114}, {"TabNo=0\r\n", 114}};
    for (const Row& row : rows) {
      App app = Launch("", FolderWith(row.content));
      for (int id : {114, 115, 116}) ST_CHECK_EQ(app.Checked(id), id == row.radio);
      ST_CHECK_EQ(app.Enabled(120), row.radio == 114);
      CloseApp(app);
    }
  }

  Case("the three options read but never written, and their true word");
  {
    App app = Launch("", FolderWith("SplitByTime=FALSE\r\nSizeLimitMB=700\r\nSplitMerge=TRUE\r\n"));
    ST_CHECK(app.Checked(110));
    ST_CHECK(!app.Checked(103));
    ST_CHECK(!app.Enabled(104));
    ST_CHECK(!app.Enabled(106));
    ST_CHECK(!app.Enabled(108));
    ST_CHECK(app.Enabled(111));
    ST_CHECK_EQ(app.ItemText(111), std::wstring(L"700"));
    ST_CHECK(app.Checked(120));
    ST_CHECK_EQ(app.ItemText(122), std::wstring(L"Split-Merge"));
    CloseApp(app);

    App other = Launch("", FolderWith("SplitByTime=TRUE\r\nSizeLimitMB=0\r\nSplitMerge=true\r\n"));
    ST_CHECK(other.Checked(103));
    ST_CHECK(other.Enabled(104));
    ST_CHECK(!other.Enabled(111));
    ST_CHECK_EQ(other.ItemText(111), std::wstring());
    ST_CHECK(!other.Checked(120));
    CloseApp(other);
  }

  Case("a key standing inside another line's value is found there first");
  {
    App app = Launch("", FolderWith("OrgFolder=C:\\TabNo=1\r\nTabNo=0\r\nCreateFileN=2\r\n"));
    ST_CHECK(app.Visible(151));
    ST_CHECK(!app.Visible(101));
    CloseApp(app);
  }

  return Summary();
}
