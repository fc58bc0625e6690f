// Writing the planned pieces of one input, each its share, as the split
// into many pieces and the cut's separate ranges write them: under temporary
// names one after the other, all moved into place once all are complete.
// Pieces are named as the two-way split names its outputs, numbered on:
// FILE-1.avi, FILE-2.avi, ... FILE-k.avi.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "io/writer_options.h"
#include "share/output_share.h"
#include "share/share_builder.h"
#include "share/split_result.h"

class JobSink;
struct SplitSource;

struct PiecesPlan {
  uint32_t frameMicros = 0;  // U
  uint32_t videoFrames = 0;  // V
  std::vector<Piece> pieces;
  // On a refusal, where (English, for the command line's error stream) and,
  // for a key-frame group too large, its frames and size.
  std::string where;
  uint32_t groupStart = 0;
  uint32_t groupEnd = 0;
  uint64_t groupBytes = 0;
};

// One piece written: frames firstFrame .. firstFrame + frames - 1 of the
// input, from startSeconds on for seconds (at the input's frame rate).
struct PieceFigures {
  std::string name;
  uint64_t bytes = 0;
  uint32_t firstFrame = 0;
  uint32_t frames = 0;
  double startSeconds = 0;
  double seconds = 0;
};

struct PiecesOutcome {
  SplitResult result = SplitResult::Completed;
  bool engineStarted = false;  // the input was analysed (a cancel then reports -1)
  int32_t Number() const { return SplitResultNumber(result, engineStarted); }
  std::string message;  // the message shown, "" when none
  // For failures: which file or piece and why, in English, for the command
  // line's error stream. Empty when none.
  std::string detail;
  std::vector<PieceFigures> pieces;  // written, in order (empty unless all were)
  CloneReport clone;                 // what came of a request to share the input's blocks
};

// Writes planned pieces, one a name, under temporary names one after the
// other, then moves them all into place once all are complete (and
// mayCommit, when given, agrees): the bar runs from 10 to 98 over the pieces
// by their size; outcome gets each piece's figures (at the input's frame
// time), its clone report and, on failure, the detail.
// check, when given, looks at each finished piece (its number from 0 and
// its temporary name) before any is moved: false ends the writing with
// nothing written, as Cancelled (the caller knows why).
using PieceCheck = std::function<bool(size_t piece, const std::string& temporaryPath)>;
SplitResult WritePiecesNamed(const SplitSource& source, const PiecesPlan& plan, const std::vector<std::string>& names,
                             JobSink& sink, PiecesOutcome& outcome, ChunkCopy copy, const WriterOptions& writer,
                             const std::function<bool()>& mayCommit = {}, const PieceCheck& check = {});

// The name of piece number (1, 2, ...) of input: the input's name with its
// last four characters (normally ".avi") replaced by "-number.avi" when its
// last component has them, else with that appended. False when the name
// would be longer than 259 bytes.
bool MakePieceName(const std::string& input, uint32_t number, std::string* name);
