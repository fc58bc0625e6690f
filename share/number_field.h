// The number fields of the Split tab and of the command line: only digits,
// "." and blanks are allowed; the value is the leading decimal number (0 when
// there is none).
#pragma once

#include <cstdint>

#include "avi/exact_time.h"

// False when text holds any other byte; otherwise value gets the number.
// Times are read exactly (avi/exact_time.h); sizes as a double.
bool ParseNumberField(const char* text, ExactTime* value);
bool ParseNumberField(const char* text, double* value);

constexpr double kBytesPerMegabyte = 1048576.0;

// The most bytes a file may take for a limit of megabytes (1,048,576 bytes
// each); 0 when the limit is no positive number.
uint64_t SizeLimitBytes(double megabytes);
