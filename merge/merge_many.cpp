#include "merge/merge_many.h"

#include <cstdio>

#include "merge/merge_engine.h"
#include "merge/seam_chain.h"

namespace {

class OverlapSeams : public SeamPlanner {
 public:
  bool Name(const std::vector<std::string>& inputs, std::string* name) override {
    return MakeMergedName(inputs[0], name) == MergeResult::Completed;
  }
  Outcome Plan(InputPool& pool, const std::vector<const AviAnalysis*>& analyses, WalkSink& sink,
               std::vector<ChainLink>& links, std::vector<uint32_t>* overlapFrames) override {
    soundDiffers_.clear();
    switch (PlanSeams(pool, analyses, sink, links, overlapFrames, &soundDiffers_)) {
      case SeamOutcome::Planned: return Outcome::Planned;
      case SeamOutcome::Cancelled: return Outcome::Cancelled;
      case SeamOutcome::InputGone: break;
    }
    return Outcome::InputGone;
  }
  std::vector<std::string> Warnings(int englishUi) const override {
    std::vector<std::string> warnings;
    for (const SeamSoundDiffers& d : soundDiffers_) {
      char text[300];
      std::snprintf(text, sizeof text, Pick(kMergeSeamSoundDiffers, englishUi), int(d.seam + 1), d.stream);
      warnings.push_back(text);
    }
    return warnings;
  }

 private:
  std::vector<SeamSoundDiffers> soundDiffers_;
};

}  // namespace

JoinOutcome MergeManyJob(const JoinJobRequest& request, JobSink& sink) {
  OverlapSeams seams;
  return RunChainJob(request, sink, &seams);
}

JoinOutcome JoinOrMergeJob(const JoinJobRequest& request, JobSink& sink) {
  return request.dropOverlaps ? MergeManyJob(request, sink) : JoinJob(request, sink);
}
