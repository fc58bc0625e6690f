// The number fields of the Split tab: only digits, "." and blanks are
// allowed; the value is the leading decimal number (0 when there is none).
#pragma once

// False when text holds any other byte; otherwise value gets the number.
bool ParseNumberField(const char* text, double* value);
