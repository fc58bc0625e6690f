// The joined file is made in three passes over the inputs' indexes: one
// counts it, one copies the chunks, one writes the index. All three take
// their chunks from the same walk (ChainWalk), so the figures in the header
// always describe the bytes that follow them.
//
// The walk goes through the inputs one after the other and holds only the
// one it reads (and those whose bytes wait at a seam); an audio seam's head
// is carried over to the next input's first chunk of the stream.
//
// A file that shares its inputs' blocks (WriterOptions::clone) gets JUNK in
// front of its long runs (avi/clone_layout.h): counted by a walk of its own
// before the header, placed alike by the chunk pass and the index pass.
#include "chain/chain_writer.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "avi/byte_input.h"
#include "avi/clone_layout.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "avi/stored_chunks.h"
#include "io/output_stream.h"

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

uint64_t ChunkSpace(uint32_t size) { return 8 + uint64_t(size) + (size & 1); }

// The chunks of the joined file in order: of each input its kept entries.
class ChainWalk {
 public:
  // beforeOpen (may be empty) runs before another input is opened.
  explicit ChainWalk(const ChainRequest& r, std::function<void()> beforeOpen = nullptr)
      : r_(r), a_(*r.analysis), beforeOpen_(std::move(beforeOpen)) {}

  bool Next(JoinedChunk& out) {
    for (;;) {
      if (!index_) {
        if (link_ >= r_.links.size() || !Enter()) return false;
      }
      if (i_ >= index_->Total()) {
        index_.reset();
        file_.reset();
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
    if (beforeOpen_) beforeOpen_();
    file_ = r_.inputs->Open(link_);
    if (!file_) {
      failed_ = true;
      return false;
    }
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
    const Piece whole{file_, ChunkPosition(l.chunkBase, e), e.length, int(link_), 0, true};
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
  std::function<void()> beforeOpen_;
  size_t link_ = 0;
  std::shared_ptr<ByteInput> file_;
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

// The first input's bytes before the chunks, with the joined file's figures
// patched in. The patched fields are taken in file order, whatever order the
// streams' headers lie in.
bool WriteHeader(const ChainRequest& r, ByteInput& header, const JoinedFigures& f, BlockWriter& out) {
  const AviAnalysis& a = *r.analysis;
  struct Patch {
    uint64_t at;
    uint32_t value;
  };
  std::vector<Patch> patches = {{4, uint32_t(f.fileBytes - 8)},
                                {a.totalFramesOffset, f.totalFrames},
                                {uint64_t(a.moviOffset) - 4, uint32_t(4 + f.moviBytes)},
                                {a.moviOffset, kMovi}};
  for (uint32_t n = 0; n < a.streamCount; ++n) {
    patches.push_back({a.streams[n].lengthOffset, f.lengths[n]});
    const uint64_t buffer = a.streams[n].suggestedBufferSizeOffset;
    if (r.raiseBufferSizes && buffer != 0 && header.U32At(buffer) < f.largestChunk[n])
      patches.push_back({buffer, f.largestChunk[n]});
  }
  std::stable_sort(patches.begin(), patches.end(), [](const Patch& x, const Patch& y) { return x.at < y.at; });
  uint64_t at = 0;
  for (const Patch& p : patches) {
    // A field overlapping one already written, or lying past the header
    // (a damaged file), is left out.
    if (p.at < at || p.at > a.moviOffset) continue;
    if (!out.Copy(header, at, p.at - at) || !out.PutU32(p.value)) return false;
    at = p.at + 4;
  }
  return true;
}

bool WriteChunk(const JoinedChunk& c, BlockWriter& out) {
  if (c.Whole()) return out.CopyChunk(*c.pieces[0].file, c.pieces[0].chunkAt, c.size);
  // A chunk joined at a seam, or a part of one: the first piece's code, then every piece's data.
  if (!out.Copy(*c.pieces[0].file, c.pieces[0].chunkAt, 4) || !out.PutU32(c.size)) return false;
  for (int p = 0; p < c.pieceCount; ++p) {
    const Piece& piece = c.pieces[p];
    if (!out.Copy(*piece.file, piece.chunkAt + 8 + piece.from, piece.bytes)) return false;
  }
  if (c.size & 1) {
    const uint8_t zero = 0;
    return out.Put(&zero, 1);
  }
  return true;
}

// Where the joined file's chunks go: the running offset from its "movi"
// list type, and the JUNK in front of the runs that share an input's blocks
// (block 0: none, the offsets of a plain file).
class ChunkPlacer {
 public:
  ChunkPlacer(uint32_t block, uint64_t moviType) : align_(block), moviType_(moviType) {}
  // The JUNK bytes in front of chunk c; ChunkOffset() is then its offset.
  uint32_t Place(const JoinedChunk& c) {
    const uint64_t bytes = ChunkSpace(c.size);
    const int input = c.Whole() ? c.pieces[0].link : CloneAligner::kWritten;
    const uint32_t junk = align_.PadBefore(input, c.pieces[0].chunkAt, moviType_ + offset_, bytes);
    chunkOffset_ = offset_ + junk;
    offset_ = chunkOffset_ + bytes;
    return junk;
  }
  uint64_t ChunkOffset() const { return chunkOffset_; }

 private:
  CloneAligner align_;
  uint64_t moviType_;
  uint64_t offset_ = 4;
  uint64_t chunkOffset_ = 0;
};

// The JUNK bytes the joined file gets when it shares blocks at `block`.
uint64_t JunkBytes(const ChainRequest& r, uint32_t block) {
  ChunkPlacer placer(block, r.analysis->moviOffset);
  ChainWalk walk(r);
  JoinedChunk c;
  uint64_t junk = 0;
  while (walk.Next(c)) junk += placer.Place(c);
  return junk;
}

// Input bytes waiting to be appended: chunks lying back to back in one
// input, as the writer writes them, go in one piece.
struct PendingRun {
  std::shared_ptr<ByteInput> file;
  uint64_t start = 0, end = 0;
  bool Flush(BlockWriter& out) {
    const std::shared_ptr<ByteInput> f = std::move(file);
    file.reset();
    return !f || out.AppendRun(*f, start, end - start);
  }
};

// Whether chunks lie in the input being read as they are written: known
// from its walk (ChainLink::chunksAsWritten), else looked at chunk by chunk.
class StoredCheck {
 public:
  bool AsStored(const ChainLink& link, const Piece& p, uint32_t size, uint64_t* end) {
    if (link.chunksAsWritten) {
      *end = p.chunkAt + ChunkSpace(size);
      return *end <= p.file->Size();
    }
    if (file_ != p.file) {
      file_ = p.file;
      stored_ = std::make_unique<StoredChunks>(*file_);
    }
    return stored_->WrittenAsStored(p.chunkAt, size, end);
  }

 private:
  std::shared_ptr<ByteInput> file_;
  std::unique_ptr<StoredChunks> stored_;
};

bool WriteChunk(const JoinedChunk& c, BlockWriter& out);

// The chunk pass of a joined file that shares its inputs' blocks: JUNK in
// front of the runs, and whole chunks stored as they are written appended
// as runs of input bytes (the others written as usual, with the same size).
// Every input is offered to the output for sharing as its run begins: the
// first input's probe stands for all (a range the file system refuses is
// copied, the same bytes).
bool WriteSharedChunks(const ChainRequest& r, uint32_t block, OutputStream& sink, BlockWriter& out,
                       bool* walkFailed) {
  ChunkPlacer placer(block, r.analysis->moviOffset);  // block 0: the OpenDML layer places the JUNK
  StoredCheck stored;
  PendingRun run;
  ChainWalk walk(r, [&out] { out.ReadPending(); });
  JoinedChunk c;
  for (uint32_t n = 0; walk.Next(c); ++n) {
    const uint32_t junk = placer.Place(c);
    if (junk && !(run.Flush(out) && out.PutJunk(junk))) return false;
    const Piece& p = c.pieces[0];
    uint64_t end = 0;
    if (c.Whole() && p.file->Descriptor() >= 0 && stored.AsStored(r.links[p.link], p, c.size, &end)) {
      if (run.file == p.file && run.end == p.chunkAt) {
        run.end = end;
      } else {
        if (!run.Flush(out)) return false;
        sink.ShareBlocksWith(p.file->Descriptor());
        run.file = p.file;
        run.start = p.chunkAt;
        run.end = end;
      }
    } else if (!run.Flush(out) || !WriteChunk(c, out)) {
      return false;
    }
    if ((n & 255) == 255 && out.Cancelled()) return false;
  }
  *walkFailed = walk.Failed();
  return run.Flush(out);
}

// The joined file's chunks as the OpenDML layer lists them.
OdmlChunkSource JoinedChunks(const ChainRequest& r) {
  auto walk = std::make_shared<ChainWalk>(r);
  return [walk](OdmlChunkInfo* info) {
    JoinedChunk c;
    if (!walk->Next(c)) return false;
    *info = OdmlChunkInfo{c.ckid, c.flags, c.size};
    if (c.Whole()) info->from = c.pieces[0].chunkAt, info->input = c.pieces[0].link;  // as ChunkPlacer
    return true;
  };
}

OdmlShape JoinedShape(const ChainRequest& r, ByteInput& header, const JoinedFigures& f) {
  const AviAnalysis& a = *r.analysis;
  OdmlShape shape{&header, a.moviOffset, a.totalFramesOffset, a.streamCount, a.firstVideoStream, {}, f.fileBytes};
  for (uint32_t s = 0; s < a.streamCount; ++s)
    if (a.streams[s].type == StreamAudio && int(s) != a.firstVideoStream)
      shape.sampleSize[s] = header.U32At(a.streams[s].sampleSizeOffset);
  return shape;
}

JoinResult Outcome(const BlockWriter& out) {
  switch (out.Result()) {
    case BlockWriter::Outcome::Written: return JoinResult::Written;
    case BlockWriter::Outcome::Cancelled: return JoinResult::Cancelled;
    case BlockWriter::Outcome::InputShort: return JoinResult::InputShort;
    case BlockWriter::Outcome::WriteFailed: break;
  }
  return JoinResult::WriteFailed;
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
  for (const ChainLink& l : r.links) inputs += l.size;
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

JoinResult WriteJoinedFile(const ChainRequest& r, OutputStream& sink, const JoinObserver& observer,
                           const OdmlLimits& odmlLimits, std::string* problem, const WriterOptions& options) {
  const std::shared_ptr<ByteInput> header = r.inputs->Open(0);
  if (!header) return JoinResult::InputShort;
  JoinedFigures f = MeasureJoinedFile(r);
  auto refuse = [&](const std::string& why) {
    if (problem) *problem = why;
    return JoinResult::TooLarge;
  };
  const std::string refusal = JoinedFileRefusal(r, f);
  if (!refusal.empty()) return refuse(refusal);
  // Past the threshold the version-1 bytes below pass through the OpenDML
  // layer, which lines runs up itself when the output shares blocks.
  OdmlPlan odmlPlan;
  std::unique_ptr<OdmlOutput> odml;
  const bool canShare = options.clone && header->Descriptor() >= 0;
  bool shares = false;
  if (f.fileBytes >= odmlLimits.riffThreshold) {
    OdmlShape shape = JoinedShape(r, *header, f);
    if (canShare) shape.shareBlock = sink.ShareBlocksWith(header->Descriptor());
    shares = shape.shareBlock != 0;
    if (!odmlPlan.Make(shape, JoinedChunks(r), odmlLimits)) return refuse(odmlPlan.Problem());
    odml = std::make_unique<OdmlOutput>(sink, odmlPlan, JoinedChunks(r));
  } else if (f.fileBytes > 0xFFFFFFFFull) {
    return refuse("a version-1 file cannot hold " + std::to_string(f.fileBytes) + " bytes");
  }
  // Block sharing of a version-1 file, where the file system can: the JUNK is counted first.
  uint32_t block = 0;
  if (canShare && !odml) {
    block = sink.ShareBlocksWith(header->Descriptor());
    const uint64_t junk = block ? JunkBytes(r, block) : 0;
    const uint64_t bytes = f.fileBytes + junk;
    if (bytes >= odmlLimits.riffThreshold || bytes > 0xFFFFFFFFull) {
      block = 0;  // the padding would make it OpenDML or too large for version 1: copied
    } else {
      f.fileBytes = bytes;
      f.moviBytes += junk;
      shares = true;
    }
  }
  BlockWriter out(odml ? *odml : sink, observer, f.fileBytes);
  if (out.Cancelled()) return JoinResult::Cancelled;
  if (!WriteHeader(r, *header, f, out)) return Outcome(out);

  JoinedChunk c;
  if (shares) {
    bool walkFailed = false;
    if (!WriteSharedChunks(r, block, sink, out, &walkFailed)) return Outcome(out);
    if (walkFailed) return JoinResult::InputShort;
    out.ReadPending();
  } else {
    // Before the walk lets go of an input, every byte waiting for it is read.
    ChainWalk walk(r, [&out] { out.ReadPending(); });
    for (uint32_t n = 0; walk.Next(c); ++n) {
      if (!WriteChunk(c, out)) return Outcome(out);
      if ((n & 255) == 255 && out.Cancelled()) return JoinResult::Cancelled;
    }
    if (walk.Failed()) return JoinResult::InputShort;
    out.ReadPending();
    c = JoinedChunk();
  }

  if (!out.PutU32(kIdx1) || !out.PutU32(16 * f.entries)) return Outcome(out);
  ChainWalk walk(r);
  ChunkPlacer placer(block, r.analysis->moviOffset);  // offsets count from the "movi" list type
  while (walk.Next(c)) {
    placer.Place(c);
    const uint32_t offset = uint32_t(placer.ChunkOffset());
    if (!out.PutU32(c.ckid) || !out.PutU32(c.flags) || !out.PutU32(offset) || !out.PutU32(c.size))
      return Outcome(out);
  }
  if (!out.Flush()) return Outcome(out);
  // The count and the bytes come from the same walk; a difference would
  // mean an input changed while it was read.
  if (walk.Failed() || out.Written() != f.fileBytes) return JoinResult::InputShort;
  if (odml && !odml->Complete()) return JoinResult::WriteFailed;
  return JoinResult::Written;
}
