// The stream choice job (`tavrin streams`, the Streams dialog's Write):
// writes an AVI with only the streams kept, in the input's order whatever
// order they were named in, the header's counts and the index made true
// (streams/stream_subset.h). Named by the streams to keep or by those to
// drop (not both); a choice that leaves no stream is refused. Default name:
// the input's with "-s.avi" in place of its extension.
#pragma once
#include <string>
#include <vector>

#include "io/writer_options.h"
#include "streams/streams_result.h"

class JobSink;

struct StreamSelectRequest {
  std::string path;
  std::vector<int> keep;  // stream numbers as tavrin info shows them ...
  std::vector<int> drop;  // ... or these (not both)
  std::string output;     // "" the default name
  WriterOptions writer;
};

StreamsOutcome StreamSelectJob(const StreamSelectRequest& request, JobSink& sink);

std::string DefaultStreamsName(const std::string& input);
