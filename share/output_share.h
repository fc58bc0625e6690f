// What one output of a split receives of its input, and the writer that
// writes any such outputs. The two-way split's "-1.avi" and "-2.avi" and
// every piece of a split into many pieces are shares of one input:
//
//   - of each stream, the index entries begin .. end - 1 (counted within the
//     stream, in index order);
//   - an audio stream cut inside chunks gives, of its first chunk, only the
//     last `firstTail` bytes, and of its last chunk only the first
//     `lastHead` bytes; when both fall in one chunk it gives the bytes
//     [length - firstTail, lastHead) of that chunk;
//   - the figures its header carries (frames, each stream's dwLength) and
//     the bytes its chunks take in the movi list (known before writing, so
//     that every output is written front to back).
//
// The writer walks the input's index over a stretch of entries once and
// sends every entry to each output whose share holds it.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "avi/avi_analysis.h"
#include "avi/odml_output.h"
#include "io/writer_options.h"
#include "share/split_result.h"
#include "writer/avi_writer.h"
#include "writer/chunk_swap.h"
#include "writer/write_result.h"

class JobSink;
class OutputStream;
struct SplitSource;

struct StreamShare {
  uint32_t begin = 0;
  uint32_t end = 0;
  uint32_t firstTail = 0;  // 0: the first chunk whole
  uint32_t lastHead = 0;   // 0: the last chunk whole
  uint64_t moviBytes = 0;  // what its chunks take in the movi list: 8 + size + (size & 1) each
  uint32_t length = 0;     // strh dwLength
  uint32_t Entries() const { return end > begin ? end - begin : 0; }
};

struct OutputShare {
  uint32_t frames = 0;  // avih dwTotalFrames
  StreamShare streams[kMaxStreams];
  // Video chunks taken with new bytes (an exact cut's re-encoded frames),
  // their entries counted from the input's first; null: none. moviBytes
  // counts them as they are written.
  std::shared_ptr<const ChunkSwap> swap;
};

// The entries of the index that the writer walks: from .. to - 1. The
// entries of stream s are counted from startCount[s] at entry startAt[s]
// on; the stream's entries before startAt[s] go to no output.
struct IndexStretch {
  uint32_t from = 0;
  uint32_t to = 0;
  uint32_t startAt[kMaxStreams] = {};
  uint32_t startCount[kMaxStreams] = {};
};

// The whole index, each stream counted from 0: the two-way split's stretch.
IndexStretch WholeIndex(const AviAnalysis& analysis);

// The size in bytes of the output as a version-1 file.
uint64_t ShareFileBytes(const AviAnalysis& analysis, const OutputShare& share);

// Why an output cannot be written ("" when it can): no output holds more
// chunk bytes than its input (an index naming one chunk again and again
// must not make a small file huge).
std::string ShareRefusal(const SplitSource& source, const OutputShare& share);

// The size in bytes of the output as it is written: version 1 below
// odml.riffThreshold, else OpenDML (0 when it cannot be laid out so).
uint64_t ShareWrittenBytes(const SplitSource& source, const OutputShare& share, const IndexStretch& stretch,
                           const OdmlLimits& odml = OdmlLimits());

// How whole chunks are copied. Runs: chunks lying back to back in the
// input as they are written go as runs of input bytes (file to file where
// the system can). ChunkByChunk: every chunk on its own, the same bytes more
// slowly (an output that shares the input's blocks still takes runs).
// IndexedRuns: chunks that the index places back to back form runs
// without their headers being read: the same bytes only when
// ChunksStoredAsWritten holds, which must be checked before they are used.
enum class ChunkCopy { Runs, ChunkByChunk, IndexedRuns };

// One output of WriteShares: its share, and where it goes (null: not made).
struct ShareOutput {
  const OutputShare* share;
  OutputStream* stream;
};

// How WriteShares writes: the stretch of the index it walks, the copy, the
// bar's spans ("File Creating"), when outputs become OpenDML, and the block
// sharing (WriterOptions::clone; firstOutputLimit bounds output 0 then).
struct ShareWriting {
  IndexStretch stretch;
  ChunkCopy copy = ChunkCopy::Runs;
  BarSpan bar;
  OdmlLimits odml;
  WriterOptions options;
};

// Writes count outputs from one walk of how.stretch, reporting progress to
// sink and stopping on its cancel. TooLarge carries ShareRefusal's reason
// or why no OpenDML layout exists.
WriteOutcome WriteShares(const SplitSource& source, const ShareOutput* outputs, int count, const ShareWriting& how,
                         JobSink& sink);

// The split's result for an outcome of WriteShares: Completed, Cancelled,
// OutputTooLarge (*problem why) or WriteFailed; *failedOutput is the
// output it concerns, -1 when the input ran short or changed.
SplitResult SplitResultOf(const WriteOutcome& outcome, int* failedOutput, std::string* problem = nullptr);
