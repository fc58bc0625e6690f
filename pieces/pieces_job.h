// The job that splits a file into many pieces, by time or by size: checks
// the request's fields, opens and analyses the input, plans every piece,
// writes them one after the other under temporary names and moves them into
// place only when all are complete. Both hosts (the window, the command
// line) build a request and run this one job; it reports through the sink
// (bar 0..100 with status texts, Cancel, messages). Its results and texts are
// the split's (split/split_result.h): the same situations give the same
// numbers and messages.
//
// Pieces are named as the two-way split names its outputs, numbered on:
// FILE-1.avi, FILE-2.avi, ... FILE-k.avi.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <functional>

#include "io/writer_options.h"
#include "split/output_share.h"
#include "split/split_result.h"

class JobSink;
struct PiecesPlan;
struct SplitSource;

enum class PiecesBy { Every, Size };

struct PiecesRequest {
  std::string path;  // the input file, used as it stands
  PiecesBy by = PiecesBy::Every;
  std::string everySeconds;   // Every: the length of each piece, checked as the split's number fields
  std::string sizeMegabytes;  // Size: the most each piece may hold, in MB of 1,048,576 bytes
  std::string overlap;        // seconds (0..60) each piece after the first begins before the previous one ends
  WriterOptions writer;       // the pieces' block sharing (its size limit is the pieces' own)
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

PiecesOutcome SplitPiecesJob(const PiecesRequest& request, JobSink& sink);

// Writes planned pieces, one a name, under temporary names one after the
// other, then moves them all into place once all are complete (and
// mayCommit, when given, agrees): the bar runs from 10 to 98 over the pieces
// by their size; outcome gets each piece's figures (at the input's frame
// time), its clone report and, on failure, the detail.
SplitResult WritePiecesNamed(const SplitSource& source, const PiecesPlan& plan, const std::vector<std::string>& names,
                             JobSink& sink, PiecesOutcome& outcome, ChunkCopy copy, const WriterOptions& writer,
                             const std::function<bool()>& mayCommit = {});

// The name of piece number (1, 2, ...) of input: the input's name with its
// last four characters (normally ".avi") replaced by "-number.avi" when its
// last component has them, else with that appended. False when the name
// would be longer than 259 bytes.
bool MakePieceName(const std::string& input, uint32_t number, std::string* name);
