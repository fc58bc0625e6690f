#include "merge/seam_chain.h"

#include "avi/avi_source.h"
#include "avi/walk_sink.h"
#include "chain/input_pool.h"
#include "merge/merge_plan.h"
#include "merge/overlap_sound.h"

SeamOutcome PlanSeams(InputPool& pool, const std::vector<const AviAnalysis*>& analyses, WalkSink& sink,
                      std::vector<ChainLink>& links, std::vector<uint32_t>* overlapFrames,
                      std::vector<SeamSoundDiffers>* soundDiffers) {
  uint32_t framesBefore = 0;
  SeamCarry carry;
  for (size_t i = 0; i + 1 < links.size(); ++i) {
    if (sink.Cancelled()) return SeamOutcome::Cancelled;
    const std::shared_ptr<AviSource> first = pool.Source(i);
    const std::shared_ptr<AviSource> second = pool.Source(i + 1);
    if (!first || !second) return SeamOutcome::InputGone;
    const MergeSources in{{first->Input(), *analyses[i]}, {second->Input(), *analyses[i + 1]}, "", ""};
    MergePlan plan;
    if (PlanMerge(in, kSearchWindowSeconds, sink, plan) == PlanOutcome::Cancelled) return SeamOutcome::Cancelled;
    SeamCarry next;
    PlanSeamAudio(in, framesBefore, carry, plan, &next);
    carry = next;
    if (soundDiffers)
      for (int stream : SoundDiffersInOverlap(in, plan, framesBefore, sink)) soundDiffers->push_back({i, stream});

    ChainLink& l = links[i];
    const int video = analyses[i]->firstVideoStream;
    for (uint32_t s = 0; s < analyses[i]->streamCount; ++s) {
      l.keepCount[s] = plan.keepCount[s];
      l.seamPartialBytes[s] = plan.seamPartialBytes[s];
      l.seamJoinBytes[s] = plan.seamJoinBytes[s];
    }
    framesBefore += plan.keepCount[video];
    if (overlapFrames) overlapFrames->push_back(l.entries[video] - plan.keepCount[video]);
  }
  return sink.Cancelled() ? SeamOutcome::Cancelled : SeamOutcome::Planned;
}
