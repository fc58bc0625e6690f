// The folder the commands' relative names start from: `tavrin batch` moves
// into its job file's folder, so that a job's names mean what they mean
// when the same command is run alone from there. One implementation per
// platform (work_folder_posix.cpp, work_folder_win32.cpp).
#pragma once
#include <string>

// Makes folder (UTF-8; "" is the current one) the process's working folder:
// false with *reason when it cannot.
bool EnterFolder(const std::string& folder, std::string* reason);
