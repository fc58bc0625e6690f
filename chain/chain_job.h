// The job over a chain of inputs: reads every input in turn, refuses what is
// damaged or of another format than the first, lets a seam planner choose
// what each input keeps (a merge of many drops each seam's overlap; a join
// keeps everything), and writes the joined file. Joining (JoinJob below)
// and the merge of many pieces (merge/merge_many.h) are this job with their
// own planner and name; JoinOrMergeJob there picks one by the request's
// dropOverlaps for every host. Progress, Cancel and messages go through the sink.
//
//   JoinJobRequest request{{"a.avi", "b.avi", "c.avi"}, "", false};
//   JoinOutcome outcome = JoinJob(request, sink);
//   outcome.Number() == 0: outcome.written holds the joined file
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "texts/text_pair.h"
#include "io/writer_options.h"

class InputPool;
class JobSink;
class WalkSink;
struct AviAnalysis;
struct ChainLink;

struct JoinJobRequest {
  std::vector<std::string> inputs;  // in the order they are joined
  std::string output;               // empty: DefaultJoinedName (for a merge: the merge's "-m.avi" name)
  bool dropOverlaps = false;        // true: merge the pieces of one recording (MergeManyJob), false: join
  bool write = true;                // false: check and count only (nothing is written)
  WriterOptions writer;             // the joined file's block sharing
};

// Every way a join can end, the number it reports and its message in both
// languages (join_texts.cpp).
enum class JoinJobResult : int32_t {
  Completed,
  Cancelled,
  TooFewInputs,   // fewer than two files
  NotOpen,        // an input cannot be opened
  NotRiff,        // an input does not begin with "RIFF"
  Damaged,        // an input was cut short, has no index, or its index names missing data
  Unsupported,    // an input without a main header or video stream
  FormatDiffers,  // an input is not of the first one's format
  NameIsInput,    // the output would replace an input
  NoOutputName,   // no name can be made for the output
  CannotWrite,    // the output cannot be created or written
  TooLarge,       // the indexes name more data than the inputs hold, or no OpenDML layout
  ReadError,      // the device failed to read an input (avi/read_fault.h)
  InputChanged,   // an input was cut, replaced or appended to while it was read
  Count
};

int32_t JoinJobResultNumber(JoinJobResult result);
// The fixed message of a result; nullptr for Completed (its summary) and Cancelled.
const TextPair* JoinJobResultText(JoinJobResult result);
extern const TextPair kJoinAnalyzing;  // status line while the inputs are read
extern const TextPair kJoinSeams;      // while the overlaps are looked for
extern const TextPair kJoinWriting;    // while the joined file is written

struct JoinOutcome {
  JoinJobResult result = JoinJobResult::Completed;
  int32_t Number() const { return JoinJobResultNumber(result); }
  std::string message;  // shown (empty when none)
  std::string detail;   // which file and why, for the command line
  std::string output;   // the output's name (also when it was not written)
  std::string written;  // the output path written, empty if none
  uint64_t bytes = 0;   // the joined file's size (as written, or as it would be)
  uint32_t frames = 0;  // its video frames
  double seconds = 0;   // its playing time
  std::vector<uint32_t> seamOverlapFrames;  // per seam: frames of the first dropped (merge only)
  std::vector<double> seamOverlapSeconds;
  CloneReport clone;  // what came of a request to share the inputs' blocks
  // What the merge did but the user may not want (a seam's sound differs in
  // its overlap), in the interface language: shown after the message in the
  // window, apart from it on the command line. The result stays Completed.
  std::vector<std::string> warnings;
};

// What a merge of many adds to the chain job: the joined file's name, and
// what each input keeps at its seam.
class SeamPlanner {
 public:
  enum class Outcome { Planned, Cancelled, InputGone };
  // The joined file's name for these inputs; false when none can be made.
  virtual bool Name(const std::vector<std::string>& inputs, std::string* name) = 0;
  // Sets each link's keep counts and seam towards the next input;
  // overlapFrames gets each seam's dropped frames.
  virtual Outcome Plan(InputPool& pool, const std::vector<const AviAnalysis*>& analyses, WalkSink& sink,
                       std::vector<ChainLink>& links, std::vector<uint32_t>* overlapFrames) = 0;
  // Warnings about the seams planned, in the interface language (none by default).
  virtual std::vector<std::string> Warnings(int englishUi) const {
    (void)englishUi;
    return {};
  }

 protected:
  ~SeamPlanner() = default;
};

// Runs the chain job; seams null: a join (each input whole, the output named
// by DefaultJoinedName).
JoinOutcome RunChainJob(const JoinJobRequest& request, JobSink& sink, SeamPlanner* seams);

// Joins request's inputs whole: every chunk of every input, in order, under
// the first input's header with its counts made true (its dropOverlaps is
// not looked at).
JoinOutcome JoinJob(const JoinJobRequest& request, JobSink& sink);

// The first input's name with its three-letter extension replaced by
// "-j.avi" ("-j2.avi", "-j3.avi", ... when that names an input); empty when
// there is no input.
std::string DefaultJoinedName(const std::vector<std::string>& inputs);
