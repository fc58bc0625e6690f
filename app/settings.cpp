#include "app/settings.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "io/file_system.h"

namespace {

void CopyCut(char* out, const char* text) {
  std::snprintf(out, kPathBytes, "%s", text ? text : "");
}

bool IsLineBreak(int c) { return c == '\r' || c == '\n'; }

}  // namespace

void InitSettings(Settings& settings) {
  settings.windowPosition[0] = 0;
  settings.orgFolder[0] = 0;
  settings.orgFolderStored = false;
  settings.orgFolderUtf8.clear();
  settings.currentTab = 0;
  settings.splitByTime = 1;
  settings.sizeLimitMB = -1;
  settings.createFileChoice = 1;
  settings.overlapSeconds = 0.0f;
  settings.splitThenMerge = 1;
}

namespace {

// The search of FindSettingsKey; the value is cut to limit bytes and the
// rest of its line skipped.
bool FindKey(std::FILE* file, const char* key, std::string* value, size_t limit) {
  const size_t keyLength = std::strlen(key);
  value->clear();
  if (keyLength == 0 || std::fseek(file, 0, SEEK_SET) != 0) return false;
  long attempt = 0;  // file position where the current match attempt begins
  for (;;) {
    if (std::fseek(file, attempt, SEEK_SET) != 0) return false;
    size_t matched = 0;
    int c = 0;
    while (matched < keyLength) {
      c = std::fgetc(file);
      if (c == EOF || static_cast<char>(c) != key[matched]) break;
      ++matched;
    }
    if (matched == keyLength) break;
    if (c == EOF && matched == 0) return false;
    ++attempt;
  }
  for (int c = std::fgetc(file); c != EOF && !IsLineBreak(c); c = std::fgetc(file)) {
    if (value->size() < limit) value->push_back(static_cast<char>(c));
  }
  return true;
}

}  // namespace

int FindSettingsKey(std::FILE* file, const char* key, char* value) {
  std::string found;
  const bool ok = FindKey(file, key, &found, kPathBytes - 1);
  std::memcpy(value, found.c_str(), found.size() + 1);
  return ok ? 1 : 0;
}

bool FindLongSettingsValue(std::FILE* file, const char* key, std::string* value) {
  return FindKey(file, key, value, kLongValueBytes);
}

int ParseSettingsInt(const char* text) {
  while (*text == ' ') ++text;
  bool negative = false;
  if (*text == '-' || *text == '+') negative = *text++ == '-';
  long long number = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    number = number * 10 + (*text - '0');
    if (number > static_cast<long long>(INT_MAX) + 1) number = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) number = -number;
  if (number > INT_MAX) number = INT_MAX;
  return static_cast<int>(number);
}

void ReadSettings(std::FILE* file, Settings& settings, const char* currentDirectory) {
  char value[kPathBytes];

  if (FindSettingsKey(file, "Position=", value)) CopyCut(settings.windowPosition, value);

  settings.orgFolderStored = FindSettingsKey(file, "OrgFolder=", value) != 0;
  CopyCut(settings.orgFolder, settings.orgFolderStored ? value : currentDirectory);
  FindLongSettingsValue(file, kOrgFolderUtf8Key, &settings.orgFolderUtf8);

  settings.currentTab = 0;
  if (FindSettingsKey(file, "TabNo=", value)) {
    int tab = ParseSettingsInt(value);
    if (tab == 0 || tab == 1) settings.currentTab = tab;
  }

  settings.splitByTime = 1;
  if (FindSettingsKey(file, kSplitUnitKey, value)) settings.splitByTime = std::strcmp(value, kTrueWord) == 0;

  settings.sizeLimitMB = -1;
  if (FindSettingsKey(file, kSizeLimitKey, value)) settings.sizeLimitMB = ParseSettingsInt(value);

  settings.createFileChoice = 1;
  if (FindSettingsKey(file, "CreateFileN=", value)) {
    int choice = ParseSettingsInt(value);
    if (choice >= 1 && choice <= 3) settings.createFileChoice = choice;
  }

  settings.overlapSeconds = 0.0f;
  if (FindSettingsKey(file, "OverLapS=", value)) {
    float seconds = static_cast<float>(std::strtod(value, nullptr));
    if (seconds >= 0.0f && seconds <= 60.0f) settings.overlapSeconds = seconds;
  }

  settings.splitThenMerge = 0;
  if (FindSettingsKey(file, kCheckMergeKey, value)) settings.splitThenMerge = std::strcmp(value, kTrueWord) == 0;
}

bool CreateSettingsFile(const char* path, Settings& settings, const char* currentDirectory) {
  std::FILE* file = filesys::OpenStdio(path, "w");
  if (!file) return false;
  std::fputs(kDefaultSettings, file);
  CopyCut(settings.orgFolder, currentDirectory);
  std::fclose(file);
  return true;
}

bool LoadOrCreateSettings(const char* path, Settings& settings, const char* currentDirectory) {
  // Binary: the key search steps back and forth by byte positions.
  std::FILE* file = filesys::OpenStdio(path, "rb");
  if (!file) return CreateSettingsFile(path, settings, currentDirectory);
  ReadSettings(file, settings, currentDirectory);
  std::fclose(file);
  return true;
}

bool WriteSettingsFile(const char* path, int left, int top, const char* orgFolder, int currentTab,
                       int createFileChoice, const char* overlapText, const char* orgFolderUtf8) {
  // The overlap text ends at a line break: a value must not start new lines
  // (keys) of its own in the file.
  char overlap[kPathBytes];
  CopyCut(overlap, overlapText);
  overlap[std::strcspn(overlap, "\r\n")] = 0;

  // Text mode: each line ends in CR LF on Windows.
  std::FILE* file = filesys::OpenStdio(path, "w");
  if (!file) return false;
  std::fprintf(file, "Position=%d %d\n", left, top);
  std::fprintf(file, "OrgFolder=%s\n", orgFolder);
  std::fprintf(file, "TabNo=%d\n", currentTab);
  std::fprintf(file, "CreateFileN=%d\n", createFileChoice);
  std::fprintf(file, "OverLapS=%s\n", overlap);
  if (orgFolderUtf8 && *orgFolderUtf8) {
    const std::string folder(orgFolderUtf8, std::strcspn(orgFolderUtf8, "\r\n"));
    std::fprintf(file, "%s%s\n", kOrgFolderUtf8Key, folder.c_str());
  }
  std::fclose(file);
  return true;
}

bool ParseWindowPosition(const char* text, int& left, int& top) {
  const char* blank = std::strchr(text, ' ');
  if (!blank || blank == text) return false;
  left = ParseSettingsInt(text);
  top = ParseSettingsInt(blank + 1);
  return true;
}

void FormatOverlap(float seconds, char* text, int size) {
  if (!(seconds >= 0.0f)) seconds = 0.0f;
  if (seconds > 60.0f) seconds = 60.0f;
  if (seconds == std::floor(seconds)) {
    std::snprintf(text, size, "%d", static_cast<int>(seconds));
    return;
  }
  std::snprintf(text, size, "%2.3f", seconds);
  size_t length = std::strlen(text);
  while (length > 0 && text[length - 1] == '0') text[--length] = 0;
  if (length > 0 && text[length - 1] == '.') text[--length] = 0;
}
