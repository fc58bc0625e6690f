// OpenDML (AVI 2.0) indexes. A stream's super index (an "indx" chunk in its
// strl list) names standard indexes ("ix##" chunks, anywhere in the file)
// that list the stream's chunks: data at qwBaseOffset + dwOffset, size
// dwSize & 0x7FFFFFFF, a key frame when bit 31 is clear.
//
// Nothing an index says is trusted: a cursor checks that every index it
// follows lies inside the file and is one of its stream, and that entries
// name chunks inside the file in increasing order; the reader (odml_reader.h)
// checks the chunk headers the entries land on.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "texts/text_pair.h"

class ByteInput;

// Why an OpenDML file cannot be read, in the order the reader meets them.
enum class OdmlProblem : int32_t {
  kNone = 0,
  kTruncated,           // the file ends inside one of its RIFF lists
  kNoMoviList,          // the first RIFF list holds no movi list
  kTooManyStreams,      // more than 10 stream headers
  kStreamWithoutIndex,  // one stream has a super index and another has none
  kHeaderTooComplex,    // more index chunks in the header than any writer makes
  kBadSuperIndex,       // an indx chunk is no index of indexes or overruns itself
  kIndexPastEnd,        // a super index entry points past the end of the file
  kBadStandardIndex,    // a super index entry points at no standard index of its stream
  kFieldIndex,          // an index of interlaced fields (not read)
  kChunkPastEnd,        // an entry names a chunk past the end of the file
  kWrongChunkId,        // the chunk an entry names is not its stream's
  kWrongChunkSize,      // the chunk an entry names has another size
  kOutOfOrder,          // a stream's entries go backwards in the file
  kOverlap,             // two entries name the same or overlapping chunks
  kTooManyEntries,      // more chunks than a version-1 index can list
  kCancelled,           // stopped on request (shown as no message)
  kCount
};

const TextPair& OdmlProblemText(OdmlProblem problem);

struct OdmlFault {
  OdmlProblem problem = OdmlProblem::kNone;
  int stream = -1;        // the stream whose index is wrong, -1 for the file
  uint64_t position = 0;  // file position of what is wrong
};

// The refusal text with the stream and position ("..., stream 1 at 1234").
std::string DescribeOdmlFault(const OdmlFault& fault, int englishUi);

// One indexed chunk.
struct OdmlChunk {
  uint64_t data;  // position of the data; the 8-byte chunk header precedes it
  uint32_t size;
  uint32_t ckid;  // the standard index's dwChunkId
  bool key;
  int stream;
};

// Where a stream's cursor stands: standard index (super index entry) and
// entry within it, of the entry to be read next.
struct OdmlPlace {
  uint32_t standardIndex;
  uint32_t entry;
};

// A span of a flattened view's positions, start .. end - 1.
struct ViewSpan {
  uint64_t start;
  uint64_t end;
};

struct SuperIndex {
  int stream = -1;
  uint64_t position = 0;      // the indx chunk header
  uint32_t entriesInUse = 0;  // standard indexes named
  uint32_t chunkId = 0;
};

// Reads a super index's header at position (an "indx" chunk) for stream.
// False with fault set when it is no usable index of indexes.
bool ReadSuperIndex(ByteInput& input, uint64_t fileSize, int stream, uint64_t position, SuperIndex* out,
                    OdmlFault* fault);

// Reads one stream's entries in order, a batch at a time, so that memory
// stays fixed whatever the number of entries.
class StreamIndexCursor {
 public:
  StreamIndexCursor(ByteInput& input, uint64_t fileSize, const SuperIndex& super);

  // Stands before the entry at place ({0, 0}: the first).
  bool Start(OdmlPlace place);
  // The next entry; false at the stream's end or on a fault (Fault() tells).
  bool Next(OdmlChunk* chunk);
  OdmlPlace Place() const { return OdmlPlace{standardIndex_, entry_}; }
  const OdmlFault& Fault() const { return fault_; }

 private:
  bool OpenStandardIndex(uint32_t number);
  bool LoadBatch();
  bool Fail(OdmlProblem problem, uint64_t position);

  ByteInput& input_;
  uint64_t fileSize_;
  SuperIndex super_;
  OdmlFault fault_;

  uint32_t standardIndex_ = 0;  // open standard index (super index entry)
  bool indexOpen_ = false;
  uint64_t entriesAt_ = 0;      // position of its first entry
  uint32_t entryCount_ = 0;     // nEntriesInUse
  uint64_t base_ = 0;           // qwBaseOffset
  uint32_t ckid_ = 0;
  uint32_t entry_ = 0;          // next entry within it

  std::vector<uint8_t> batch_;
  uint32_t batchFirst_ = 0;
  uint32_t batchCount_ = 0;

  bool hasPrevious_ = false;
  uint64_t previousData_ = 0;
};

// The chunks of all indexed streams in file order: a merge of the streams'
// cursors, each of which lists its own chunks in file order.
class OdmlChunkMerge {
 public:
  OdmlChunkMerge(ByteInput& input, uint64_t fileSize, const std::vector<SuperIndex>& streams);

  // Starts with each stream at its place (one per stream; nullptr: the start).
  bool Start(const OdmlPlace* places);
  bool Next(OdmlChunk* chunk);
  // Each stream's place of the chunk it would give next.
  void Places(OdmlPlace* out) const;
  size_t StreamCount() const { return cursors_.size(); }
  const OdmlFault& Fault() const { return fault_; }

 private:
  bool Advance(size_t s);

  std::vector<StreamIndexCursor> cursors_;
  std::vector<OdmlChunk> heads_;
  std::vector<OdmlPlace> headPlaces_;
  std::vector<bool> hasHead_;
  OdmlFault fault_;
};
