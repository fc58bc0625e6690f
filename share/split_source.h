// The input that outputs take their shares of (share/output_share.h), and
// the plan of a two-way split at one cut: what the split, its pieces and the
// cut's ranges all start from.
#pragma once
#include <cstdint>
#include <string>

#include "avi/avi_analysis.h"
#include "share/split_result.h"

class AviSource;
class ByteInput;

// The analysed input of a split.
struct SplitSource {
  ByteInput& input;
  const AviAnalysis& analysis;
  std::string path;  // the input's name, from which the outputs are named
  // Where input is the flattened view of an OpenDML file: that file, from
  // which the outputs take the chunks they carry over, so that they are
  // copied file to file and can share its blocks. Null: from input.
  AviSource* stored = nullptr;
};

// The source of a split of an opened input: its reader's input, and for an
// OpenDML file that file as stored.
SplitSource SplitSourceOf(AviSource& input, const AviAnalysis& analysis, const std::string& path);

// One stream's part of the plan. The first file takes the stream's entries
// 0 .. firstCount - 1, the second its entries secondStart .. end.
struct StreamCut {
  uint32_t firstCount;
  uint32_t secondStart;
  // What the stream's chunks take in each movi list; 64-bit so that an index
  // naming the same chunks over and over cannot wrap the sums unnoticed.
  uint64_t firstMoviBytes;
  uint64_t secondMoviBytes;
  uint32_t firstPartialBytes;   // audio: size of the shortened last chunk (0: none)
  uint32_t secondPartialBytes;  // audio: size of the shortened first chunk (0: none)
  // Index entries the passes route as this stream's: idx1EntryCount, plus
  // entries whose code starts with "0" and the digit but is not all
  // printable (the walk does not count those; the passes take them).
  uint32_t entries;
};

struct SplitPlan {
  uint32_t frameMicros;  // avih dwMicroSecPerFrame (U)
  uint32_t videoFrames;  // index entries of the first video stream (V)
  uint32_t splitFrame;
  uint32_t splitEntry;
  uint32_t secondStartFrame;
  uint32_t secondStartEntry;
  StreamCut cuts[kMaxStreams];
};

// Checks the analysed structure and clears plan, filling in only its frame
// time (U) and video frame count (V): what every plan starts from.
SplitResult StartSplitPlan(const SplitSource& source, SplitPlan& plan);
