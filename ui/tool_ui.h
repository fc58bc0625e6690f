// What the tools' dialogs share: texts in the interface language as UTF-16,
// message boxes, the open and save dialogs with W functions (UTF-8 paths in
// and out, more than one file at a time), dropped files.
#pragma once
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "app/texts.h"
#include "app/tool_settings.h"

// The tools' settings of this run (read at start, kept in Tavrin.ini at close).
ToolSettings& AppToolSettings();

// The text in the interface language (UTF-8 in the program) as UTF-16.
std::wstring UiText(const TextPair& text);
// A message box with the program's caption; returns the button pressed.
int ToolMessage(HWND owner, const std::wstring& text, UINT buttons = MB_OK);

// The open dialog for AVI files, starting in folder (empty: where it likes)
// with initialName shown. Returns the chosen paths (empty when cancelled);
// with many, several files at once, in the order the dialog gives them.
std::vector<std::string> ChooseAviFiles(HWND owner, const std::string& folder, const std::string& initialName,
                                        bool many, const TextPair& title);
// The save dialog for an output of that extension (without its dot), with
// the system's question before an existing file is replaced; "" when
// cancelled.
std::string ChooseOutputFile(HWND owner, const std::string& initialName, const TextPair& title,
                             const std::string& extension = "avi");
// The open dialog for a sound file (.wav, .mp3, .mp2, .ac3); "" when cancelled.
std::string ChooseSoundFile(HWND owner, const std::string& folder, const TextPair& title);

// The names of a drop, in the order the shell gives them; ends the drop.
std::vector<std::string> TakeDroppedFiles(HDROP drop);

// A list view's cell: column 0 puts in row `row`, the others fill it.
void SetCell(HWND list, int row, int column, const std::string& text);

bool EndsInAvi(const std::string& path);  // ".avi" in any case
std::string FolderOf(const std::string& path);  // "" when it names no folder
