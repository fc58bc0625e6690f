// Start-up rules that need no windows: the interface language from the system
// language and the command line, and the start directory's form.
#pragma once

constexpr int kJapaneseLangId = 1041;

// 1 (English) unless the system language is Japanese; a "/us" or "/jp" (any
// case) in the command line's first three characters overrides it.
int ChooseEnglishUi(const char* commandLine, int userLangId);

// Removes the trailing backslash of a drive root ("C:\" -> "C:").
void TrimStartDirectory(char* directory);

// StartDirectory + name into out (size bytes); false when it does not fit.
bool JoinStartPath(const char* startDirectory, const char* name, char* out, int size);
