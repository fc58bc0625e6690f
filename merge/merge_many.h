// The merge of many pieces of one recording: the chain job (chain/chain_job.h)
// with the overlap at every seam found and dropped as the two-file merge
// drops it (merge/seam_chain.h), into the first piece's "-m.avi" name.
#pragma once
#include "chain/chain_job.h"

JoinOutcome MergeManyJob(const JoinJobRequest& request, JobSink& sink);

// The request as it asks: the merge of many when dropOverlaps, else the join.
JoinOutcome JoinOrMergeJob(const JoinJobRequest& request, JobSink& sink);
