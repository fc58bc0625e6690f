// Reads an OpenDML file's layout and checks every entry of its indexes once
// (idx1 is not read: writers keep it for the first RIFF list only):
// RIFF lists, the header (stream types, super indexes, the chunks the
// flattened view leaves out), per-stream counts, and checkpoints from which
// the chunks in file order can be listed again from any point.
//
// Memory stays fixed whatever the file size: entries are read in batches,
// and the checkpoint table is thinned (every other one dropped, the stride
// doubled) whenever it fills, so it never holds more than kMaxCheckpoints.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "avi/odml_index.h"

class ByteInput;

constexpr int kOdmlMaxStreams = 10;
constexpr int kOdmlMaxRiffFacts = 64;      // RIFF lists described (all are counted)
constexpr size_t kMaxCheckpoints = 1024;
constexpr size_t kMaxHeaderCuts = 32;      // indx and odml chunks the header may hold

struct OdmlRiffFacts {
  uint64_t position;      // the RIFF chunk header
  uint64_t size;          // its size field
  uint32_t form;          // "AVI " or "AVIX"
  uint64_t moviPosition;  // its first movi LIST header, 0 if none
  uint64_t moviSize;
};

struct OdmlStreamFacts {
  uint32_t fccType;             // strh fccType
  uint64_t superIndexPosition;  // its indx chunk, 0 if none
  uint32_t chunkId;             // the super index's dwChunkId
  uint32_t standardIndexes;     // super index entries in use
  uint64_t entries;
  uint64_t keyEntries;
  uint64_t dataBytes;
};

struct OdmlFacts {
  uint32_t riffCount = 0;
  OdmlRiffFacts riffs[kOdmlMaxRiffFacts] = {};
  uint32_t streamCount = 0;
  OdmlStreamFacts streams[kOdmlMaxStreams] = {};
  int firstVideoStream = -1;
  bool hasSuperIndex = false;  // some stream has an indx: the file is read as OpenDML
  uint64_t avihPosition = 0;   // the avih chunk header, 0 if none
  uint64_t moviListPosition = 0;  // first RIFF's first movi LIST header
  uint64_t chunkCount = 0;        // entries of all streams
  OdmlFault fault;
};

// A removed run of header bytes (an indx chunk or LIST odml with its pad).
struct HeaderCut {
  uint64_t position;
  uint64_t length;
};
// A 32-bit header field of the source given another value.
struct HeaderPatch {
  uint64_t position;
  uint32_t value;
};

struct OdmlCheckpoint {
  uint64_t ordinal;     // chunks before this point, all streams
  uint64_t flatOffset;  // their bytes in the flattened movi (headers and pads)
};

// Called now and then with the file position reached; returning false cancels.
using OdmlProgress = std::function<bool(uint64_t position)>;

class OdmlReader {
 public:
  // Reads the layout; for a file with super indexes also checks every entry
  // against the chunk it names. False when the file cannot be read as
  // OpenDML (Facts().fault says why); a file without any super index gives
  // true with hasSuperIndex false.
  bool Read(ByteInput& input, uint64_t fileSize, const OdmlProgress& progress = OdmlProgress());

  const OdmlFacts& Facts() const { return facts_; }
  uint64_t FileSize() const { return fileSize_; }
  const std::vector<SuperIndex>& SuperIndexes() const { return supers_; }

  // The header of the flattened file: source bytes [0, HeaderEnd()) less
  // the cuts, with the patches (list sizes less what they lost; avih
  // dwTotalFrames; the RIFF and movi sizes are the view's to set).
  uint64_t HeaderEnd() const { return facts_.moviListPosition + 12; }
  const std::vector<HeaderCut>& HeaderCuts() const { return cuts_; }
  const std::vector<HeaderPatch>& HeaderPatches() const { return patches_; }
  // Sum of 8 + size + pad over every indexed chunk.
  uint64_t FlatMoviBytes() const { return flatMoviBytes_; }

  // The last checkpoint at or before ordinal, and each stream's place there.
  const OdmlCheckpoint& CheckpointForOrdinal(uint64_t ordinal, const OdmlPlace** places) const;
  // The last checkpoint whose flat offset is at or before flatOffset.
  const OdmlCheckpoint& CheckpointForOffset(uint64_t flatOffset, const OdmlPlace** places) const;
  size_t CheckpointCount() const { return checkpoints_.size(); }
  // Chunks between checkpoints.
  uint64_t Stride() const { return stride_; }

 private:
  bool Fail(OdmlProblem problem, int stream, uint64_t position);
  bool ReadRiffLists(ByteInput& input, uint64_t* truncatedRiff);
  bool ReadHeader(ByteInput& input);
  void ReadHeaderList(ByteInput& input, uint64_t start, uint64_t end, int depth, int* strl,
                      uint64_t* removed);
  void NoteHeaderFault(OdmlProblem problem, uint64_t position);
  bool CheckEntries(ByteInput& input, const OdmlProgress& progress);
  void AddCheckpoint(uint64_t ordinal, uint64_t flatOffset, const OdmlPlace* places);

  uint64_t fileSize_ = 0;
  OdmlFacts facts_;
  OdmlFault headerFault_;
  std::vector<SuperIndex> supers_;
  std::vector<HeaderCut> cuts_;
  std::vector<HeaderPatch> patches_;
  uint64_t flatMoviBytes_ = 0;

  std::vector<OdmlCheckpoint> checkpoints_;
  std::vector<OdmlPlace> checkpointPlaces_;  // supers_.size() per checkpoint
  uint64_t stride_ = 1;
};

// The layout as `tavrin info` shows it: RIFF lists, index kind, entries per
// stream from the indexes, and the reason when the indexes are refused.
std::string DescribeOdmlLayout(const OdmlFacts& facts);
