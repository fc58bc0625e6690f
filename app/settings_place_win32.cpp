#include "app/settings_place.h"

#include <windows.h>

#include <shlobj.h>

#include <cstdio>

#include "io/wide_path.h"

namespace {

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Opened for appending, which changes nothing in it: a read-only file, or one
// in a folder the user may not write, fails here.
bool CanWrite(const std::string& path) {
  std::FILE* file = _wfopen(WidePath(path).c_str(), L"ab");
  if (!file) return false;
  std::fclose(file);
  return true;
}

SettingsPlace Found(const std::string& path, Settings& settings, const char* currentDirectory) {
  SettingsPlace place;
  place.path = path;
  place.writable = LoadOrCreateSettings(path.c_str(), settings, currentDirectory) && CanWrite(path);
  return place;
}

std::string WithoutTrailingBackslash(std::string folder) {
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

}  // namespace

std::string ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD got = GetModuleFileNameW(nullptr, &path[0], DWORD(path.size()));
    if (got == 0) return std::string();
    if (got < path.size()) {
      path.resize(got);
      break;
    }
    path.resize(path.size() * 2);  // cut short: a longer path than the buffer
  }
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::string() : Utf8FromWide(path.substr(0, slash));
}

std::string UserSettingsFolder() {
  wchar_t buffer[32768] = L"";
  const DWORD got = GetEnvironmentVariableW(L"APPDATA", buffer, DWORD(sizeof buffer / sizeof buffer[0]));
  std::string folder;
  if (got > 0 && got < sizeof buffer / sizeof buffer[0]) {
    folder = Utf8FromWide(buffer);
  } else if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer))) {
    folder = Utf8FromWide(buffer);
  }
  folder = WithoutTrailingBackslash(folder);
  return folder.empty() ? folder : folder + "\\Tavrin";
}

SettingsPlace LoadSettingsPlace(const std::string& programFolder, const std::string& userFolder,
                                Settings& settings, const char* currentDirectory) {
  const std::string beside = programFolder.empty() ? "" : programFolder + kSettingsFileName;
  const std::string user = userFolder.empty() ? "" : userFolder + kSettingsFileName;
  if (!beside.empty() && IsFile(beside)) return Found(beside, settings, currentDirectory);
  if (!user.empty() && IsFile(user)) return Found(user, settings, currentDirectory);

  SettingsPlace place;
  if (!beside.empty() && CreateSettingsFile(beside.c_str(), settings, currentDirectory)) {
    place.path = beside;
  } else if (!user.empty()) {
    CreateDirectoryW(WidePath(userFolder).c_str(), nullptr);  // fails harmlessly when it is there
    if (CreateSettingsFile(user.c_str(), settings, currentDirectory)) place.path = user;
  }
  place.writable = !place.path.empty();
  // Nothing read or made: OrgFolder starts as a new file's would.
  if (!place.writable) std::snprintf(settings.orgFolder, sizeof settings.orgFolder, "%s", currentDirectory);
  return place;
}
