// What a job hands to the plug-in when it calls it, in words any host can
// pass on: the window gives them to TavrinD.dll through its channel. A host
// without the plug-in (the command line, a test) answers that it has none,
// and then does such work itself after the job's checks.
#pragma once
#include <cstdint>
#include <string>

struct HandOver {
  enum class Work { SizeSplit, JoinedFile };
  Work work = Work::SizeSplit;
  // The call's own two numbers: (CreateMode, whole seconds of overlap) for a
  // size split, (mode, whole seconds searched) for a merge.
  int32_t first = 0;
  int32_t second = 0;

  // Work::SizeSplit: the Split tab's fields as typed.
  std::string input;
  std::string sizeMegabytes;
  std::string overlap;
  int32_t createMode = 3;  // 1 first file only, 2 second only, 3 both

  // Work::JoinedFile: the planned merge's two inputs and the joined file's name.
  std::string firstInput;
  std::string secondInput;
  std::string joinedPath;
};
