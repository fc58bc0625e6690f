// The system's words for a Windows error code ("The system cannot find the
// file specified"), without the final full stop and line break.
#pragma once
#ifdef _WIN32
#include <string>

std::string SystemReason(unsigned long error);
#endif
