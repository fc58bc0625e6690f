// The shift job: moves the sound of one stream of an AVI against the
// picture (tavrin shift FILE --stream N --offset T). It is the dub job's
// writing with the stream's own chunks as the sound and its own header
// (dwStart and dwLength set), so it shares the dub's results and texts.
#pragma once
#include "dub/dub_job.h"

struct ShiftRequest {
  std::string path;
  int stream = -1;
  std::string offset;
  std::string output;
};

DubOutcome ShiftJob(const ShiftRequest& request, JobSink& sink);
