// What the stream commands print: the outcome's lines on the error stream
// (cancel, clone, detail), and the JSON members both commands share.
#pragma once
#include "streams/streams_result.h"

class JsonObject;

// The lines for stderr, each "tavrin NAME: ...".
void PrintStreamsNotes(const char* name, const StreamsOutcome& outcome, bool clone);
// result, message, outputs; on success bytes and, asked, the clone's figures; detail.
void AddStreamsJson(JsonObject& out, const StreamsOutcome& outcome, bool clone);
// The exit status: 0 done, 2 a mistake in the request, 1 any other failure.
int StreamsExitStatus(const StreamsOutcome& outcome);
