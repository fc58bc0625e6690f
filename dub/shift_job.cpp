#include "dub/shift_job.h"

DubOutcome ShiftJob(const ShiftRequest& request, JobSink& sink) {
  DubRequest dub;
  dub.path = request.path;
  dub.shift = true;
  dub.shiftStream = request.stream;
  dub.offset = request.offset;
  dub.output = request.output;
  return DubJob(dub, sink);
}
