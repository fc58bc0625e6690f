// What `tavrin detect` prints and writes: the breaks for a person, as one
// JSON line, and the black and silent ranges as a cut list (an MPlayer EDL
// of ranges to cut out when the name ends ".edl", else CSV lines
// "start,end,label").
#pragma once
#include <string>

#include "cli/json.h"
#include "detect/break_finder.h"

void PrintBreaks(const Breaks& breaks, const BreakRequest& asked, const std::string& output);
void PrintBreaksJson(const Breaks& breaks, const BreakRequest& asked, const std::string& output);
// Written under a temporary name and moved into place; false with *why.
bool WriteBreakList(const Breaks& breaks, const std::string& path, std::string* why);
