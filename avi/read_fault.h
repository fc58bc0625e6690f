// Why an input could not be read as it was when it was opened: the device
// failed to read a byte (a read error), or the file was cut, replaced or
// appended to while the program read it. A job that finds one reports it,
// in these words, instead of what the missing bytes would seem to show (a
// damaged file, an end before the index): the file itself is not at fault.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>

struct ReadFault {
  enum Kind { None, ReadError, Changed };
  Kind kind = None;
  std::string path;     // the input, as it was opened
  uint64_t at = 0;      // ReadError: the first byte that could not be read
  std::string reason;   // ReadError: the system's words ("Input/output error")
  uint64_t wasSize = 0; // the size when opened
  uint64_t nowSize = 0; // Changed: the size found later

  explicit operator bool() const { return kind != None; }
};

// "clip.avi: read error at byte 104,857,600: Input/output error",
// "clip.avi changed while it was read: it is now 120 MB, it was 290 MB";
// english 0: the Japanese words. Empty for no fault.
std::string DescribeReadFault(const ReadFault& fault, int english);
// The first fault among faults (nulls skipped), or null.
const ReadFault* FirstReadFault(std::initializer_list<const ReadFault*> faults);
