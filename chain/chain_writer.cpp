// The joined file is a listing of chunks for the output skeleton
// (writer/avi_writer.h): the first input's header with the joined figures
// edited in, then of each input its kept chunks (ChainWalk), an audio seam's
// head carried over to the next input's first chunk of the stream. The
// skeleton asks for the listing once more for each of its passes (counting,
// OpenDML layout, chunks, index), so the figures in the header always
// describe the bytes that follow them.
//
// The walk goes through the inputs one after the other and holds only the
// one it reads (and those whose bytes wait at a seam). A chunk taken whole
// from one input is carried over: where the file shares the inputs' blocks,
// it goes as part of a run of input bytes.
#include "chain/chain_writer.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "avi/avi_source.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "writer/avi_writer.h"

namespace {

// The data bytes [from, from + bytes) of the chunk whose header lies at
// chunkAt; whole when they are all of its bytes.
struct Piece {
  std::shared_ptr<ByteInput> file;
  uint64_t chunkAt = 0;
  uint32_t bytes = 0;
  int link = 0;  // the input it comes from
  uint32_t from = 0;
  bool whole = false;
};

// One chunk of the joined file: a source chunk, or an audio chunk joined
// across one or more seams from pieces of several inputs.
struct JoinedChunk {
  uint32_t ckid = 0;
  uint32_t flags = 0;
  int stream = -1;
  Piece pieces[kMaxJoinedPieces];
  int pieceCount = 0;
  uint32_t size = 0;  // data bytes

  bool Add(const Piece& piece) {
    if (pieceCount == kMaxJoinedPieces) return false;
    pieces[pieceCount++] = piece;
    size += piece.bytes;
    return true;
  }
  // One source chunk as it is stored.
  bool Whole() const { return pieceCount == 1 && pieces[0].whole; }
};

// The chunks of the joined file in order: of each input its kept entries.
class ChainWalk {
 public:
  explicit ChainWalk(const ChainRequest& r) : r_(r), a_(*r.analysis) {}

  bool Next(JoinedChunk& out) {
    for (;;) {
      if (!index_) {
        if (link_ >= r_.links.size() || !Enter()) return false;
      }
      if (i_ >= index_->Total()) {
        index_.reset();
        file_.reset();
        stored_.reset();
        storedFile_.reset();
        ++link_;
        continue;
      }
      const uint32_t i = i_++;
      if (Take(i, index_->At(i), out)) return true;
    }
  }
  // True when an input could not be opened again.
  bool Failed() const { return failed_; }

 private:
  struct Carry {
    bool have = false;
    size_t link = 0;  // the input it was carried from
    JoinedChunk chunk;
  };

  bool Enter() {
    file_ = r_.inputs->Open(link_);
    if (!file_) {
      failed_ = true;
      return false;
    }
    stored_ = r_.inputs->Stored(link_);
    if (stored_) storedFile_ = std::shared_ptr<ByteInput>(stored_, &stored_->File());
    const ChainLink& l = r_.links[link_];
    index_ = std::make_unique<IndexReader>(*file_, l.idx1Offset, l.entryTotal);
    i_ = 0;
    for (int s = 0; s < kMaxStreams; ++s) {
      taken_[s] = 0;
      // A head no input after the next one took is dropped.
      if (carry_[s].have && carry_[s].link + 1 < link_) carry_[s] = Carry();
    }
    return true;
  }

  int StreamOf(uint32_t ckid) const {
    int s = StreamOfCkid(ckid);
    return s >= 0 && uint32_t(s) < a_.streamCount ? s : -1;
  }
  // Audio streams whose seam chunks the plan joins.
  bool Joins(int s, const ChainLink& l) const {
    return s != a_.firstVideoStream && a_.streams[s].type == StreamAudio && l.seamJoinBytes[s] != 0;
  }

  // What becomes of one index entry: true when it makes the next chunk.
  bool Take(uint32_t i, const IndexEntry& e, JoinedChunk& out) {
    const int s = StreamOf(e.ckid);
    if (s < 0) return false;
    const ChainLink& l = r_.links[link_];
    if (i < l.startAt[s]) return false;
    const uint32_t k = taken_[s]++;
    const uint32_t keep = l.keepCount[s];
    // The head carried from the input before goes in front of this input's
    // first chunk of the stream.
    JoinedChunk chunk;
    chunk.ckid = e.ckid;
    chunk.flags = e.flags;
    chunk.stream = s;
    if (k == 0 && carry_[s].have) {
      if (carry_[s].link + 1 == link_) chunk = carry_[s].chunk;
      carry_[s] = Carry();
    }
    uint64_t at = ChunkPosition(l.chunkBase, e);
    const std::shared_ptr<ByteInput>& input = ChunkInput(stored_.get(), file_, storedFile_, &at);
    Piece whole{input, at, e.length, int(link_), 0, true};
    // A re-encoded frame: a chunk of the swap's file, code and all.
    const SwappedChunk* swapped = l.swap ? l.swap->Of(s, k) : nullptr;
    if (swapped && k < keep) {
      chunk.flags = swapped->flags;
      // A key frame moved after them: the input's chunk, from where it lies.
      uint64_t from = swapped->at;
      const std::shared_ptr<ByteInput>& file =
          swapped->inSource ? ChunkInput(stored_.get(), file_, storedFile_, &from) : l.swap->input;
      if (!chunk.Add(Piece{file, from, swapped->bytes, int(link_), 0, false})) return false;
      out = std::move(chunk);
      return true;
    }
    if (Joins(s, l)) {
      const uint32_t partial = l.seamPartialBytes[s];
      // Kept time ending inside a chunk: that chunk's head goes in front of
      // the next input's first chunk. Ending on a chunk boundary: the last
      // kept chunk and the next input's first become one.
      if (partial != 0 && k == keep) return CarryOver(s, chunk, Piece{whole.file, whole.chunkAt, partial, whole.link});
      if (partial == 0 && k + 1 == keep) return CarryOver(s, chunk, whole);
    }
    if (k >= keep) return false;
    if (!chunk.Add(k == 0 || k + 1 == keep ? Stretched(l, s, k, whole) : whole)) return false;
    out = std::move(chunk);
    return true;
  }

