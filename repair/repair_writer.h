// Writes the repaired file of a scan (scan/repair_scan.h): the input's
// header, byte for byte, with the numbers that depend on the chunks made
// true (RIFF and movi sizes, avih dwTotalFrames and its has-index flag,
// each stream's dwLength and dwSuggestedBufferSize, a dmlh frame count; an
// indx super index of the input becomes JUNK of the same size), then every
// kept chunk as it is stored, then a new idx1, on the output skeleton
// (writer/avi_writer.h). Runs of chunks that lie back to back in the input
// are copied as runs (the system copies large ones between the files). A
// file that reaches the OpenDML threshold is written through the OpenDML
// layer (avi/odml_output.h) instead.
#pragma once
#include <cstdint>
#include <string>

#include "avi/odml_output.h"
#include "io/writer_options.h"
#include "scan/repair_scan.h"
#include "writer/write_result.h"

class ByteInput;
class OutputStream;
class WalkSink;

struct RepairedFigures {
  uint64_t versionOneBytes = 0;  // the version-1 file
  uint64_t fileBytes = 0;        // the file written (larger when OpenDML)
  bool openDml = false;
};

// The figures of the file WriteRepairedFile writes; false (with *problem)
// when it cannot be laid out.
bool MeasureRepairedFile(ByteInput& input, const RepairScan& scan, const OdmlLimits& limits, RepairedFigures* figures,
                         std::string* problem);

// Writes the repaired file into out. sink (may be null) gets bar cells
// base .. base + span and may cancel. On anything but Written, out holds a
// partial file its owner must discard; *problem says why on TooLarge;
// InputShort or InputChanged: the file changed while it was read. With
// options.clone, out is asked to share the input's blocks and, where it
// can, the runs of chunks get JUNK in front (avi/clone_layout.h; in a file
// written as OpenDML the OpenDML layer places it).
WriteResult WriteRepairedFile(ByteInput& input, const RepairScan& scan, OutputStream& out, WalkSink* sink,
                              int base, int span, const OdmlLimits& limits = OdmlLimits(),
                              std::string* problem = nullptr, const WriterOptions& options = WriterOptions());
