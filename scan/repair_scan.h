// What a repair learns of a file in one pass: its header (first RIFF list up
// to the first movi list), every whole chunk of its data lists in file
// order, the indexes that survive, and each chunk's key flag.
//
// The pass. Top-level RIFF lists (the "AVI " one, then any "AVIX") are
// followed into their movi lists and the "rec " lists inside, which are
// flattened. A list or chunk that claims more than the file holds is the
// cut: the list is read up to the end of the file, the partial chunk is left
// out. A list whose size is a placeholder (0 or 4, as a writer that died
// leaves it) runs to the end of what holds it; data chunks met after a list
// ended (a stale size) are kept as well. Where the bytes are no chunk header
// (garbage, a size that overruns its list), the pass moves on byte by byte
// to the next place that holds a chunk header whose code looks right (a
// stream's ##xx, ix##, JUNK, LIST movi/rec, idx1, RIFF AVIX), whose chunk
// fits, and which is followed by another such header or by the end.
//
// The indexes. Every idx1 entry (offsets from the movi list type or from
// the file start) and every ix## entry is matched against the chunks; an
// entry lands when a kept chunk with its code and size starts where it
// points. A chunk keeps the key flag of the first entry that lands on it.
// The other video chunks are told by their codec (scan/key_frames.h);
// sound chunks are key, unless the surviving entries of that stream are
// all not key (the writer's habit, GStreamer's avimux) when they stay so.
//
// Memory: the chunk table (16 bytes a chunk) and a few numbers per RIFF
// list and standard index. A 4 GiB recording of MPEG-4 at 1 Mbit/s with MP3
// sound holds some 2 million chunks: about 30 MiB; one of raw or DV video a
// few ten thousand: under 1 MiB. The table stops at kMaxRepairChunks.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "avi/avi_analysis.h"
#include "scan/chunk_table.h"
#include "scan/key_frames.h"

class ByteInput;
class WalkSink;

struct RepairStream {
  uint64_t strh = 0;  // strh chunk header
  uint32_t strhSize = 0;
  uint32_t fccType = 0;
  uint32_t handler = 0;
  uint32_t scale = 0, rate = 0;
  uint32_t sampleSize = 0;
  uint32_t compression = 0;  // video: strf biCompression
  KeyRule rule = KeyRule::Unknown;
  // What the kept chunks hold.
  uint64_t chunks = 0;
  uint64_t bytes = 0;
  uint32_t largest = 0;
  uint64_t indexedKey = 0, indexedNotKey = 0;
  uint64_t toldByCodec = 0;  // video chunks whose key flag the codec gave
};

// Why a file cannot be repaired (None: it can).
enum class RepairRefusal { None, NotRiff, NotAvi, NoHeader, TooManyStreams, NoDataList, NoWholeChunk, TooManyChunks, Cancelled };

struct RepairScan {
  uint64_t fileBytes = 0;
  RepairRefusal refusal = RepairRefusal::None;
  uint32_t riffForm = 0;  // the first RIFF's form type

  // Header.
  uint64_t avih = 0;  // avih chunk header
  uint32_t microSecPerFrame = 0;
  uint32_t streamCount = 0;
  RepairStream streams[kMaxStreams];
  int videoStream = -1;         // the first "vids" stream
  uint64_t moviList = 0;        // the first movi LIST header
  uint64_t dmlhFrames = 0;      // position of dmlh dwTotalFrames, 0: none
  std::vector<uint64_t> indx;   // indx chunk headers inside the header

  // Data.
  ChunkTable chunks;
  uint32_t riffLists = 0;
  uint64_t promisedBytes = 0;   // the farthest end a RIFF list, list or chunk claims
  bool partialChunk = false;    // a chunk's header is there but not all of its data
  uint64_t skippedBytes = 0;    // bytes passed over that held no chunk header
  uint64_t firstSkipped = 0;    // where the first of them lay

  // Indexes.
  uint64_t idx1 = 0;            // idx1 chunk header, 0: none
  uint64_t idx1Entries = 0;     // entries it claims
  uint64_t idx1Whole = 0;       // entries inside the file
  std::vector<uint64_t> standardIndexes;  // ix## chunk headers
  uint64_t standardEntries = 0;
  uint64_t entriesMissing = 0;  // data entries that land on no kept chunk
  int64_t firstMissingIdx1 = -1;  // idx1 entry number of the first of them
  int64_t firstMissingStandard = -1;  // or its number among the ix## entries
  uint64_t unindexed = 0;       // kept chunks that no surviving entry names

  bool CutShort() const { return promisedBytes > fileBytes; }
  bool HasIndex() const { return idx1 != 0 || !standardIndexes.empty(); }
  // True when nothing needs repair: the file holds all it claims, no bytes
  // lie between chunks, and the indexes name every chunk and nothing else.
  bool Intact() const {
    return !CutShort() && !partialChunk && skippedBytes == 0 && HasIndex() && unindexed == 0 &&
           entriesMissing == 0 && idx1Whole == idx1Entries;
  }
  uint64_t VideoFrames() const { return videoStream >= 0 ? streams[videoStream].chunks : 0; }
  double Seconds() const;
  // A video stream whose key frames could only come from surviving entries.
  bool KeyFramesUntold() const;
};

// Reads the file as described above. sink (may be null) gets bar cells
// base .. base + span and may cancel. The result's refusal says whether a
// repair can go ahead.
void ScanForRepair(ByteInput& input, RepairScan& scan, WalkSink* sink = nullptr, int base = 0, int span = 10);

// The most chunks a repair takes on (the table's 16 bytes a chunk: 1 GiB).
constexpr uint64_t kMaxRepairChunks = uint64_t(1) << 26;
