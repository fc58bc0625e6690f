// Every way a merge can end, the number the program has always reported for
// it, and its message in both languages, from one table (merge_texts.cpp)
// that the compiler checks for completeness.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "texts/text_pair.h"
#include "avi/avi_analysis.h"

enum class MergeResult : int32_t {
  Completed,         // the message is the engine's text (its summary, or "Completed" once the joined file was written)
  Cancelled,
  File1NotOpen,
  File1TooLarge,
  File2NotOpen,
  File2TooLarge,
  File2NotRiff,
  File1NotRiff,
  Unsupported,       // structure codes 1..7
  StructureDiffers,  // structure codes 8..12
  BadSourceName,     // the first input's name is shorter than 5 characters
  NoOutputName,      // the joined file's name would be longer than filesys::LongestPathBytes()
  ReadError,         // the device failed to read an input (avi/read_fault.h)
  InputChanged,      // an input was cut, replaced or appended to while it was read
  Count
};

// The number reported for a result. Unsupported and StructureDiffers report
// the structure code; a cancel 0 before the engine ran and -1 after.
int32_t MergeResultNumber(MergeResult result, uint32_t structureCode, bool engineStarted);

// The fixed message of a result; nullptr for Completed (the engine's own
// text) and Cancelled (none).
const TextPair* MergeResultText(MergeResult result);

// Status line texts and the engine's texts.
extern const TextPair kMergeFile2Analyzing;
extern const TextPair kMergeFile1Analyzing;
extern const TextPair kMergeJoinedWritten;  // "Completed"
extern const TextPair kMergeSummaryFormat;    // size MB, minutes, seconds, overlap seconds

// Writing the joined file: its status line and why it was not written.
extern const TextPair kMergeWriting;           // "File Creating"
extern const TextPair kJoinedNameIsInput;
extern const TextPair kJoinedCannotWrite;
extern const TextPair kJoinedInputDamaged;
extern const TextPair kJoinedTooLarge;
// After "Can't Merge (Structure is different)" when the two files differ
// only in what a writer records per file: they can be joined instead.
extern const TextPair kMergeCanJoinInstead;
// After the result when the two inputs' sound differs in the overlap (a
// printf format: the stream's number).
extern const TextPair kMergeSoundDiffers;
// The same at a seam of a merge of many pieces (the seam's number from 1, the stream's).
extern const TextPair kMergeSeamSoundDiffers;

// The warnings for the audio streams whose sound differs in the overlap, in
// the interface language.
std::vector<std::string> SoundWarnings(const std::vector<int>& streams, int englishUi);

// The joined file's numbers as the merge engine counted them.
struct MergeFigures {
  double sizeMegabytes = 0;     // as the summary shows it
  double seconds = 0;           // playing time
  double overlapSeconds = 0;    // what the second input repeats of the first
  uint32_t overlapFrames = 0;
  uint32_t frames = 0;          // video frames of the joined file
  uint64_t joinedBytes = 0;     // the joined file's exact size
  bool counted = false;         // false until the engine counted them
};

struct PlannedMerge;

struct MergeOutcome {
  MergeResult result = MergeResult::Completed;
  bool engineStarted = false;
  StructureDifference structure;  // what the structure comparison found
  std::string mergedName;         // the joined file's name, once the engine made it
  std::string message;            // the text shown (empty when none)
  std::string detail;             // for failures: which file and why, for the command line
  // The input, when it was refused because it is damaged (cut short, no index
  // or a broken one) and a repair can rebuild it; empty otherwise.
  std::string repairable;
  MergeFigures figures;           // the joined file's numbers, once the engine counted them
  // What the merge did but the user may not want (the two inputs' sound
  // differs in the overlap), in the interface language; the result stays Completed.
  std::vector<std::string> warnings;
  // With MergeRequest::keepPlanned, once planned: the merge to write.
  std::shared_ptr<PlannedMerge> planned;

  int32_t Number() const { return MergeResultNumber(result, structure.code, engineStarted); }
};
