// The analysis record of one AVI file: where the fields a split or merge reads
// or patches lie, the movi list, the idx1 index and per-stream entry counts.
#pragma once
#include <cstdint>

class ByteInput;
struct JobState;

constexpr int kMaxStreams = 10;

enum StreamType : int32_t { StreamOther = 0, StreamVideo = 1, StreamAudio = 2 };

struct StreamEntry {
  uint32_t lengthOffset;               // strh dwLength
  uint32_t suggestedBufferSizeOffset;  // strh dwSuggestedBufferSize
  uint32_t sampleSizeOffset;           // strh dwSampleSize ("auds" only; kept across resets)
  StreamType type;
  uint32_t idx1EntryCount;
  double rate;  // dwRate / dwScale, integer quotient
};

struct AviAnalysis {
  uint32_t riffSizeOffset;
  uint32_t microSecPerFrameOffset;
  uint32_t totalFramesOffset;
  uint32_t streamsOffset;
  StreamEntry streams[kMaxStreams];
  int32_t hasIndx;
  uint32_t moviOffset;  // position of the list type "movi" of the first movi list
  uint32_t idx1Offset;  // position of the idx1 chunk header
  uint32_t streamCount;
  uint32_t idx1EntryTotal;
  int32_t firstVideoStream;
  int32_t hasRecEntries;

  // Where idx1 chunk offsets count from: moviOffset for the usual relative
  // offsets, 0 for files whose index holds absolute file positions.
  uint32_t chunkBase;

  // The merge's second input, saved before the first input is walked.
  uint32_t secondMoviOffset;
  uint32_t secondIdx1Offset;
  uint32_t secondIdx1EntryCount[kMaxStreams];
  uint32_t secondIdx1EntryTotal;
  uint32_t secondChunkBase;

  // Progress of the walk, set by the job before each walk.
  int32_t progressBase;
  int32_t progressSpan;
  uint32_t progressTotal;
  int32_t progressLast;
};

// Start values for everything but sampleSizeOffset and the second input's figures.
void ResetAnalysis(AviAnalysis& analysis);

// Walks the chunks in [start, end) of file, recursing into every chunk.
// Returns 1 when it walked the range, 0 when it refused to start.
int WalkChunks(JobState& state, ByteInput& file, uint32_t start, uint32_t end, int depth);

// Decides where this file's idx1 offsets count from (sets chunkBase).
uint32_t DetectChunkBase(const AviAnalysis& analysis, ByteInput& file);

// 0 when the two analysed files can be merged, else 1..12.
uint32_t CompareStructure(const AviAnalysis& analysis, ByteInput& first, ByteInput& second);

// Copies the analysed (second) input's figures into the second-input fields.
void SaveSecondInput(AviAnalysis& analysis);
