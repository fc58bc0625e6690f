#include "job/input_session.h"

#include "avi/avi_source.h"
#include "avi/fourcc.h"
#include "job/file_probe.h"
#include "job/job_sink.h"

namespace {

InputStop Stop(InputStop::Kind kind, const std::string& path, const std::string& why) {
  InputStop stop;
  stop.kind = kind;
  stop.why = why;
  stop.detail = path + ": " + why;
  return stop;
}

InputStop Stop(InputStop::Kind kind) {
  InputStop stop;
  stop.kind = kind;
  return stop;
}

}  // namespace

InputStop LookAtInput(const std::string& path, uint64_t* size) {
  std::string reason;
  uint64_t seen = 0;
  switch (ProbeInputFile(path.c_str(), &seen, &reason)) {
    case ProbeResult::CannotOpen: return Stop(InputStop::NotOpen, path, reason);
    case ProbeResult::TooLarge: return Stop(InputStop::TooLarge, path, reason);
    case ProbeResult::Ok: break;
  }
  if (size) *size = seen;
  return InputStop();
}

InputStop OpenLookedAt(const std::string& path, AviSource& source) {
  if (!source.Open(path.c_str())) return Stop(InputStop::NotOpen, path, source.File().OpenError());
  return InputStop();
}

InputStop OpenInput(const std::string& path, AviSource& source, uint64_t* size) {
  InputStop stop = LookAtInput(path, size);
  return stop ? stop : OpenLookedAt(path, source);
}

InputStop CheckRiff(const std::string& path, AviSource& source) {
  const uint32_t riff = source.File().U32At(0);
  if (source.File().Fault()) return Stop(InputStop::ReadFault);
  if (riff != kRiff) return Stop(InputStop::NotRiff, path, "does not begin with \"RIFF\"");
  return InputStop();
}

InputStop AnalyseInput(const std::string& path, AviSource& source, AviAnalysis& analysis, JobSink& sink,
                       int32_t base, int32_t span, StoredChunkWatch* watch, BackgroundWalk* whole) {
  const bool read = whole ? source.AnalyseOrGuess(analysis, &sink, base, span, *whole)
                          : source.Analyse(analysis, &sink, base, span, watch);
  if (sink.Cancelled() || (!read && source.Fault().problem == OdmlProblem::kCancelled))
    return Stop(InputStop::Cancelled);
  if (source.File().Fault()) return Stop(InputStop::ReadFault);
  if (read) return InputStop();
  return Stop(InputStop::BrokenIndexes, path, DescribeOdmlFault(source.Fault(), 1));
}
