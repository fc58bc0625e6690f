// Why a recording that ended badly cannot be split, merged or read as it
// is, in words: cut short (at byte N of M), no index, or an index entry
// that misses its chunk; and what a repair would keep. Used where the split,
// the merge and `tavrin info` refuse a file.
#pragma once
#include <cstdint>
#include <string>

#include "scan/repair_scan.h"

class ByteInput;

struct DamageReport {
  bool damaged = false;     // the file needs and allows a repair
  std::string english;      // the reason and what a repair keeps ("" when not damaged)
  std::string japanese;
  const std::string& In(int englishUi) const { return englishUi ? english : japanese; }
  // The reason alone, in English: the first line, for a detail on the
  // command line's error stream.
  std::string Reason() const { return english.substr(0, english.find('\n')); }
};

// From a finished scan.
DamageReport DescribeDamage(const RepairScan& scan);
// Scans the file at path (chunk headers, and the first bytes of frames that
// no index names) and describes it.
DamageReport InspectDamage(const std::string& path);
