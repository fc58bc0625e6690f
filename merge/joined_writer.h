// Writes the joined file of a planned merge: the first input's header with
// its sizes and lengths patched, the chunks the plan takes from each input
// (the audio seam joined or dropped as planned), and an idx1 index whose
// offsets count from the joined file's own "movi" list type. Streams with
// fixed memory, whatever the size of the inputs.
#pragma once
#include <cstddef>
#include <cstdint>

#include "avi/avi_analysis.h"
#include "merge/merge_plan.h"

class ByteInput;
class OutputStream;

// One input as the writer reads it.
struct JoinInput {
  ByteInput* file;
  uint32_t idx1Offset;  // position of its idx1 chunk header
  uint32_t entryTotal;  // idx1 entries
  uint32_t chunkBase;   // where its idx1 chunk offsets count from
};

struct JoinRequest {
  // The first input's analysis: header layout (the second input's is the
  // same, as the structure comparison found), stream types and entry counts.
  const AviAnalysis* analysis;
  JoinInput first;
  JoinInput second;
  uint32_t secondFrames;  // the second input's video frames (entries of the first video stream)
  const MergePlan* plan;
};

// Progress and cancel while writing; either function may be null.
struct JoinObserver {
  void* context;
  void (*progress)(void* context, uint64_t bytesDone, uint64_t bytesTotal);
  bool (*cancelled)(void* context);
};

// The joined file's figures, known before its first byte is written.
struct JoinedFigures {
  uint64_t fileBytes;     // the whole file; its RIFF size is this - 8
  uint64_t moviBytes;     // chunks in the movi list, headers and pads included
  uint32_t entries;       // idx1 entries, one per chunk
  uint32_t totalFrames;   // avih dwTotalFrames
  uint32_t lengths[kMaxStreams];  // strh dwLength per stream
};

// The largest joined file written: the largest input this program reads.
constexpr uint64_t kMaxJoinedFileBytes = 0x7FFFFFFF;

enum class JoinResult {
  Written,
  Cancelled,    // stopped on request; what the sink received is to be dropped
  InputShort,   // a chunk the index names lies (partly) beyond its input's end
  WriteFailed,  // the output refused bytes
  TooLarge,     // the joined file would exceed kMaxJoinedFileBytes
};

// Counts the joined file from both indexes (no chunk data is read).
JoinedFigures MeasureJoinedFile(const JoinRequest& request);

// Writes the joined file to out, in blocks of a few MB. On anything but
// Written, out holds a partial file that its owner must discard.
JoinResult WriteJoinedFile(const JoinRequest& request, OutputStream& out, const JoinObserver& observer);
