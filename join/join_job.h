// Joining files of one format one after the other: every chunk of every
// input, in order, under the first input's header with its counts made true
// (the chain job, chain/chain_job.h, with no seams to plan).
#pragma once
#include "chain/chain_job.h"

// Joins request's inputs whole (its dropOverlaps is not looked at: the merge
// of many is merge/merge_many.h).
JoinOutcome JoinJob(const JoinJobRequest& request, JobSink& sink);
