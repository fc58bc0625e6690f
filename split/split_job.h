// The split job: checks the request's fields, opens and analyses the input,
// runs the split engine and shows the outcome through the sink.
#pragma once
#include <cstdint>
#include <string>

#include "split/split_request.h"
#include "split/split_result.h"

class AviSource;
class JobSink;
struct AviAnalysis;

SplitOutcome SplitJob(const SplitRequest& request, JobSink& sink);

// Sets the outcome's result and shows its message, if it has one.
SplitOutcome& FinishSplit(SplitOutcome& outcome, SplitResult result, JobSink& sink);

// Checks that path can be split (it opens) and opens it into input. On
// failure: outcome's result and detail, false.
bool OpenSplitInput(const std::string& path, AviSource& input, SplitOutcome& outcome);

// The "Analyzing" step of a split: checks that the opened input begins with
// "RIFF", reads its OpenDML indexes (if any) and analyses it (bar 0..10).
// False once it finished the outcome (not RIFF, broken indexes, cancelled).
bool AnalyseSplitInput(const std::string& path, AviSource& input, AviAnalysis& analysis, SplitOutcome& outcome,
                       JobSink& sink);
