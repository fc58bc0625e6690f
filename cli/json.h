// Minimal JSON text output for the command-line tool.
#pragma once
#include <cstdint>
#include <string>

// A JSON string literal for text: UTF-8 passes through, control bytes are
// escaped, and every byte that is not part of valid UTF-8 becomes U+FFFD, so
// the result is valid JSON whatever bytes text holds.
std::string JsonString(const std::string& text);
// A JSON number for a double, always with a fraction or exponent ("29.0").
std::string JsonDouble(double value);
// A JSON number rounded to at most decimals places, trailing zeros dropped
// ("8.333333", "10.0"): for times that are exact to the microsecond.
std::string JsonFixed(double value, int decimals);
