// The settings file: key search, every key's range rule, first-start content,
// the rewrite at close, and the display rules of the values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/settings.h"

namespace {

std::string TempPath(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  std::string path = std::string(dir && *dir ? dir : "/tmp") + "/tavrin_settings_" + name;
  return path;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A settings file with the given bytes, opened for reading.
struct SettingsFile {
  explicit SettingsFile(const std::string& content) {
    file = std::tmpfile();
    std::fwrite(content.data(), 1, content.size(), file);
    std::rewind(file);
  }
  ~SettingsFile() { std::fclose(file); }
  std::FILE* file;
};

Settings ReadFrom(const std::string& content) {
  Settings s;
  InitSettings(s);
  SettingsFile f(content);
  ReadSettings(f.file, s, "Z:\\cwd");
  return s;
}

std::string Find(const std::string& content, const char* key, int* found = nullptr) {
  SettingsFile f(content);
  char value[kPathBytes];
  int r = FindSettingsKey(f.file, key, value);
  if (found) *found = r;
  return r ? std::string(value) : std::string("<missing>");
}

}  // namespace

TEST(FindSettingsKey, FindsKeysAnywhereFirstOccurrenceWins) {
  EXPECT_EQ(Find("TabNo=1\r\nCreateFileN=2\r\n", "CreateFileN="), "2");
  // A key standing inside an earlier line's value is found there.
  EXPECT_EQ(Find("OrgFolder=C:\\TabNo=1\r\nTabNo=0\r\n", "TabNo="), "1");
  EXPECT_EQ(Find("TabNo=0\nTabNo=1\n", "TabNo="), "0");
  // Case matters; a missing key is not found.
  EXPECT_EQ(Find("tabno=1\n", "TabNo="), "<missing>");
  EXPECT_EQ(Find("", "TabNo="), "<missing>");
  EXPECT_EQ(Find("TabNo", "TabNo="), "<missing>");
  // A partial match restarts one character later (overlapping prefixes).
  EXPECT_EQ(Find("TTabNo=1\n", "TabNo="), "1");
  EXPECT_EQ(Find("TaTabNo=1\n", "TabNo="), "1");
}

TEST(FindSettingsKey, ValueEndsAtAnyLineBreakOrEndOfFile) {
  EXPECT_EQ(Find("Position=10 20\nTabNo=1\n", "Position="), "10 20");
  EXPECT_EQ(Find("Position=10 20\r\nTabNo=1\r\n", "Position="), "10 20");
  EXPECT_EQ(Find("Position=10 20\rTabNo=1\r", "Position="), "10 20");
  EXPECT_EQ(Find("Position=10 20", "Position="), "10 20");
  int found = 0;
  EXPECT_EQ(Find("Position=\nTabNo=1\n", "Position=", &found), "");
  EXPECT_EQ(found, 1);
}

TEST(FindSettingsKey, LongValueIsCutTo259AndItsRestSkipped) {
  std::string longValue(400, 'x');
  std::string content = "OrgFolder=" + longValue + "TabNo=1\nTabNo=0\n";
  EXPECT_EQ(Find(content, "OrgFolder="), std::string(259, 'x'));
  // The key that stands in the cut-off rest is still found by its own search.
  EXPECT_EQ(Find(content, "TabNo="), "1");
}

TEST(ReadSettings, DefaultsWhenKeysAreMissing) {
  Settings s = ReadFrom("");
  EXPECT_STREQ(s.windowPosition, "");
  EXPECT_STREQ(s.orgFolder, "Z:\\cwd");
  EXPECT_EQ(s.currentTab, 0);
  EXPECT_EQ(s.splitByTime, 1);
  EXPECT_EQ(s.sizeLimitMB, -1);
  EXPECT_EQ(s.createFileChoice, 1);
  EXPECT_EQ(s.overlapSeconds, 0.0f);
  EXPECT_EQ(s.splitThenMerge, 0);  // absent from a read file: off
}

TEST(ReadSettings, EveryKeysRangeRule) {
  EXPECT_EQ(ReadFrom("TabNo=1\n").currentTab, 1);
  EXPECT_EQ(ReadFrom("TabNo=5\n").currentTab, 0);
  EXPECT_EQ(ReadFrom("TabNo=-1\n").currentTab, 0);
  EXPECT_EQ(ReadFrom("TabNo= 1x\n").currentTab, 1);
  EXPECT_EQ(ReadFrom("TabNo=abc\n").currentTab, 0);

  EXPECT_EQ(ReadFrom("CreateFileN=0\n").createFileChoice, 1);
  EXPECT_EQ(ReadFrom("CreateFileN=2\n").createFileChoice, 2);
  EXPECT_EQ(ReadFrom("CreateFileN=3\n").createFileChoice, 3);
  EXPECT_EQ(ReadFrom("CreateFileN=4\n").createFileChoice, 1);

  EXPECT_EQ(ReadFrom("OverLapS=2.5\n").overlapSeconds, 2.5f);
  EXPECT_EQ(ReadFrom("OverLapS=60\n").overlapSeconds, 60.0f);
  EXPECT_EQ(ReadFrom("OverLapS=0\n").overlapSeconds, 0.0f);
  EXPECT_EQ(ReadFrom("OverLapS=75\n").overlapSeconds, 0.0f);
  EXPECT_EQ(ReadFrom("OverLapS=-1\n").overlapSeconds, 0.0f);
  EXPECT_EQ(ReadFrom("OverLapS=60.0001\n").overlapSeconds, 0.0f);
  EXPECT_EQ(ReadFrom("OverLapS=abc\n").overlapSeconds, 0.0f);
  EXPECT_EQ(ReadFrom("OverLapS=nan\n").overlapSeconds, 0.0f);
  EXPECT_EQ(ReadFrom("OverLapS=12.25sec\n").overlapSeconds, 12.25f);

  EXPECT_STREQ(ReadFrom("OrgFolder=\n").orgFolder, "");
  EXPECT_STREQ(ReadFrom("OrgFolder=D:\\v\n").orgFolder, "D:\\v");
  EXPECT_STREQ(ReadFrom("Position=100 200\n").windowPosition, "100 200");
}

TEST(ReadSettings, OptionKeysAndTheirTrueWord) {
  std::string on = std::string(kSplitUnitKey) + kTrueWord + "\n" + kCheckMergeKey + kTrueWord + "\n" +
                   kSizeLimitKey + "700\n";
  Settings s = ReadFrom(on);
  EXPECT_EQ(s.splitByTime, 1);
  EXPECT_EQ(s.splitThenMerge, 1);
  EXPECT_EQ(s.sizeLimitMB, 700);

  // Anything but the exact true word is false, case included.
  std::string off = std::string(kSplitUnitKey) + "true\n" + kCheckMergeKey + kTrueWord + " \n";
  s = ReadFrom(off);
  EXPECT_EQ(s.splitByTime, 0);
  EXPECT_EQ(s.splitThenMerge, 0);
  EXPECT_EQ(ReadFrom(std::string(kSizeLimitKey) + "-5\n").sizeLimitMB, -5);
}

TEST(ReadSettings, LfOnlyFileReadsLikeCrLf) {
  const char* lf = "Position=5 6\nOrgFolder=C:\\x\nTabNo=1\nCreateFileN=3\nOverLapS=4.5\n";
  const char* crlf = "Position=5 6\r\nOrgFolder=C:\\x\r\nTabNo=1\r\nCreateFileN=3\r\nOverLapS=4.5\r\n";
  Settings a = ReadFrom(lf), b = ReadFrom(crlf);
  EXPECT_STREQ(a.windowPosition, b.windowPosition);
  EXPECT_STREQ(a.orgFolder, "C:\\x");
  EXPECT_STREQ(b.orgFolder, "C:\\x");
  EXPECT_EQ(a.currentTab, 1);
  EXPECT_EQ(b.currentTab, 1);
  EXPECT_EQ(a.createFileChoice, 3);
  EXPECT_EQ(b.createFileChoice, 3);
  EXPECT_EQ(a.overlapSeconds, 4.5f);
  EXPECT_EQ(b.overlapSeconds, 4.5f);
}

TEST(SettingsFile, FirstStartCreatesDefaultContentAndKeepsSplitMergeOn) {
  std::string path = TempPath("create.ini");
  std::remove(path.c_str());
  Settings s;
  InitSettings(s);
  ASSERT_TRUE(LoadOrCreateSettings(path.c_str(), s, "Z:\\start"));
  EXPECT_EQ(ReadAll(path), "Position=\nOrgFolder=\nTabNo=0\nCreateFileN=1\nOverLapS=0\n");
  EXPECT_STREQ(s.orgFolder, "Z:\\start");
  EXPECT_EQ(s.splitThenMerge, 1);

  // The next start reads the file: no Split-Merge key means off, OrgFolder empty.
  Settings again;
  InitSettings(again);
  ASSERT_TRUE(LoadOrCreateSettings(path.c_str(), again, "Z:\\start"));
  EXPECT_EQ(again.splitThenMerge, 0);
  EXPECT_STREQ(again.orgFolder, "");
  std::remove(path.c_str());
}

TEST(SettingsFile, CreationFailsInAMissingFolder) {
  Settings s;
  InitSettings(s);
  EXPECT_FALSE(LoadOrCreateSettings("/nonexistent-dir/Tavrin.ini", s, "Z:\\start"));
  EXPECT_STREQ(s.orgFolder, "");
}

TEST(SettingsFile, CloseWritesFiveLinesInOrderAndDropsOtherKeys) {
  std::string path = TempPath("write.ini");
  {
    std::ofstream old(path);
    old << "Position=1 2\nSplitMerge=TRUE\nMyOwnLine=1\n";
  }
  ASSERT_TRUE(WriteSettingsFile(path.c_str(), -4, 300, "D:\\video files", 1, 3, "75"));
  EXPECT_EQ(ReadAll(path), "Position=-4 300\nOrgFolder=D:\\video files\nTabNo=1\nCreateFileN=3\nOverLapS=75\n");
  // The overlap text is stored as typed and judged at the next start.
  Settings s = ReadFrom(ReadAll(path));
  EXPECT_EQ(s.overlapSeconds, 0.0f);
  EXPECT_EQ(s.currentTab, 1);
  std::remove(path.c_str());
}

TEST(SettingsFile, AFolderTheOldFormCannotHoldComesBackFromItsUtf8Line) {
  // A folder outside the system code page, longer than 259 bytes: the old
  // line keeps what the code page gives, the UTF-8 line after the five the
  // whole name.
  std::string folder = "C:\\\u52d5\u753b \ud55c\uad6d \U0001F3AC";
  while (folder.size() < 400) folder += "\\caf\u00e9";
  std::string path = TempPath("utf8.ini");
  ASSERT_TRUE(WriteSettingsFile(path.c_str(), 1, 2, "C:\\?? ?? ?", 0, 1, "0", folder.c_str()));
  EXPECT_EQ(ReadAll(path), "Position=1 2\nOrgFolder=C:\\?? ?? ?\nTabNo=0\nCreateFileN=1\nOverLapS=0\n"
                           "OrgFolderUTF8=" + folder + "\n");
  Settings s = ReadFrom(ReadAll(path));
  EXPECT_EQ(s.orgFolderUtf8, folder);
  EXPECT_TRUE(s.orgFolderStored);
  EXPECT_STREQ(s.orgFolder, "C:\\?? ?? ?");
  // A file of an earlier version (or of this one for a folder the code page
  // holds) has no such line; a missing OrgFolder is the current directory.
  ASSERT_TRUE(WriteSettingsFile(path.c_str(), 1, 2, "D:\\v", 0, 1, "0", nullptr));
  s = ReadFrom(ReadAll(path));
  EXPECT_EQ(s.orgFolderUtf8, "");
  EXPECT_TRUE(s.orgFolderStored);
  s = ReadFrom("TabNo=1\n");
  EXPECT_FALSE(s.orgFolderStored);
  EXPECT_STREQ(s.orgFolder, "Z:\\cwd");
  // The line cannot start new lines (keys) of its own.
  ASSERT_TRUE(WriteSettingsFile(path.c_str(), 0, 0, "", 0, 1, "0", "D:\\x\r\nTabNo=1"));
  EXPECT_EQ(ReadFrom(ReadAll(path)).currentTab, 0);
  std::remove(path.c_str());
}

TEST(SettingsFile, OverlapTextCannotAddLines) {
  std::string path = TempPath("inject.ini");
  ASSERT_TRUE(WriteSettingsFile(path.c_str(), 0, 0, "", 0, 1, "5\r\nTabNo=1"));
  EXPECT_EQ(ReadAll(path), "Position=0 0\nOrgFolder=\nTabNo=0\nCreateFileN=1\nOverLapS=5\n");
  std::remove(path.c_str());
  EXPECT_FALSE(WriteSettingsFile("/nonexistent-dir/Tavrin.ini", 0, 0, "", 0, 1, "0"));
}

TEST(SettingsValues, WindowPositionNeedsABlankAfterSomething) {
  int x = -7, y = -7;
  EXPECT_TRUE(ParseWindowPosition("100 200", x, y));
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 200);
  EXPECT_TRUE(ParseWindowPosition("-20 -30", x, y));
  EXPECT_EQ(x, -20);
  EXPECT_EQ(y, -30);
  EXPECT_TRUE(ParseWindowPosition("a b", x, y));  // no digits give 0
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  x = y = -7;
  EXPECT_FALSE(ParseWindowPosition("100", x, y));
  EXPECT_FALSE(ParseWindowPosition(" 100 200", x, y));
  EXPECT_FALSE(ParseWindowPosition("", x, y));
  EXPECT_EQ(x, -7);
  EXPECT_EQ(ParseSettingsInt("99999999999"), 2147483647);
  EXPECT_EQ(ParseSettingsInt("-99999999999"), -2147483647 - 1);
}

TEST(SettingsValues, OverlapFieldText) {
  auto shown = [](float v) {
    char text[64];
    FormatOverlap(v, text, sizeof text);
    return std::string(text);
  };
  EXPECT_EQ(shown(60.0f), "60");
  EXPECT_EQ(shown(12.25f), "12.25");
  EXPECT_EQ(shown(0.1f), "0.1");
  EXPECT_EQ(shown(0.125f), "0.125");
  EXPECT_EQ(shown(2.5f), "2.5");
  EXPECT_EQ(shown(75.0f), "60");
  EXPECT_EQ(shown(-3.0f), "0");
  EXPECT_EQ(shown(0.0f), "0");
  EXPECT_EQ(shown(0.0001f), "0");
  EXPECT_EQ(shown(std::nanf("")), "0");
}
