// The streams of an AVI for the Streams dialog: the input opened and checked
// as the stream jobs open it (so a file they would refuse is refused here
// with their result and text, the repair hint included), then each stream
// described as `tavrin info` prints it (avi/stream_description.h).
#pragma once
#include <string>
#include <vector>

#include "avi/stream_description.h"
#include "streams/streams_result.h"

class JobSink;

struct ListedStream {
  int number = -1;     // as tavrin info numbers them
  bool sound = false;  // an "auds" stream
  StreamFormat format;
  StreamDescription description;
};

struct StreamListing {
  StreamsOutcome outcome;  // Completed, or the refusal (its message shown through the sink)
  std::vector<ListedStream> streams;
};

StreamListing ListStreams(const std::string& path, JobSink& sink);
