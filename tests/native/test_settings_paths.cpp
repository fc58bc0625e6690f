// Start-up language choice and the path rules of file choosing (start folder,
// OrgFolder of a chosen file, double-byte backslash scan, dropped names).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/settings_folder.h"
#include "app/startup.h"

TEST(StartupLanguage, SystemLanguageThenLeadingSwitch) {
  EXPECT_EQ(ChooseEnglishUi("", 1041), 0);
  EXPECT_EQ(ChooseEnglishUi("", 1033), 1);
  EXPECT_EQ(ChooseEnglishUi("/us", 1041), 1);
  EXPECT_EQ(ChooseEnglishUi("/US", 1041), 1);
  EXPECT_EQ(ChooseEnglishUi("/uS", 1041), 1);
  EXPECT_EQ(ChooseEnglishUi("/JP", 1033), 0);
  EXPECT_EQ(ChooseEnglishUi("/jp", 1033), 0);
  // No blank needed after the switch; the rest (a file name) is ignored.
  EXPECT_EQ(ChooseEnglishUi("/usX", 1041), 1);
  EXPECT_EQ(ChooseEnglishUi("/us C:\\v\\clip.avi", 1041), 1);
  // Only at the very first character.
  EXPECT_EQ(ChooseEnglishUi(" /jp", 1033), 1);
  EXPECT_EQ(ChooseEnglishUi(" /us", 1041), 0);
  EXPECT_EQ(ChooseEnglishUi("/u", 1041), 0);
  EXPECT_EQ(ChooseEnglishUi("/", 1041), 0);
  EXPECT_EQ(ChooseEnglishUi("/xx", 1033), 1);
  EXPECT_EQ(ChooseEnglishUi(nullptr, 1041), 0);
}

TEST(StartupDirectory, DriveRootLosesItsBackslash) {
  char root[] = "C:\\";
  TrimStartDirectory(root);
  EXPECT_STREQ(root, "C:");
  char folder[] = "D:\\v";
  TrimStartDirectory(folder);
  EXPECT_STREQ(folder, "D:\\v");
  char path[16];
  EXPECT_TRUE(JoinStartPath(root, "\\Tavrin.ini", path, sizeof path));
  EXPECT_STREQ(path, "C:\\Tavrin.ini");
  EXPECT_FALSE(JoinStartPath("C:\\a\\long\\folder", "\\Tavrin.ini", path, sizeof path));
}

TEST(BrowsePaths, OrgFolderOfChosenFile) {
  char folder[260] = "unchanged";
  EXPECT_TRUE(FolderOfChosenFile("C:\\clip.avi", folder, sizeof folder));
  EXPECT_STREQ(folder, "C:\\");
  EXPECT_TRUE(FolderOfChosenFile("D:\\v\\clip.avi", folder, sizeof folder));
  EXPECT_STREQ(folder, "D:\\v");
  EXPECT_TRUE(FolderOfChosenFile("\\\\server\\share\\a.avi", folder, sizeof folder));
  EXPECT_STREQ(folder, "\\\\server\\share");
  strcpy(folder, "unchanged");
  EXPECT_FALSE(FolderOfChosenFile("clip.avi", folder, sizeof folder));
  EXPECT_FALSE(FolderOfChosenFile("\\clip.avi", folder, sizeof folder));
  EXPECT_STREQ(folder, "unchanged");
}

TEST(BrowsePaths, DoubleByteTrailBackslashIsNotAFolderBreak) {
  // CP932 "表" is 0x95 0x5C: its second byte is the backslash code.
  const std::string hyou = "\x95\x5C";
  std::string path = "D:\\" + hyou + "\\clip.avi";  // D:\表\clip.avi
  EXPECT_EQ(LastBackslash(path.c_str()), 5);
  char folder[260];
  ASSERT_TRUE(FolderOfChosenFile(path.c_str(), folder, sizeof folder));
  EXPECT_EQ(std::string(folder), "D:\\" + hyou);

  // A name that ends in such a character: the only real backslash is after D:.
  std::string name = "D:\\" + hyou + ".avi";
  EXPECT_EQ(LastBackslash(name.c_str()), 2);
  ASSERT_TRUE(FolderOfChosenFile(name.c_str(), folder, sizeof folder));
  EXPECT_STREQ(folder, "D:\\");
  // Without the scan's rule the trail byte would cut the folder name in half.
  std::string folderOnly = "D:\\v\\" + hyou;
  EXPECT_EQ(LastBackslash(folderOnly.c_str()), 4);
  // A lone lead byte at the end does not read past the text.
  EXPECT_EQ(LastBackslash("C:\\a\x95"), 2);
}

TEST(BrowsePaths, StartFolderAndTitleFromTheField) {
  char folder[260], title[260];
  SplitBrowseStart("D:\\v\\clip.avi", folder, title);
  EXPECT_STREQ(folder, "D:\\v");
  EXPECT_STREQ(title, "clip.avi");
  SplitBrowseStart("clip.avi", folder, title);
  EXPECT_STREQ(folder, "");
  EXPECT_STREQ(title, "clip.avi");
  SplitBrowseStart("\\clip.avi", folder, title);
  EXPECT_STREQ(folder, "");
  EXPECT_STREQ(title, "\\clip.avi");
  SplitBrowseStart("", folder, title);
  EXPECT_STREQ(folder, "");
  EXPECT_STREQ(title, "");
}

TEST(DroppedFiles, AviNameAndMergeTarget) {
  EXPECT_TRUE(HasAviExtension("C:\\a.avi"));
  EXPECT_TRUE(HasAviExtension("C:\\a.AvI"));
  EXPECT_TRUE(HasAviExtension(".avi"));
  EXPECT_FALSE(HasAviExtension("C:\\a.avi.txt"));
  EXPECT_FALSE(HasAviExtension("C:\\aavi"));
  EXPECT_FALSE(HasAviExtension("avi"));
  EXPECT_EQ(MergeDropField(0), 1);
  EXPECT_EQ(MergeDropField(130), 1);
  EXPECT_EQ(MergeDropField(131), 2);
  EXPECT_EQ(MergeDropField(-5), 1);
}
