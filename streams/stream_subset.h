// An AVI with some of an input's streams, on the output skeleton
// (writer/avi_writer.h): the input's header with the strl lists of the
// streams left out taken out (the hdrl size, avih dwStreams, avih and dmlh
// dwTotalFrames made true), the kept streams' chunks in the input's order,
// each with its index flags, and a new idx1. The kept streams keep their
// order and are numbered 0, 1, ... again: a chunk whose number stays is
// carried over as stored (and may share the input's blocks), one whose
// number changes is written with its new code. A large output becomes
// OpenDML as every writer's does.
#pragma once
#include <cstdint>
#include <memory>

#include "avi/avi_analysis.h"
#include "io/writer_options.h"
#include "writer/header_layout.h"
#include "writer/avi_writer.h"

class AviSource;
class ByteInput;

struct StreamSubset {
  bool keep[kMaxStreams] = {};
  bool chunksAsWritten = false;  // the input's chunks lie as written (avi/stored_chunks.h)
};

// The output's figures before it is written.
struct SubsetFigures {
  uint64_t chunks = 0;
  uint64_t versionOneBytes = 0;
  uint64_t fileBytes = 0;  // 0: it cannot be laid out (problem says why)
  bool openDml = false;
  std::string problem;
};

// Describes the output. input, analysis, layout and subset must outlive it.
// stored: where input is the flattened view of an OpenDML file, its source,
// whose file the chunks are taken from (to go file to file and share its
// blocks); null: from input.
AviOutput SubsetOutput(ByteInput& input, const AviAnalysis& analysis, const HeaderLayout& layout,
                       const StreamSubset& subset, AviSource* stored = nullptr);
SubsetFigures MeasureSubset(const AviOutput& out, const OdmlLimits& limits);

// Writes it to file; sink (may be null) gets the bar from 10 and may cancel.
WriteOutcome WriteSubset(AviOutput& out, const AviAnalysis& analysis, OutputStream& file, WalkSink* sink,
                         const OdmlLimits& limits, const WriterOptions& options);
