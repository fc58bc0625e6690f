// Stream numbers as the stream commands take them: "1", or a list "0,2"
// (--keep 0,2 --keep 3 adds up).
#pragma once
#include <string>
#include <vector>

#include "cli/parsed_args.h"
#include "streams/stream_numbers.h"

// Every number given with the option (N[,N...], repeatable) appended to
// *numbers: "" or the usage fault, "--keep takes stream numbers N[,N...], not 'x'".
std::string ReadStreamNumbers(const ParsedArgs& args, const char* option, std::vector<int>* numbers);
// The number of an option that takes one (N), *number left as it is when the
// option was not given: "" or the usage fault, "--stream takes a stream number, not '0,1'".
std::string ReadStreamNumber(const ParsedArgs& args, const char* option, int* number);
