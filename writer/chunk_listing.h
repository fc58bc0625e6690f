// What a writer tells the output skeleton (writer/avi_writer.h) about the
// chunks of one output: a listing, walked from the first chunk as often as
// the skeleton asks (to count the JUNK of shared blocks, to lay out OpenDML,
// to copy the chunks, to write the index), giving the same chunks each time.
//
// A chunk is its index entry (code, flags, data size) and where its bytes
// come from:
//   - the code in its header: copied from the header of an input chunk
//     (chunkAt, in the first piece's input), or `ckid` itself;
//   - its data: up to kMaxChunkPieces ranges, each of any ByteInput (an AVI
//     input, a WAV file) or of memory, one after the other;
//   - a zero pad byte after odd data.
// A chunk carried over whole and unchanged from an input chunk (`carried`:
// the writer's number of that input) may go as a run of the input's bytes,
// header and pad included, when it lies there exactly as written (`stored`):
// that is what lets an output share its input's blocks (avi/clone_layout.h).
//
//   the split's share of stream s, entry k:  code from the input, data [from, to) of the input chunk
//   a chain's seam:   code from the first piece's chunk, data = head of one input's chunk + another's
//   a WAV file's sound, renumbered streams:  ckid given, data from any input range or memory
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "avi/byte_input.h"
#include "avi/clone_layout.h"
#include "avi/odml_output.h"

class AviSource;

constexpr int kMaxChunkPieces = 8;

// Bytes of an output chunk's data: a range of an input, or of memory.
struct ChunkPiece {
  std::shared_ptr<ByteInput> input;  // null: the bytes lie at `memory`
  uint64_t at = 0;
  const uint8_t* memory = nullptr;   // valid until the listing's next Next()
  uint32_t bytes = 0;
};

// How a carried chunk lies in its input.
enum class Stored {
  Unknown,  // to be looked at (avi/stored_chunks.h) before it goes as a run
  Whole,    // exactly as written, header, data and zero pad
  ButPad,   // header and data as written; an odd chunk's pad byte is missing or not 0
};

struct OutChunk {
  static constexpr uint64_t kOwnCode = ~0ull;

  // Where the listing stands: 0 .. the writer's count of positions - 1,
  // never decreasing. The bar moves by it, and the listings of several
  // outputs written at once are merged by it.
  uint64_t position = 0;
  uint32_t ckid = 0;   // in the index
  uint32_t flags = 0;  // idx1 flags
  uint32_t size = 0;   // data bytes: the pieces' sum
  uint64_t chunkAt = kOwnCode;  // the input chunk's header its code is copied from
  int carried = CloneAligner::kWritten;
  Stored stored = Stored::Unknown;
  // The chunk needs its input chunk whole: the first piece's input must
  // hold every byte before this (0: no such need).
  uint64_t mustHold = 0;
  ChunkPiece pieces[kMaxChunkPieces];
  int pieceCount = 0;

  bool Carried() const { return carried != CloneAligner::kWritten; }
  bool Add(const ChunkPiece& piece) {
    if (pieceCount == kMaxChunkPieces) return false;
    pieces[pieceCount++] = piece;
    size += piece.bytes;
    return true;
  }
  // Empties the chunk (and lets go of the inputs it held). Inline, like
  // Add: a listing clears and fills a chunk for every entry it gives.
  void Clear() {
    for (int p = 0; p < pieceCount; ++p) pieces[p].input.reset();
    pieceCount = 0;
    position = 0;
    ckid = flags = size = 0;
    chunkAt = kOwnCode;
    carried = CloneAligner::kWritten;
    stored = Stored::Unknown;
    mustHold = 0;
  }
};

class ChunkListing {
 public:
  virtual ~ChunkListing() = default;
  // The next chunk; false after the last.
  virtual bool Next(OutChunk& chunk) = 0;
  // True when the listing ended early: an input could not be read again.
  virtual bool Failed() const { return false; }
};

// Makes a listing that starts at the first chunk.
using ListingMaker = std::function<std::unique_ptr<ChunkListing>()>;

// What a chunk takes in a movi list: header, data, pad.
inline uint64_t ChunkSpace(uint32_t size) { return 8 + uint64_t(size) + (size & 1); }

// A handle to an input that its owner keeps open longer than every listing.
std::shared_ptr<ByteInput> Unowned(ByteInput& input);

// Where a listing takes an input chunk from. The input may be the flattened
// view of an OpenDML file, and a chunk of a view lies whole where the file
// holds it: taken from there. stored: the source behind the view (null: the
// input is read as it is); file: a handle to its File(). *at: the chunk's
// position in input, made its position in file when it is taken from there.
// Returns input or file (a reference to one of the two handles given).
const std::shared_ptr<ByteInput>& ChunkInput(AviSource* stored, const std::shared_ptr<ByteInput>& input,
                                             const std::shared_ptr<ByteInput>& file, uint64_t* at);

// The chunks as the OpenDML layer lists them.
OdmlChunkSource OdmlChunksOf(const ListingMaker& chunks);
