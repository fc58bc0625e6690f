#include "streams/stream_listing.h"

#include "avi/fourcc.h"
#include "streams/streams_run.h"

StreamListing ListStreams(const std::string& path, JobSink& sink) {
  StreamListing listing;
  StreamsRun run(path, sink, listing.outcome);
  if (!run.Open()) return listing;
  const AviAnalysis& analysis = run.Analysis();
  for (uint32_t s = 0; s < analysis.streamCount; ++s) {
    const StreamFormat format = run.Format(int(s));
    ListedStream listed;
    listed.number = int(s);
    listed.sound = format.fccType == kAuds;
    listed.format = format;
    listed.description = DescribeStream(format, analysis.streams[s]);
    listing.streams.push_back(listed);
  }
  if (run.Input().Fault()) {
    listing.streams.clear();
    run.Fail(StreamsResult::ReadError);
    return listing;
  }
  listing.outcome.result = StreamsResult::Completed;
  return listing;
}
