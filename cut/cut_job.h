// The cut job: keeps or drops many ranges of a recording in one go, into
// one file (the kept ranges one after the other) or one file per kept range.
// Both hosts build a CutRequest and run this job; it reports through the
// sink (bar, status, Cancel, messages).
//
// It reads the ranges (cut/cut_rule.h, cut/cut_list.h), opens and analyses
// the input as the split does, snaps the ranges to key frames, plans each
// kept range's share of the input (share/share_builder.h: PCM cut inside
// chunks at exact sample positions, other streams as the two-way split at
// each end would) and hands them to the existing writers: one file is the
// chain writer over one link per range (chain/chain_writer.h), a file per
// range the many-piece split's writer. Outputs go under temporary names and
// replace their names only when all are complete.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cut/cut_rule.h"
#include "texts/text_pair.h"
#include "io/writer_options.h"

class ExactCoder;
class JobSink;

struct CutRequest {
  std::string path;                 // the recording
  std::vector<std::string> keep;    // RANGE texts kept ...
  std::vector<std::string> drop;    // ... or dropped (not both)
  std::string list;                 // or a cut list file ("" none)
  bool separate = false;            // a file per kept range
  std::string output;               // "" the default name; with separate the name the pieces are numbered from
  uint32_t firstNumber = 1;         // with separate: the first piece's number (a split's 2nd file alone: 2)
  WriterOptions writer;
  // Exact cut: each range from the frame asked for (exact/exact_heads.h),
  // re-encoded by `coder` (the host's; null: exact cuts cannot be made).
  bool exact = false;
  ExactCoder* coder = nullptr;
  // Kept ranges made by the host (a split at a time: the first file and the
  // second), or a range every `every` seconds to the end (byEvery), in
  // place of keep / drop / list.
  std::vector<AskedRange> ranges;
  bool byEvery = false;
  ExactTime every;
  ExactTime everyOverlap;  // each range starts this long before the one before ends
};

enum class CutResult : int32_t {
  Completed,
  Cancelled,
  NoRange,         // no range given, or a list naming none
  KeepAndDrop,     // kept and dropped ranges together (or a list with them)
  RangeInvalid,    // a range's text is no range
  RangeEmpty,      // a range's end is not after its start
  ListUnreadable,  // the cut list cannot be read
  ListBadLine,     // a line of the cut list is wrong
  NameIsInput,     // an output would replace the input
  NoOutputName,    // an output's name would be too long
  InputNotOpen,
  InputNotRiff,
  Unsupported,     // no header fields, no video, no video frames ...
  OpenDml,         // an OpenDML index (indx) that cannot be read
  Damaged,         // cut short, no index or a broken one: the repair hint follows
  StartsAfterEnd,  // a range starts at or after the end of the recording
  NothingKept,     // the dropped ranges leave nothing
  CannotWrite,     // an output cannot be created or written
  TooLarge,        // an output would hold more than its input names, or no OpenDML layout
  ReadError,       // the device failed to read the input (avi/read_fault.h)
  InputChanged,    // the input was cut, replaced or appended to while it was read
  NotExact,        // --exact on a stream whose codec cannot be re-encoded (the key-frame cut works)
  Count
};

int32_t CutResultNumber(CutResult result);
// The message; nullptr for Completed (its summary) and Cancelled.
const TextPair* CutResultText(CutResult result);
// The refusals that are mistakes in the request itself (the command line's exit status 2).
bool IsUsageRefusal(CutResult result);
extern const TextPair kCutAnalyzing;  // status lines
extern const TextPair kCutWriting;

// Where an exact cut put a compressed sound stream's ends (whole frames):
// the source time of its first kept frame less that of the range's first
// picture, and the same at the range's end; seconds.
struct CutSoundFigures {
  uint32_t stream = 0;
  double startOffset = 0;
  bool endCut = false;  // false: the sound runs on to its end
  double endOffset = 0;
  double frameSeconds = 0;  // one frame's length (0: not known)
  // How late the sound plays against the picture in the output at the
  // range's first picture (negative: early): -startOffset in a file of its
  // own; in one file, plus what the ranges before it left (each range's
  // sound endOffset - startOffset longer than its pictures).
  double sync = 0;
};

// A kept range as snapped (and merged), and the ranges asked for that it holds.
struct CutRangeFigures {
  uint32_t firstFrame = 0;
  uint32_t frames = 0;
  double startSeconds = 0;  // at the video's rate / scale
  double seconds = 0;
  std::vector<std::string> asked;
  // An exact cut's: its frames made anew at the start, whether it starts on
  // the frame asked for (else why not: it then starts on the key frame
  // before) and the lowest Y-PSNR of the frames made anew (0: none).
  uint32_t reencodedFrames = 0;
  bool exact = true;
  std::string notExactWhy;
  double lowestPsnr = 0;
  std::vector<CutSoundFigures> sound;  // compressed sound streams, by whole frames
};

// A dropped range (those that overlap or touch, together) and the frames it drops.
struct CutDropFigures {
  std::string asked;
  uint32_t frames = 0;
};

struct CutOutcome {
  CutResult result = CutResult::Completed;
  int32_t Number() const { return CutResultNumber(result); }
  std::string message;  // shown ("" none)
  std::string detail;   // which file or range and why, in English, for the command line
  std::string listFormat;  // the cut list's format read ("" none)
  std::vector<CutRangeFigures> ranges;  // in the order of the outputs
  std::vector<CutDropFigures> drops;    // with dropped ranges
  uint32_t videoFrames = 0;
  uint32_t droppedFrames = 0;
  std::vector<std::string> outputs;  // written, in order
  std::vector<uint64_t> bytes;
  CloneReport clone;
};

CutOutcome CutJob(const CutRequest& request, JobSink& sink);

// The plan alone, for a window that shows what a cut would keep before it
// runs: the ranges read, the input analysed and the ranges snapped exactly
// as CutJob does (ranges, drops, videoFrames, droppedFrames), and nothing
// written. Completed, or the refusal with its message as CutJob gives it.
CutOutcome PlanCut(const CutRequest& request, JobSink& sink);

// The one file's default name: the input's with its extension (the last
// component's final "." and what follows) replaced by "-c.avi", or that appended.
std::string DefaultCutName(const std::string& input);
