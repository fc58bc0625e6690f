// The merge job: checks both inputs, analyses the second and then the first,
// compares their headers, runs the merge engine and shows the outcome through the sink.
#pragma once
#include "merge/merge_request.h"
#include "merge/merge_result.h"

class JobSink;

MergeOutcome MergeJob(const MergeRequest& request, JobSink& sink);
