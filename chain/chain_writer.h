// Writes a joined file: the first input's header with its sizes and lengths
// patched, the chunks taken from each input of a chain of inputs in turn
// (the audio at each seam joined or dropped as planned), and an idx1 index
// whose offsets count from the joined file's own "movi" list type, on the
// output skeleton (writer/avi_writer.h). Streams with fixed memory, whatever
// the size and number of the inputs.
//
// A chain link says, per stream, how many of its input's index entries are
// taken from the first on (kKeepAll: every one) and how the audio chunk at
// the seam towards the next input is made. Joining files keeps everything
// of every input; a merge keeps of each input what comes before the next
// one's overlap.
//
// For the two parts of a split, merged where the overlap search finds the
// second part's first frame, what comes back of the file that was split:
// - video: every chunk, in order, with its flags;
// - audio of constant sample size (PCM; MP3 muxed with a sample size): the
//   same bytes. The plan keeps of the first part exactly the bytes the split
//   skipped at the start of the second (both count the same whole sample
//   blocks for the same frame), and the seam chunk is the original chunk
//   again: the head kept from the first part joined to the tail that begins
//   the second. The bytes are lost only when that chunk would exceed the
//   stream's dwSuggestedBufferSize (a muxer that set it below its largest
//   chunk): the plan then drops the head. When the cut fell on a chunk
//   boundary and two neighbours fit the buffer size together, they come back
//   as one chunk with the same bytes;
// - audio of variable size (VBR MP3, AC3) and other streams: split and merge
//   both cut them by their share of entries, so all chunks come back except,
//   when the parts overlap, possibly the one chunk at the seam (the merge's
//   share of the first part rounds down once more than the split's); without
//   an overlap every chunk comes back.
#pragma once
#include <cstddef>
#include <cstdint>

#include <memory>
#include <string>
#include <vector>

#include "avi/avi_analysis.h"
#include "avi/odml_output.h"
#include "io/writer_options.h"
#include "writer/chunk_listing.h"
#include "writer/chunk_swap.h"
#include "writer/write_result.h"

class AviSource;
class ByteInput;
class OutputStream;
class WalkSink;

// Most pieces one chunk of a joined file is made of (an audio chunk joined
// across seams of several inputs).
constexpr int kMaxJoinedPieces = kMaxChunkPieces;

constexpr uint32_t kKeepAll = 0xFFFFFFFFu;

// One input of a chain: where its index lies, and what is taken of it.
struct ChainLink {
  uint64_t idx1Offset = 0;  // position of its idx1 chunk header
  uint32_t entryTotal = 0;  // idx1 entries
  uint64_t chunkBase = 0;   // where its idx1 chunk offsets count from
  uint64_t size = 0;        // bytes the input holds
  uint32_t entries[kMaxStreams] = {};  // idx1 entries per stream
  uint32_t lengths[kMaxStreams] = {};  // strh dwLength per stream
  // Per stream: entries taken from the first on (kKeepAll: all of them).
  uint32_t keepCount[kMaxStreams];
  // Audio, towards the next input, as in MergePlan: the bytes of the next
  // chunk after the kept ones that still belong (0: none), and whether the
  // seam's chunks are joined (not 0) or the head is dropped (0).
  uint32_t seamPartialBytes[kMaxStreams] = {};
  uint32_t seamJoinBytes[kMaxStreams] = {};
  // A stretch of its input rather than all of it (a cut's kept range; 0
  // where the input is taken from its start): per stream, the index entry
  // (counted from idx1Offset's first) before which its entries are passed
  // over, and of the first and the last kept chunk only the last firstTail
  // and the first lastHead bytes (0: the chunk whole); when both cuts fall
  // in one chunk it gives the bytes [length - firstTail, lastHead) of it.
  // Such chunks are written as chunks of their own, never joined at a seam.
  uint32_t startAt[kMaxStreams] = {};
  uint32_t firstTail[kMaxStreams] = {};
  uint32_t lastHead[kMaxStreams] = {};
  // Its chunks lie as the writer writes them (avi/stored_chunks.h), checked
  // already: chunks the index places back to back are taken as runs unread.
  bool chunksAsWritten = false;
  // Video chunks taken with new bytes (an exact cut's re-encoded frames),
  // their entries counted from the link's first; null: none.
  std::shared_ptr<const ChunkSwap> swap;

  ChainLink() {
    for (uint32_t& k : keepCount) k = kKeepAll;
  }
};

// An input as the writer takes it whole: its index and counts from its
// analysis, its stream lengths from its header.
ChainLink WholeLink(const AviAnalysis& analysis, ByteInput& input);

// Opens the chain's inputs as they are read. An input stays open while a
// handle to it is held; a source may keep a few more open, and close the
// rest, so that memory stays fixed whatever the number of inputs.
class ChainInputs {
 public:
  virtual ~ChainInputs() = default;
  // Null when input `link` cannot be opened (again).
  virtual std::shared_ptr<ByteInput> Open(size_t link) = 0;
  // Where Open(link) is the flattened view of an OpenDML file: its source,
  // whose file the joined file takes the carried chunks from, so that they
  // can go file to file and share its blocks. Null: from Open(link).
  virtual std::shared_ptr<AviSource> Stored(size_t link) {
    (void)link;
    return nullptr;
  }
};

struct ChainRequest {
  // The first input's analysis: the header layout and stream types the
  // joined file keeps (every input has the same streams in the same order).
  const AviAnalysis* analysis = nullptr;
  ChainInputs* inputs = nullptr;
  std::vector<ChainLink> links;
  // Raise each stream's strh dwSuggestedBufferSize to its largest chunk when
  // the first input's is smaller (the files joined are not one recording).
  bool raiseBufferSizes = false;
};

// The joined file's figures, known before its first byte is written.
struct JoinedFigures {
  uint64_t fileBytes;     // the whole file; its RIFF size is this - 8
  uint64_t moviBytes;     // chunks in the movi list, headers and pads included
  uint32_t entries;       // idx1 entries, one per chunk
  uint32_t totalFrames;   // avih dwTotalFrames
  uint32_t lengths[kMaxStreams];       // strh dwLength per stream
  uint32_t largestChunk[kMaxStreams];  // data bytes of each stream's largest chunk
};

// Counts the joined file from the indexes (no chunk data is read).
JoinedFigures MeasureJoinedFile(const ChainRequest& request);

// Tells why a joined file of these figures cannot be written ("" when it can):
// no joined file holds more chunk bytes than its inputs together (an index
// naming one chunk again and again must not make a small file huge).
std::string JoinedFileRefusal(const ChainRequest& request, const JoinedFigures& figures);

// Writes the joined file to out. A file that reaches odml.riffThreshold
// bytes is written as OpenDML (avi/odml_output.h), with the same header and
// chunks. bar (may be null) gets cells 10 .. 100 and may cancel. On anything
// but Written, out holds a partial file that its owner must discard;
// *problem (if given) says why on TooLarge; InputShort and InputChanged: an
// input ended before the chunks its index names, changed while it was read
// or could not be opened again. With options.clone, out is asked to share
// the inputs' blocks (OutputStream::ShareBlocksWith) and, where it can, the
// runs of unchanged chunks get JUNK in front (avi/clone_layout.h; in a file
// written as OpenDML the OpenDML layer places it, OdmlShape::shareBlock).
WriteResult WriteJoinedFile(const ChainRequest& request, OutputStream& out, WalkSink* bar,
                            const OdmlLimits& odml = OdmlLimits(), std::string* problem = nullptr,
                            const WriterOptions& options = WriterOptions());
