// Path rules of file choosing: the double-byte-safe backslash scan, the
// browse dialog's start folder and title, the OrgFolder of a chosen file, dropped names.
#pragma once

// Index of the last backslash in text, or -1. Every byte outside printable
// ASCII (0x20..0x7E) starts a two-byte character whose second byte is
// skipped, so a trail byte equal to '\' (CP932) is never taken for one.
int LastBackslash(const char* text);

// The browse dialog's start: folder gets the text before the last backslash
// (empty when there is none or it stands first), title the text after it (or
// the whole text). Both buffers hold at least strlen(fieldText) + 1 bytes.
void SplitBrowseStart(const char* fieldText, char* folder, char* title);

// The folder of a chosen file for OrgFolder: cut at the last backslash, a
// drive root keeping its backslash ("C:\clip.avi" -> "C:\"). False (folder
// untouched) when the path holds no backslash after its first character.
bool FolderOfChosenFile(const char* path, char* folder, int size);

// True when name ends in ".avi", in any mix of upper and lower case.
bool HasAviExtension(const char* name);

// The Merge page's field for a drop at client y: 1 (the first file's field)
// up to y 130, 2 (the second's) below.
int MergeDropField(int clientY);
