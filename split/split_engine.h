// The split engine: picks the key frames where the outputs end and begin,
// plans every stream's share, and writes the "-1.avi" / "-2.avi" files.
//
//   SplitSource source{input, analysis, path};
//   SplitPlan plan;
//   SplitResult r = PlanSplit(source, time, plan);        // reads only
//   if (r == SplitResult::Completed) r = WriteSplitOutputs(source, time, plan, sink, outcome);
//
// WriteSplitOutputs alone names, creates, replaces and removes output files;
// WriteSplitStreams writes the same bytes to any two streams (memory too).
#pragma once
#include <functional>
#include <cstdint>
#include <string>

#include "avi/avi_analysis.h"
#include "avi/exact_time.h"
#include "avi/index_reader.h"
#include "avi/odml_output.h"
#include "avi/stored_chunks.h"
#include "io/writer_options.h"
#include "share/output_share.h"
#include "share/split_source.h"
#include "split/split_request.h"
#include "share/split_result.h"

class AviSource;
class ByteInput;
class JobSink;
class OutputStream;


// The checked numbers of a time split, exactly as typed.
struct TimeSplit {
  ExactTime hours;
  ExactTime minutes;
  ExactTime seconds;
  ExactTime overlap;  // 0 .. 60 seconds; 0 when only the first file is made
  CreateMode create = CreateMode::Both;
  WriterOptions writer;  // the outputs' block sharing
};



// Checks the analysed structure, finds the cut and plans the streams.
// Completed with plan filled, or the reason it cannot split; reads the input only.
SplitResult PlanSplit(const SplitSource& source, const TimeSplit& time, SplitPlan& plan);

// The same from the frame at which the first file is to end at the earliest
// (it ends at the first usable key frame from there on).
SplitResult PlanSplitAtFrame(const SplitSource& source, uint32_t targetFrame, const ExactTime& overlap,
                             SplitPlan& plan);

// The output names for an input: its name with the last four characters
// replaced by "-1.avi" / "-2.avi" when its last component has four
// characters to spare, else with the suffix appended; the folder part is
// never cut. False when a name would not fit 259 bytes.
bool MakeSplitOutputNames(const std::string& input, std::string* first, std::string* second);

// The full size in bytes of each planned output (index 0 first, 1 second),
// as a version-1 file; outputs from odml.riffThreshold bytes on are written
// as OpenDML (avi/odml_output.h) with the same header and chunks.
void PlannedOutputSizes(const SplitSource& source, const SplitPlan& plan, uint64_t sizes[2]);

// Why an output cannot be written ("" when it can): no output holds more
// chunk bytes than its input (an index naming one chunk again and again
// must not make a small file huge).
std::string SplitOutputRefusal(const SplitSource& source, const SplitPlan& plan, int output);

// Writes the planned outputs into the given streams (null: not made),
// reporting "File Creating" progress 10..99 to sink and stopping on its
// cancel. Completed, Cancelled, WriteFailed (*failedOutput = 0 or 1 then,
// or -1 when the input ran short) or OutputTooLarge (*failedOutput the
// output, *problem why: SplitOutputRefusal, or no OpenDML layout); copy as
// share/output_share.h says.
SplitResult WriteSplitStreams(const SplitSource& source, const SplitPlan& plan, OutputStream* outputs[2],
                              JobSink& sink, int* failedOutput, ChunkCopy copy = ChunkCopy::Runs,
                              const OdmlLimits& odml = OdmlLimits(), std::string* problem = nullptr,
                              const WriterOptions& options = WriterOptions());

// Names, creates and writes the outputs as files, each replacing its final
// name only when every output is complete; a run that fails or is cancelled
// leaves every existing file as it was and no temporary file. Fills the
// outcome's names, written flags and, on failure, its detail; with
// time.writer.clone, its clone report. When
// mayCommit is given and says no once the outputs are complete, they are
// removed instead and the result is Cancelled.
SplitResult WriteSplitOutputs(const SplitSource& source, const TimeSplit& time, const SplitPlan& plan,
                              JobSink& sink, SplitOutcome& outcome, ChunkCopy copy = ChunkCopy::ChunkByChunk,
                              const std::function<bool()>& mayCommit = {});
