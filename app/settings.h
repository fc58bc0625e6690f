// The settings file "\Tavrin.ini": key lookup, reading at start, the default
// content of a first start, the rewrite at close, and how values are shown.
#pragma once
#include <cstdio>
#include <string>

#include "app/paths.h"

// The keys that the program reads but never writes, and their true word.
constexpr const char* kSplitUnitKey = "SplitByTime=";
constexpr const char* kSizeLimitKey = "SizeLimitMB=";
constexpr const char* kCheckMergeKey = "SplitMerge=";
constexpr const char* kTrueWord = "TRUE";

// OrgFolder in UTF-8, written beside OrgFolder (after the five lines) only
// when the system code page cannot hold the folder's name exactly or the
// name is longer than 259 bytes: older versions never read it, and their
// first close drops it, so it never outlives the folder it names.
constexpr const char* kOrgFolderUtf8Key = "OrgFolderUTF8=";
// The longest value that key takes (the longest path Windows allows in UTF-8).
constexpr size_t kLongValueBytes = 32767 * 3;

constexpr const char* kSettingsFileName = "\\Tavrin.ini";
constexpr const char* kDefaultSettings = "Position=\nOrgFolder=\nTabNo=0\nCreateFileN=1\nOverLapS=0\n";

// The window state that survives between runs.
struct Settings {
  char windowPosition[kPathBytes];  // "left top", empty = none
  char orgFolder[kPathBytes];  // as stored: bytes of the system code page
  bool orgFolderStored;        // the file held OrgFolder (else it is the current directory)
  std::string orgFolderUtf8;   // kOrgFolderUtf8Key's value, empty when absent
  int currentTab;        // 0 Split page, 1 Merge page
  int splitByTime;       // 1 time, 0 size
  int sizeLimitMB;       // -1 none
  int createFileChoice;  // 1 both outputs, 2 first only, 3 second only
  float overlapSeconds;
  int splitThenMerge;
};

// The values before any file access.
void InitSettings(Settings& settings);

// Looks for key (its '=' included) anywhere in the file, first occurrence
// first; copies the rest of that line into value (kPathBytes bytes: a longer
// value is cut to kPathBytes - 1 characters). Returns 1 when found, 0 if not.
int FindSettingsKey(std::FILE* file, const char* key, char* value);
// The same with a value of up to kLongValueBytes bytes.
bool FindLongSettingsValue(std::FILE* file, const char* key, std::string* value);

// Applies every key of an open file to settings; keys that are missing or out
// of range take their defaults. currentDirectory is OrgFolder's default.
void ReadSettings(std::FILE* file, Settings& settings, const char* currentDirectory);

// Creates the file with the default content and sets OrgFolder to the current
// directory. False when the file cannot be created (nothing else changes).
bool CreateSettingsFile(const char* path, Settings& settings, const char* currentDirectory);

// Opens path and reads it, or creates it when it cannot be opened. False only
// when it neither exists nor can be created.
bool LoadOrCreateSettings(const char* path, Settings& settings, const char* currentDirectory);

// Rewrites the file with the five lines of a close, and the UTF-8 folder line
// when orgFolderUtf8 is neither null nor empty. overlapText is the overlap
// field's text as typed. False when the file cannot be created. path is UTF-8.
bool WriteSettingsFile(const char* path, int left, int top, const char* orgFolder, int currentTab,
                       int createFileChoice, const char* overlapText, const char* orgFolderUtf8 = nullptr);

// Signed decimal integer after optional leading blanks, up to the first
// non-digit; no digits give 0; clamped to the int range.
int ParseSettingsInt(const char* text);

// Parses "left top": false (window stays put) unless a blank follows at least one character.
bool ParseWindowPosition(const char* text, int& left, int& top);

// The overlap field's start text: clamped to 0..60 (not a number gives 0),
// whole numbers as integers, others with up to three decimals, no trailing zeros.
void FormatOverlap(float seconds, char* text, int size);
