// The sound of the overlap: whether the two inputs of a merge carry the same
// sound in the time both hold. The joined file keeps the second input's
// sound there; when the first's differs (two recordings of one picture with
// different sound), the merge says so.
#pragma once
#include <cstdint>
#include <vector>

#include "merge/merge_plan.h"

class WalkSink;

// The audio streams (their numbers) whose bytes differ in the overlap of a
// planned merge: the first input's sound from where the second takes over
// to the end of its video, against the second input's sound from its
// start, over the span both hold. Constant-size sound starts at the sample
// of the video's plan.keepCount (framesBefore: video frames of the
// recording before the first input, in a merge of many pieces, so that
// sample positions count as the plan counts them); sound in chunks of
// varying size at the stream's own keepCount entry. Bytes are compared by
// their position in the stream, not chunk by chunk: a split shortens the
// chunks that straddle its cut, and they still compare equal. Reads in
// pieces of fixed size; empty when cancelled.
std::vector<int> SoundDiffersInOverlap(const MergeSources& in, const MergePlan& plan, uint32_t framesBefore,
                                       WalkSink& sink);
