#include "join/join_job.h"

JoinOutcome JoinJob(const JoinJobRequest& request, JobSink& sink) { return RunChainJob(request, sink, nullptr); }
