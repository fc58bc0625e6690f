// How an output is written, decided before its first byte:
//   - version 1 below the OpenDML threshold (1 GiB: OdmlLimits), refused
//     past 4 GiB, which its 32-bit sizes cannot hold;
//   - from the threshold on, OpenDML: the version-1 bytes pass through the
//     OpenDML layer (avi/odml_output.h), refused when it cannot lay them out;
//   - with WriterOptions::clone, where the output's file system shares the
//     input's blocks (the probe: OutputStream::ShareBlocksWith): a version-1
//     output gets the JUNK that lines its runs up (writer/chunk_placer.h),
//     unless the padding would take it to OpenDML, past 4 GiB or past its
//     size limit (the first output of a split by size), when it is copied
//     with the same bytes as without; an OpenDML output is lined up by its
//     own layer, dropped to a copy where that would pass the size limit.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "avi/odml_output.h"
#include "writer/chunk_listing.h"
#include "writer/header_edits.h"

// One output as a writer describes it to the skeleton.
struct AviOutput {
  OutputStream* file = nullptr;  // where it goes; null: not made
  ListingMaker chunks;           // its chunks
  // The input whose header bytes it takes, and whose blocks it shares.
  std::shared_ptr<ByteInput> header;
  // The input whose blocks it shares where that is not header: the file
  // behind a view that header reads (the listing's chunks lie there).
  std::shared_ptr<ByteInput> chunkFile;
  uint64_t headerBytes = 0;  // those bytes: from 0 through the "movi" list type
  HeaderEdits edits;         // the writer's fields; the RIFF and movi sizes come from the skeleton
  uint64_t moviBytes = 0;    // its chunks in the movi list, 8 + size + pad each
  uint64_t entries = 0;      // its chunks
  // For the OpenDML layer: positions in the output's header, streams; the
  // skeleton fills in versionOneBytes and shareBlock, and where the edits
  // change the header's size, the header it reads (HeaderView).
  OdmlShape shape{};
  std::string refusal;     // why it cannot be written ("" when it can)
  uint64_t sizeLimit = 0;  // most bytes it may take once it shares blocks (0: no limit)

  uint64_t MoviType() const { return edits.OutputBytes(headerBytes) - 4; }
  uint64_t VersionOneBytes() const { return MoviType() + 4 + moviBytes + 8 + 16 * entries; }
};

// The edited header as the OpenDML layer reads it, for an output whose
// edits change the header's size (a list taken out or put in).
struct HeaderView {
  explicit HeaderView(const AviOutput& out) : edited(*out.header, out.edits, out.headerBytes) {
    input.OpenSource(edited);
  }
  EditedHeader edited;
  ByteInput input;
};

struct OutputRoute {
  uint64_t versionOneBytes = 0;  // the version-1 file, JUNK included
  uint64_t moviBytes = 0;        // its chunks, JUNK included
  uint32_t junkBlock = 0;        // a version-1 output that shares blocks: their size (its placers pad)
  bool shares = false;           // it shares the input's blocks (version 1 or OpenDML)
  OdmlPlan plan;
  std::unique_ptr<OdmlOutput> odml;  // null: version 1
  std::unique_ptr<HeaderView> header;  // what plan read, where the edits change the header's size
};

// Decides how out is written (clone: asked to share blocks): "" with *route
// set, or why it cannot be. route must stay where it is while it is used.
std::string RouteOutput(const AviOutput& out, const OdmlLimits& limits, bool clone, OutputRoute* route);

// The bytes out takes without sharing blocks: version 1, or its OpenDML
// layout; 0 (with *problem) when it has none.
uint64_t MeasureOutput(const AviOutput& out, const OdmlLimits& limits, std::string* problem = nullptr);

// The OpenDML shape of an output that keeps an analysed input's header.
OdmlShape ShapeOfAnalysed(const AviAnalysis& analysis, ByteInput& header);
