// Cut lists: the ranges other programs write down, read so that a user can
// take them from where they were marked. Which format a file is comes from
// its content and its extension:
//   comskip   first line "FILE PROCESSING COMPLETE ... FRAMES AT rate x 100",
//             a line of dashes, then "START END" frame numbers: dropped;
//   EDL       MPlayer's edit list (.edl, or lines of "START END ACTION"):
//             seconds; actions 0 (cut) and 3 (commercial break) are
//             dropped, every other action's range is kept (not cut);
//   CSV       .csv: "start,end[,label]" in seconds, no header line, the
//             label possibly quoted, an empty end = to the end: kept;
//   plain     anything else: one RANGE per line as the command line takes
//             it ("1:00-2:30"), "#" starts a comment: kept.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cut/cut_rule.h"

enum class ListFormat { Plain, Edl, Comskip, Csv };

// "plain", "edl", "comskip", "csv": the name the result gives.
const char* ListFormatName(ListFormat format);

struct CutList {
  ListFormat format = ListFormat::Plain;
  bool dropped = false;  // the ranges are dropped ones (EDL, comskip), else kept ones
  std::vector<AskedRange> ranges;
  uint32_t rateTimes100 = 0;  // comskip: the frame rate its header gives x 100 (0: none)
};

// Why a list cannot be used: it cannot be read, or line `line` is wrong
// (english and japanese say what is wrong with it).
struct ListError {
  bool unreadable = false;
  std::string reason;  // unreadable: the system's reason
  uint32_t line = 0;
  std::string english;
  std::string japanese;
};

bool ReadCutList(const std::string& path, CutList* list, ListError* error);

// The same from text already read (name: for its extension).
bool ParseCutList(const std::string& name, const std::string& text, CutList* list, ListError* error);