  // The kept part of entry k of a stretch's stream s (k first or last).
  static Piece Stretched(const ChainLink& l, int s, uint32_t k, Piece piece) {
    const uint32_t length = piece.bytes;
    if (k == 0 && l.firstTail[s] != 0 && l.firstTail[s] < length) piece.from = length - l.firstTail[s];
    uint32_t end = length;
    if (k + 1 == l.keepCount[s] && l.lastHead[s] != 0 && l.lastHead[s] < length) end = l.lastHead[s];
    if (end < piece.from) end = piece.from;
    piece.bytes = end - piece.from;
    piece.whole = piece.bytes == length;
    return piece;
  }

  bool CarryOver(int s, JoinedChunk& chunk, const Piece& piece) {
    if (chunk.Add(piece)) carry_[s] = Carry{true, link_, std::move(chunk)};
    return false;
  }

  const ChainRequest& r_;
  const AviAnalysis& a_;
  size_t link_ = 0;
  std::shared_ptr<ByteInput> file_;
  std::shared_ptr<AviSource> stored_;        // the source behind a view
  std::shared_ptr<ByteInput> storedFile_;    // its file
  std::unique_ptr<IndexReader> index_;
  uint32_t i_ = 0;
  uint32_t taken_[kMaxStreams] = {};
  Carry carry_[kMaxStreams];
  bool failed_ = false;
};

uint32_t ClampU32(double value) {
  if (!(value > 0)) return 0;
  if (value >= 4294967295.0) return 0xFFFFFFFFu;
  return uint32_t(value);
}

// The joined file's chunks as the skeleton lists them; positions count them.
class ChainListing : public ChunkListing {
 public:
  explicit ChainListing(const ChainRequest& r) : r_(r), walk_(r) {}

  bool Next(OutChunk& c) override {
    JoinedChunk j;
    if (!walk_.Next(j)) return false;
    c.Clear();
    c.position = n_++;
    c.ckid = j.ckid;
    c.flags = j.flags;
    c.chunkAt = j.pieces[0].chunkAt;  // a joined chunk takes its first piece's code
    for (int p = 0; p < j.pieceCount; ++p)
      c.Add(ChunkPiece{j.pieces[p].file, j.pieces[p].chunkAt + 8 + j.pieces[p].from, nullptr, j.pieces[p].bytes});
    if (j.Whole()) {
      c.carried = j.pieces[0].link;
      c.stored = r_.links[size_t(j.pieces[0].link)].chunksAsWritten ? Stored::Whole : Stored::Unknown;
    }
    return true;
  }
  bool Failed() const override { return walk_.Failed(); }

 private:
  const ChainRequest& r_;
  ChainWalk walk_;
  uint64_t n_ = 0;
};

// The joined file as the skeleton writes it: the first input's header with
// the joined figures (the fields taken in file order, whatever order the
// streams' headers lie in).
AviOutput OutputOf(const ChainRequest& r, const std::shared_ptr<ByteInput>& header, const JoinedFigures& f) {
  const AviAnalysis& a = *r.analysis;
  AviOutput out;
  out.chunks = [&r] { return std::make_unique<ChainListing>(r); };
  out.header = header;
  out.headerBytes = uint64_t(a.moviOffset) + 4;
  out.edits.Field(a.totalFramesOffset, f.totalFrames);
  for (uint32_t n = 0; n < a.streamCount; ++n) {
    out.edits.Field(a.streams[n].lengthOffset, f.lengths[n]);
    const uint64_t buffer = a.streams[n].suggestedBufferSizeOffset;
    if (r.raiseBufferSizes && buffer != 0 && header->U32At(buffer) < f.largestChunk[n])
      out.edits.Field(buffer, f.largestChunk[n]);
  }
  out.moviBytes = f.moviBytes;
  out.entries = f.entries;
  out.shape = ShapeOfAnalysed(a, *header);
  out.refusal = JoinedFileRefusal(r, f);
  return out;
}

// How the chain hands its runs over, as it always has: only where the file
// shares the inputs' blocks, each run file to file whatever its length.
CopyHabits ChainHabits() {
  CopyHabits habits;
  habits.fileCopyFrom = 0;
  habits.runs = false;
  return habits;
}

}  // namespace

