// The number fields of the Split tab and of the command line: only digits,
// "." and blanks are allowed; the value is the leading decimal number (0 when
// there is none).
#pragma once

#include "avi/exact_time.h"

// False when text holds any other byte; otherwise value gets the number.
// Times are read exactly (avi/exact_time.h); sizes as a double.
bool ParseNumberField(const char* text, ExactTime* value);
bool ParseNumberField(const char* text, double* value);
