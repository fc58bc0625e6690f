// The settings file "\Tavrin.ini" through the real Tavrin.exe: default content
// at first start, the rules of TabNo, CreateFileN and the three options as the
// window shows them, a key inside another line's value.
#include "tests/win/lib/app.h"

using namespace wt;

int main() {
  if (!Begin(110000)) return Summary();

  Case("first start creates the default content; Split-Merge starts checked");
  {
    const std::string folder = FolderWith(nullptr);
    App app = Launch("", folder);
    WT_CHECK_EQ(ReadBytes(folder + "\\Tavrin.ini"),
                std::string("Position=\r\nOrgFolder=\r\nTabNo=0\r\nCreateFileN=1\r\nOverLapS=0\r\n"));
    WT_CHECK(app.Checked(IDC_SPLIT_MERGE));
    WT_CHECK_EQ(app.ItemText(IDC_EXECUTE), std::wstring(L"Split-Merge"));
    WT_CHECK(app.Checked(IDC_BY_TIME));
    WT_CHECK(app.Checked(IDC_CREATE_BOTH));
    WT_CHECK_EQ(app.ItemText(IDC_OVERLAP), std::wstring(L"0"));
    WT_CHECK_EQ(app.ItemText(IDC_SIZE_MB), std::wstring());
    const RECT r = app.WindowRect();
    CloseApp(app);
    // Closing writes the five lines in order; OrgFolder is the start folder.
    char expected[1024];
    std::snprintf(expected, sizeof expected,
                  "Position=%ld %ld\r\nOrgFolder=%s\r\nTabNo=0\r\nCreateFileN=1\r\nOverLapS=0\r\n", r.left, r.top,
                  folder.c_str());
    WT_CHECK_EQ(ReadBytes(folder + "\\Tavrin.ini"), std::string(expected));

    // The next start reads the file: no Split-Merge key, so it is off.
    App again = Launch("", folder);
    WT_CHECK(!again.Checked(IDC_SPLIT_MERGE));
    WT_CHECK_EQ(again.ItemText(IDC_EXECUTE), std::wstring(L"Split"));
    CloseApp(again);
  }

  Case("TabNo: 1 opens the Merge page, 5 and text the Split page");
  {
    App app = Launch("", FolderWith("TabNo=1\r\n"));
    WT_CHECK(app.Visible(IDC_MERGE_FILE1));
    WT_CHECK(!app.Visible(IDC_SRC_FILE));
    WT_CHECK_EQ(app.ItemText(IDC_EXECUTE), std::wstring(L"Merge"));
    WT_CHECK_EQ(SendMessageA(app.Item(IDC_TABS), TCM_GETCURSEL, 0, 0), 1L);
    CloseApp(app);
    for (const char* content : {"TabNo=5\r\n", "TabNo=x\r\n", "TabNo=-1\r\n"}) {
      App split = Launch("", FolderWith(content));
      WT_CHECK(split.Visible(IDC_SRC_FILE));
      WT_CHECK(!split.Visible(IDC_MERGE_FILE1));
      WT_CHECK_EQ(SendMessageA(split.Item(IDC_TABS), TCM_GETCURSEL, 0, 0), 0L);
      CloseApp(split);
    }
  }

  Case("CreateFileN: 2 and 3 select their radio, 0 and missing select both; Split-Merge only with both");
  {
    struct Row {
      const char* content;
      int radio;
    } rows[] = {{"CreateFileN=2\r\n", IDC_CREATE_FIRST},
                {"CreateFileN=3\r\n", IDC_CREATE_SECOND},
                {"CreateFileN=0\r\n", IDC_CREATE_BOTH},
                {"CreateFileN=4\r\n", IDC_CREATE_BOTH},
                {"TabNo=0\r\n", IDC_CREATE_BOTH}};
    for (const Row& row : rows) {
      App app = Launch("", FolderWith(row.content));
      for (int id : {IDC_CREATE_BOTH, IDC_CREATE_FIRST, IDC_CREATE_SECOND})
        WT_CHECK_EQ(app.Checked(id), id == row.radio);
      WT_CHECK_EQ(app.Enabled(IDC_SPLIT_MERGE), row.radio == IDC_CREATE_BOTH);
      CloseApp(app);
    }
  }

  Case("the three options read but never written, and their true word");
  {
    App app = Launch("", FolderWith("SplitByTime=FALSE\r\nSizeLimitMB=700\r\nSplitMerge=TRUE\r\n"));
    WT_CHECK(app.Checked(IDC_BY_SIZE));
    WT_CHECK(!app.Checked(IDC_BY_TIME));
    WT_CHECK(!app.Enabled(IDC_HOURS));
    WT_CHECK(!app.Enabled(IDC_MINUTES));
    WT_CHECK(!app.Enabled(IDC_SECONDS));
    WT_CHECK(app.Enabled(IDC_SIZE_MB));
    WT_CHECK_EQ(app.ItemText(IDC_SIZE_MB), std::wstring(L"700"));
    WT_CHECK(app.Checked(IDC_SPLIT_MERGE));
    WT_CHECK_EQ(app.ItemText(IDC_EXECUTE), std::wstring(L"Split-Merge"));
    CloseApp(app);

    App other = Launch("", FolderWith("SplitByTime=TRUE\r\nSizeLimitMB=0\r\nSplitMerge=true\r\n"));
    WT_CHECK(other.Checked(IDC_BY_TIME));
    WT_CHECK(other.Enabled(IDC_HOURS));
    WT_CHECK(!other.Enabled(IDC_SIZE_MB));
    WT_CHECK_EQ(other.ItemText(IDC_SIZE_MB), std::wstring());
    WT_CHECK(!other.Checked(IDC_SPLIT_MERGE));
    CloseApp(other);
  }

  Case("a key standing inside another line's value is found there first");
  {
    App app = Launch("", FolderWith("OrgFolder=C:\\TabNo=1\r\nTabNo=0\r\nCreateFileN=2\r\n"));
    WT_CHECK(app.Visible(IDC_MERGE_FILE1));
    WT_CHECK(!app.Visible(IDC_SRC_FILE));
    CloseApp(app);
  }

  return Summary();
}