ChainLink WholeLink(const AviAnalysis& a, ByteInput& input) {
  ChainLink link;
  link.idx1Offset = a.idx1Offset;
  link.entryTotal = a.idx1EntryTotal;
  link.chunkBase = a.chunkBase;
  link.size = input.Size();
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    link.entries[s] = a.streams[s].idx1EntryCount;
    link.lengths[s] = input.U32At(a.streams[s].lengthOffset);
  }
  return link;
}

std::string JoinedFileRefusal(const ChainRequest& r, const JoinedFigures& f) {
  uint64_t inputs = 0;
  for (const ChainLink& l : r.links) inputs += l.size + (l.swap ? l.swap->SideBytes() : 0);
  if (f.moviBytes <= inputs) return "";
  return "its inputs' indexes name " + std::to_string(f.moviBytes) + " bytes of chunks, more than the " +
         std::to_string(inputs) + " bytes the inputs hold";
}

// True when the input's length of stream s counts its chunks. A split's
// part of such a stream may say one less (its share of the length rounds down).
// True for a sound stream of dwSampleSize 0 (header: the first input, opened
// here when it is not yet).
static bool VariableSizeAudio(const StreamEntry& st, std::shared_ptr<ByteInput>& header, const ChainRequest& r) {
  if (st.sampleSizeOffset == 0) return false;
  if (!header) header = r.inputs->Open(0);
  return header && header->U32At(st.sampleSizeOffset) == 0;
}

static bool CountsItsChunks(const ChainLink& link, uint32_t s) {
  const uint32_t chunks = link.entries[s];
  return chunks != 0 && (link.lengths[s] == chunks || link.lengths[s] + 1 == chunks);
}

JoinedFigures MeasureJoinedFile(const ChainRequest& r) {
  const AviAnalysis& a = *r.analysis;
  const int video = a.firstVideoStream;
  JoinedFigures f{};
  uint64_t streamBytes[kMaxStreams] = {};
  uint64_t streamChunks[kMaxStreams] = {};
  ChainWalk walk(r);
  JoinedChunk c;
  while (walk.Next(c)) {
    f.moviBytes += ChunkSpace(c.size);
    f.entries++;
    streamBytes[c.stream] += c.size;
    streamChunks[c.stream]++;
    f.largestChunk[c.stream] = std::max(f.largestChunk[c.stream], c.size);
  }
  f.fileBytes = uint64_t(a.moviOffset) + 4 + f.moviBytes + 8 + 16ull * f.entries;

  double frames = 0;
  for (const ChainLink& l : r.links) frames += double(std::min(l.keepCount[video], l.entries[video]));
  f.totalFrames = ClampU32(frames);
  std::shared_ptr<ByteInput> header;
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    const StreamEntry& st = a.streams[s];
    if (int(s) == video) {
      f.lengths[s] = f.totalFrames;
    } else if (st.type == StreamAudio) {
      // Constant-size audio: the samples the joined stream really holds.
      if (!header) header = r.inputs->Open(0);
      const uint32_t blockBytes = header ? header->U32At(st.sampleSizeOffset) : 0;
      f.lengths[s] = blockBytes ? ClampU32(double(streamBytes[s] / blockBytes)) : 0;
    } else if (VariableSizeAudio(st, header, r) || CountsItsChunks(r.links[0], s)) {
      // dwSampleSize 0 (variable-size audio such as MP3, of any stream
      // number: each chunk is one sample), or a length that counts the
      // chunks: the chunks the joined stream really holds. The share below
      // could round one short (1149 for 1150 chunks).
      f.lengths[s] = ClampU32(double(streamChunks[s]));
    } else {
      // Other streams: the kept share of each input's length.
      double length = 0;
      for (const ChainLink& l : r.links) {
        const double whole = double(l.lengths[s]);
        if (l.keepCount[s] == kKeepAll) {
          length += whole;
        } else {
          const double share = l.entries[s] ? double(l.keepCount[s]) / double(l.entries[s]) : 0.0;
          length += std::min(std::floor(whole * share), whole);
        }
      }
      f.lengths[s] = ClampU32(length);
    }
  }
  return f;
}

WriteResult WriteJoinedFile(const ChainRequest& r, OutputStream& file, WalkSink* bar, const OdmlLimits& odml,
                            std::string* problem, const WriterOptions& options) {
  const std::shared_ptr<ByteInput> header = r.inputs->Open(0);
  if (!header) return WriteResult::InputChanged;
  AviOutput out = OutputOf(r, header, MeasureJoinedFile(r));
  out.file = &file;
  if (const std::shared_ptr<AviSource> stored = r.inputs->Stored(0))
    out.chunkFile = std::shared_ptr<ByteInput>(stored, &stored->File());
  WriteSettings how(odml, options, ChainHabits(), bar);
  how.bar.showEnd = true;  // 10 .. 100
  const WriteOutcome outcome = WriteAviOutput(out, how);
  if (problem) *problem = outcome.problem;
  return outcome.result;
}
