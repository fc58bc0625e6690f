// Why a Windows call failed, in words: for the errors file names meet most
// (a missing file, a folder, no access, a full disk) the C runtime's words
// as on every other system ("No such file or directory"), else the system's
// own, without the final full stop and line break. UTF-8.
#pragma once
#ifdef _WIN32
#include <string>

std::string SystemReason(unsigned long error);
#endif
