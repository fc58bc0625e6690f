// The order in which files added together join: by file name, numbers by
// their value ("clip2" before "clip10", as cameras and capture programs
// number their files), letters without regard to case.
#pragma once
#include <string>
#include <vector>

// True when path a's file name comes before b's.
bool NaturalLess(const std::string& a, const std::string& b);
void SortByName(std::vector<std::string>& paths);
