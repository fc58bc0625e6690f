// The split job: checks the request's fields, opens and analyses the input,
// runs the split engine and shows the outcome through the sink.
#pragma once
#include "split/split_request.h"
#include "split/split_result.h"

class JobSink;

SplitOutcome SplitJob(const SplitRequest& request, JobSink& sink);
