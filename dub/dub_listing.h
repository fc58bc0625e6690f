// The chunks of a dubbed file for the output skeleton: the input's chunks in
// index order (the replaced stream's left out, those of no stream too: "rec "
// lists, JUNK), and the new sound's chunks put in front of each video frame
// until the sound reaches the end of that frame (so the sound runs a frame
// ahead at most, as real writers interleave); PCM in chunks of at most half a
// second, compressed sound a frame (or a source chunk) a chunk. What the
// video frames leave of the sound follows them, whole.
//
// The sound's units are set against the frames exactly: video frame k ends at
// unit SamplePosition(k + 1) (avi/exact_time.h) of the sound's rate; the
// stream's start (dwStart), silence put in front and units taken off count.
#pragma once
#include <cstdint>
#include <memory>

#include "avi/avi_analysis.h"
#include "sound/sound_offset.h"
#include "writer/chunk_listing.h"

struct DubPlan {
  const AviAnalysis* analysis = nullptr;
  std::shared_ptr<ByteInput> input;  // the AVI as analysed
  const SoundSource* sound = nullptr;
  int dropped = -1;      // the input's stream left out (-1 none)
  int stream = 0;        // the new stream's number
  uint32_t videoRate = 0, videoScale = 0;
  OffsetPlan offset;
};

std::unique_ptr<ChunkListing> MakeDubListing(const DubPlan& plan);

// What a count of the listing gives.
struct DubFigures {
  uint64_t moviBytes = 0;
  uint64_t entries = 0;
  uint64_t soundChunks = 0;
  uint64_t soundUnits = 0;  // the new stream's dwLength
  uint32_t largestSound = 0;
  bool failed = false;
};
DubFigures CountDubListing(const DubPlan& plan);
