// What a split is asked to do, as the Split tab's fields or the command line
// give it. Texts stay texts: the split job checks them, so both hosts get the
// same checks and messages.
#pragma once
#include <cstdint>
#include <string>

// Which outputs a split writes.
enum class CreateMode : int32_t { First = 1, Second = 2, Both = 3 };

enum class SplitBy { Time, Size };

struct SplitRequest {
  std::string path;  // the input file, used as it stands
  SplitBy by = SplitBy::Time;
  std::string hours, minutes, seconds;  // Time: the split point's fields
  std::string sizeMegabytes;            // Size: the size limit's field (read by the size split, split/size_split.h)
  CreateMode create = CreateMode::Both;
  std::string overlap;          // not looked at when only the first file is made
  bool thenMerge = false;       // Split-Merge: no message after a success, a merge follows
  bool clone = false;           // share the input's blocks where the file system can (io/writer_options.h)
  std::string outputFolder;     // where the outputs go, named as beside the input; empty: beside the input
};
