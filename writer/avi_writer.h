// The output skeleton every AVI writer stands on: it writes one or more
// outputs that writers describe (writer/output_route.h: AviOutput), each
// the header of an input with fields edited, its chunks as its listing
// gives them (writer/chunk_listing.h), then its idx1.
//
//   1. Route each output: version 1, OpenDML, block sharing (output_route.h).
//   2. Header: the input's header bytes with the writer's edits and the
//      RIFF and movi list sizes the route gives (writer/header_edits.h).
//   3. Chunk pass: the outputs' listings walked together, merged by their
//      positions, so that a chunk several outputs take is read once while it
//      is at hand. Each chunk is placed (writer/chunk_placer.h: the JUNK in
//      front of shared runs) and written: one carried over whole that lies
//      as written joins its output's run (writer/run_copier.h); any other is
//      made of its code, its size, its pieces and a pad byte.
//   4. Index pass: the listings again, each chunk placed as before and its
//      idx1 entry written, offsets from the output's own movi list type.
//   5. Checks: every output got exactly the bytes counted for it, every
//      listing went to its end, every OpenDML layer is complete.
// The bar moves at fixed steps of the listings' positions over the spans
// BarSpan gives the two passes; the cancel is asked at each step and chunk.
// Each output is a lane (writer/output_lane.h) that writes what the walk
// hands it.
//
//   AviOutput out;  ... what the writer knows ...
//   WriteSettings how;  how.positions = ...;  how.bar = ...;
//   WriteOutcome r = WriteAviOutputs(&out, 1, how);
#pragma once
#include <cstdint>

#include "avi/walk_sink.h"
#include "io/writer_options.h"
#include "writer/output_route.h"
#include "writer/run_copier.h"
#include "writer/write_result.h"

// Where the bar stands while the outputs are written: the chunk pass moves
// it over chunkSpan cells from chunkFrom, the index pass over indexSpan
// cells from indexFrom.
struct BarSpan {
  int chunkFrom = 10;
  int chunkSpan = 88;
  int indexFrom = 98;
  int indexSpan = 2;
  bool showEnd = false;  // shows indexFrom + indexSpan once all is written
};

struct WriteSettings {
  WriteSettings() = default;
  WriteSettings(const OdmlLimits& odml, const WriterOptions& options, const CopyHabits& habits, WalkSink* watch)
      : odml(odml), clone(options.clone), habits(habits), watch(watch) {}

  OdmlLimits odml;
  bool clone = false;  // share the inputs' blocks where the outputs' file system can
  CopyHabits habits;
  uint64_t positions = 0;     // the listings' positions run 0 .. positions - 1
  BarSpan bar;
  WalkSink* watch = nullptr;  // the bar and the cancel; may be null
};

// Writes count outputs (those without a file are not made). On anything but
// Written the files hold partial outputs their owners must discard.
WriteOutcome WriteAviOutputs(AviOutput* outputs, int count, const WriteSettings& settings);

// Writes one output whose listing's positions count its chunks.
WriteOutcome WriteAviOutput(AviOutput& output, WriteSettings settings);
