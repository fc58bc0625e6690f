// Every way a split can end, the number the program has always reported for
// it (the progress dialog's end value, the command line's "result"), and its
// message in both languages. The texts live in one table (split_texts.cpp)
// that the compiler checks for completeness.
#pragma once
#include <cstdint>
#include <string>

#include "texts/text_pair.h"
#include "io/writer_options.h"

enum class SplitResult : int32_t {
  Completed,
  Cancelled,           // the user stopped the run; it wrote nothing
  OverlapInvalid,      // overlap field holds a character other than digits, "." and blanks
  OverlapOutOfRange,   // overlap below 0 or above 60
  SizeSplitUnavailable,  // "File size" chosen, but the host cannot split by size: no message
  SizeSplitCompleted,    // the size split wrote its files
  SizeSplitFailed,       // the size split failed (its own messages said why)
  HoursInvalid,
  MinutesInvalid,
  SecondsInvalid,
  TimeZero,
  InputNotOpen,
  InputTooLarge,
  InputNotRiff,
  NoHeaderFields,      // engine codes 1..7: the input's structure is not supported
  NoStreams,
  BadStreamHeader,
  NoVideo,
  NoIndex,
  OpenDml,
  NoVideoEntries,
  NoKeyFrame,          // no key frame at or after the time
  CannotCreateFirst,
  CannotCreateSecond,
  WriteFailed,         // reading the input or writing an output failed midway
  OutputTooLarge,      // an output would hold more than its input (a looping index), or
                       // cannot be laid out as OpenDML: refused before writing
  OverlapTooLong,
  OverlapAtFrameZero,
  OverlapAtEntryZero,
  TimeTooLong,
  SizeAlreadyFits,     // size split: the input is no larger than the limit
  SizeTooSmall,        // size split: not even the first key-frame group fits
  SizeInvalid,         // size split: the limit is no positive number
  ReadError,           // the device failed to read the input (avi/read_fault.h)
  InputChanged,        // the input was cut, replaced or appended to while it was read
  Count
};

// The number reported for a result. A cancel reports 0 before the engine ran
// and -1 once it had started.
int32_t SplitResultNumber(SplitResult result, bool engineStarted);

struct SplitOutcome;
// What a completed split wrote and where it cut, in the user's language, for
// the window's result after its text: each file written with its bytes, the
// cut and the second file's start, the overlap asked and reached.
std::string SplitDoneText(const SplitOutcome& outcome, int englishUi);

// The message shown for a result; nullptr for the results that show none
// (Cancelled, SizeSplitUnavailable).
const TextPair* SplitResultText(SplitResult result);

// For the results that refuse the input's structure (NoHeaderFields ..
// NoVideoEntries): what is missing, in English words for the command line's
// error stream; nullptr for every other result.
const char* SplitStructureDetail(SplitResult result);

// Status line texts of a split.
extern const TextPair kSplitAnalyzing;     // "Analyzing"
extern const TextPair kSplitFileCreating;  // "File Creating"
// The window's advice below a split's "Completed" (which player to use, the
// help file): the window adds it (ui/player_hint_sink.h), and the command
// line's JSON "message" carries it as it always has.
extern const TextPair kSplitPlayerAdvice;

// Where a split cut and what it wrote, for callers that want numbers
// rather than the message. The first file holds frames 0 .. cutFrame - 1;
// the second begins at secondStartFrame (earlier by the overlap). Both are
// key frames; times count from the input's start at its frame rate.
struct SplitFigures {
  bool planned = false;  // false until the engine found the cut
  uint32_t cutFrame = 0;
  double cutSeconds = 0;
  uint32_t secondStartFrame = 0;
  double secondStartSeconds = 0;
  double overlapAsked = 0;   // the overlap the request asked for, in seconds
  uint64_t firstBytes = 0;   // size of each output written (0: not written)
  uint64_t secondBytes = 0;
};

// How a split ended.
struct SplitOutcome {
  SplitResult result = SplitResult::Completed;
  bool engineStarted = false;
  // The output names the engine formed (also for outputs not asked for), and
  // which of them this run wrote. Empty until the engine named them.
  std::string firstOutput;
  std::string secondOutput;
  bool wroteFirst = false;
  bool wroteSecond = false;
  // For failures: which file and the system's reason, for the command line's
  // error stream ("clip-1.avi: No space left on device"). Empty when none.
  std::string detail;
  // The message shown, "" when none (the window's added lines not counted).
  std::string message;
  // The input, when it was refused because it is damaged (cut short, no index
  // or a broken one) and a repair can rebuild it; empty otherwise.
  std::string repairable;
  SplitFigures figures;
  CloneReport clone;  // what came of a request to share the input's blocks

  int32_t Number() const { return SplitResultNumber(result, engineStarted); }
};
