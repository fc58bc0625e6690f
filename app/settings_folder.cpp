#include "app/settings_folder.h"

#include <cstring>

int LastBackslash(const char* text) {
  int last = -1;
  for (int i = 0; text[i] != 0; ++i) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte > 0x7E) {
      if (text[i + 1] == 0) break;  // a lone lead byte at the end
      ++i;
      continue;
    }
    if (byte == '\\') last = i;
  }
  return last;
}

void SplitBrowseStart(const char* fieldText, char* folder, char* title) {
  const int slash = LastBackslash(fieldText);
  if (slash > 0) {
    std::memcpy(folder, fieldText, slash);
    folder[slash] = 0;
    std::strcpy(title, fieldText + slash + 1);
  } else {
    folder[0] = 0;
    std::strcpy(title, fieldText);
  }
}

bool FolderOfChosenFile(const char* path, char* folder, int size) {
  const int slash = LastBackslash(path);
  if (slash <= 0 || size <= 0) return false;
  int length = path[slash - 1] == ':' ? slash + 1 : slash;
  if (length > size - 1) length = size - 1;
  std::memcpy(folder, path, length);
  folder[length] = 0;
  return true;
}

bool HasAviExtension(const char* name) {
  const size_t length = std::strlen(name);
  if (length < 4) return false;
  const char* tail = name + length - 4;
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return tail[0] == '.' && lower(tail[1]) == 'a' && lower(tail[2]) == 'v' && lower(tail[3]) == 'i';
}

int MergeDropField(int clientY) { return clientY <= 130 ? 1 : 2; }
