// Minimal JSON text output for the command-line tool.
#pragma once
#include <string>

// A JSON string literal for text (UTF-8 passes through; control bytes escaped).
std::string JsonString(const std::string& text);
// A JSON number for a double, always with a fraction or exponent ("29.0").
std::string JsonDouble(double value);
