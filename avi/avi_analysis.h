// The analysis record of one AVI file: where the fields a split or merge reads
// or patches lie, the movi list, the idx1 index and per-stream entry counts.
// A merge keeps one record per input.
#pragma once
#include <cstdint>
#include <string>

class ByteInput;
class WalkSink;

constexpr int kMaxStreams = 10;

enum StreamType : int32_t { StreamOther = 0, StreamVideo = 1, StreamAudio = 2 };

struct StreamEntry {
  uint64_t lengthOffset;               // strh dwLength
  uint64_t suggestedBufferSizeOffset;  // strh dwSuggestedBufferSize
  uint64_t sampleSizeOffset;           // strh dwSampleSize ("auds" only; kept across resets)
  StreamType type;
  uint32_t idx1EntryCount;
  double rate;  // dwRate / dwScale, integer quotient
};

struct AviAnalysis {
  uint64_t riffSizeOffset;
  uint64_t microSecPerFrameOffset;
  uint64_t totalFramesOffset;
  uint64_t streamsOffset;
  StreamEntry streams[kMaxStreams];
  int32_t hasIndx;
  uint64_t moviOffset;  // position of the list type "movi" of the first movi list
  uint64_t idx1Offset;  // position of the idx1 chunk header
  uint32_t streamCount;
  uint32_t idx1EntryTotal;
  int32_t firstVideoStream;
  int32_t hasRecEntries;

  // Where idx1 chunk offsets count from: moviOffset for the usual relative
  // offsets, 0 for files whose index holds absolute file positions.
  uint64_t chunkBase;
};

// A stream's rate as the whole number it is (0 when it has none).
inline uint32_t SamplesPerSecond(const StreamEntry& s) {
  return s.rate > 0 && s.rate < 4294967296.0 ? uint32_t(s.rate) : 0;
}

// The idx1 entries of stream n; 0 for a stream the headers do not describe.
inline uint32_t EntriesOfStream(const AviAnalysis& a, int n) {
  return n >= 0 && uint32_t(n) < a.streamCount ? a.streams[n].idx1EntryCount : 0;
}

// Start values for everything but sampleSizeOffset.
void ResetAnalysis(AviAnalysis& analysis);

// Told of every chunk header a walk accepts, in the order of the file.
class ChunkVisitor {
 public:
  virtual void Chunk(uint64_t position, uint64_t size) = 0;

 protected:
  ~ChunkVisitor() = default;
};

// How one walk reports progress: base + floor(offset x span / total) cells,
// sent whenever that step grows beyond `last`.
struct WalkProgress {
  WalkSink* sink = nullptr;  // may be null: no reports, no cancel
  int32_t base = 0;
  int32_t span = 0;
  uint64_t total = 0;  // the file's size in bytes
  int32_t last = 0;
  ChunkVisitor* visitor = nullptr;  // may be null; changes nothing in the record
};

// Walks the chunks in [start, end) of file, recursing into every chunk.
// Returns 1 when it walked the range, 0 when it refused to start.
int WalkChunks(AviAnalysis& analysis, WalkProgress& progress, ByteInput& file, uint64_t start,
               uint64_t end, int depth);

// ResetAnalysis, one walk over the whole file (size bytes) and the chunk base:
// what a job does with each input.
void AnalyseFile(AviAnalysis& analysis, ByteInput& file, uint64_t size, WalkProgress progress);

// Whether AnalyseFile reads a file's chunk headers beforehand where its index
// places them (avi/indexed_headers.h; the default) or lets the walk read the
// whole file. The record is the same either way: for tests that compare them.
void GuideWalksByIndex(bool on);
bool WalksGuidedByIndex();

// AnalyseFile without looking inside movi lists: a few reads instead of one
// per chunk, and the same record wherever the chunks in movi hold nothing
// that looks like the chunks the walk records (as in every file a real muxer
// writes). A guess for work that goes ahead while AnalyseFile confirms it.
void GuessAnalysis(AviAnalysis& analysis, ByteInput& file, uint64_t size);

// True when two records agree in every field.
bool SameAnalysis(const AviAnalysis& x, const AviAnalysis& y);

// Decides where this file's idx1 offsets count from (sets chunkBase).
uint64_t DetectChunkBase(const AviAnalysis& analysis, ByteInput& file);

// What the structure comparison found: its code (0 when the two files can be
// merged, else 1..12) and, when it is not 0, what differs in words.
struct StructureDifference {
  uint32_t code = 0;
  std::string field;   // such as "strh dwScale" or "movi list position"; empty for code 0
  int stream = -1;     // the stream the field belongs to, or -1
  uint64_t offset = 0; // file position of the first differing byte (codes 9..12)
  uint64_t firstValue = 0;
  uint64_t secondValue = 0;
  // "strh dwScale of stream 0 at 112: 1 in the first file, 2 in the second"
  std::string Describe() const;
};

// Compares the analysed first and second inputs of a merge.
StructureDifference CompareStructure(const AviAnalysis& first, const AviAnalysis& second,
                                     ByteInput& firstFile, ByteInput& secondFile);
