#include "merge/merge_many.h"

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
    switch (PlanSeams(pool, analyses, sink, links, overlapFrames)) {
      case SeamOutcome::Planned: return Outcome::Planned;
      case SeamOutcome::Cancelled: return Outcome::Cancelled;
      case SeamOutcome::InputGone: break;
    }
    return Outcome::InputGone;
  }
};

}  // namespace

JoinOutcome MergeManyJob(const JoinJobRequest& request, JobSink& sink) {
  OverlapSeams seams;
  return RunChainJob(request, sink, &seams);
}

JoinOutcome JoinOrMergeJob(const JoinJobRequest& request, JobSink& sink) {
  return request.dropOverlaps ? MergeManyJob(request, sink) : JoinJob(request, sink);
}
