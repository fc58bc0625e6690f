// The merge of many pieces of one recording: at every seam the overlap is
// looked for and dropped exactly as the two-file merge does it, each pair
// (piece i, piece i + 1) on its own. Sound is the exception: what piece i
// keeps is counted from the recording's start, the video frames kept of
// the pieces before it included (PlanSeamAudio), so that the cuts a split
// made at absolute sample positions come back byte for byte however many
// seams there are. The first seam is the two-file merge's, to the byte.
#pragma once
#include <cstdint>
#include <vector>

#include "chain/chain_writer.h"

class InputPool;
class WalkSink;
struct AviAnalysis;

enum class SeamOutcome { Planned, Cancelled, InputGone };

// A seam whose overlap holds different sound in its two pieces
// (merge/overlap_sound.h): the seam (0 between the first two pieces) and
// the audio stream.
struct SeamSoundDiffers {
  size_t seam;
  int stream;
};

// links holds one link per piece (indexes and counts set, everything kept);
// analyses the pieces' analyses. Sets each link's keep counts and seam
// towards the next piece; overlapFrames gets each seam's dropped frames,
// soundDiffers (may be null) each seam's streams whose sound differs.
SeamOutcome PlanSeams(InputPool& pool, const std::vector<const AviAnalysis*>& analyses, WalkSink& sink,
                      std::vector<ChainLink>& links, std::vector<uint32_t>* overlapFrames,
                      std::vector<SeamSoundDiffers>* soundDiffers = nullptr);
