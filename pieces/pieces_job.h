// The job that splits a file into many pieces, by time or by size: checks
// the request's fields, opens and analyses the input, plans every piece,
// writes them one after the other under temporary names and moves them into
// place only when all are complete. Both hosts (the window, the command
// line) build a request and run this one job; it reports through the sink
// (bar 0..100 with status texts, Cancel, messages). Its results and texts are
// the split's (share/split_result.h): the same situations give the same
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
#include "share/output_share.h"
#include "share/piece_writer.h"
#include "share/split_result.h"

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


PiecesOutcome SplitPiecesJob(const PiecesRequest& request, JobSink& sink);

