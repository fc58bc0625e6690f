// What the stream commands end with: `extract` (streams/extract_job.h) and
// `streams` (streams/stream_select_job.h) share one table of results, with
// their numbers and messages in both languages (streams/streams_texts.cpp),
// and one outcome.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "texts/text_pair.h"
#include "io/writer_options.h"

enum class StreamsResult : int32_t {
  Completed,
  Cancelled,
  KeepAndDrop,     // streams kept and streams dropped named together
  NoStreamNamed,   // no stream named to extract, keep or drop
  NameIsInput,     // the output would replace the input
  NoOutputName,    // the output's name would be too long
  InputNotOpen,
  InputNotRiff,
  Unsupported,     // no stream headers, or headers this program cannot read
  OpenDml,         // an OpenDML index (indx) that cannot be read
  Damaged,         // cut short, no index or a broken one: the repair hint follows
  NoSuchStream,    // a stream number the file does not have
  NothingKept,     // every stream would be dropped
  WrongExtension,  // the output's extension names another kind of file than the stream makes
  AacConfig,       // AAC that an ADTS file cannot carry
  CannotWrite,
  TooLarge,        // the output cannot be laid out (past the OpenDML limits)
  ReadError,       // the device failed to read the input
  InputChanged,    // the input was cut, replaced or appended to while it was read
  Count
};

int32_t StreamsResultNumber(StreamsResult result);
// The message; nullptr for Completed (its summary) and Cancelled.
const TextPair* StreamsResultText(StreamsResult result);
// The refusals that are mistakes in the request itself (exit status 2).
bool IsStreamsUsageRefusal(StreamsResult result);
extern const TextPair kStreamsAnalyzing;  // status lines
extern const TextPair kStreamsWriting;

struct StreamsOutcome {
  StreamsResult result = StreamsResult::Completed;
  int32_t Number() const { return StreamsResultNumber(result); }
  std::string message;  // shown ("" none)
  std::string detail;   // which file or stream and why, in English, for the command line
  std::vector<std::string> outputs;  // written (one)
  uint64_t bytes = 0;                // of the output
  uint32_t streamCount = 0;          // the input's streams
  // extract
  int stream = -1;
  std::string format;        // what was written: "wav", "mp3", "mp2", "ac3", "dts", "aac" or "avi"
  uint64_t chunks = 0;       // the stream's chunks written
  uint64_t emptyChunks = 0;  // of size 0, left out (not in an AVI output)
  uint64_t dataBytes = 0;    // the stream's bytes written
  bool rf64 = false;         // a WAV past 4 GiB
  // streams
  std::vector<int> kept, dropped;  // input stream numbers, in order
  bool openDml = false;            // the AVI output is OpenDML
  CloneReport clone;
};
