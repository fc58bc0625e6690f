// Stream numbers as a user writes them: "1", or a list "0,2". Numbers are
// those tavrin info shows. An AVI file names a stream's chunks by two digits
// ("01wb"), so they run to 99.
#pragma once
#include <string>
#include <vector>

// Appends the numbers of text to *numbers; false when text is not a list of
// whole numbers of at most two digits.
bool ParseStreamNumbers(const std::string& text, std::vector<int>* numbers);
