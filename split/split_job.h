// The split job: checks the request's fields, opens and analyses the input,
// runs the split engine and shows the outcome through the sink.
#pragma once
#include <cstdint>
#include <string>

#include "split/split_request.h"
#include "split/split_result.h"

class ByteInput;
class JobSink;

SplitOutcome SplitJob(const SplitRequest& request, JobSink& sink);

// Sets the outcome's result and shows its message, if it has one.
SplitOutcome& FinishSplit(SplitOutcome& outcome, SplitResult result, JobSink& sink);

// Checks that path can be split (it opens, it is under the size limit) and
// opens it into input. On failure: outcome's result and detail, false.
bool OpenSplitInput(const std::string& path, ByteInput& input, uint32_t* fileSize, SplitOutcome& outcome);
