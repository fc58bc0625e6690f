#include "avi/odml_reader.h"

#include <algorithm>
#include <memory>

#include "avi/avi_analysis.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/odml_headers.h"

namespace {

constexpr int kMaxHeaderDepth = 8;
// idx1 holds 16 bytes an entry behind a 32-bit size.
constexpr uint64_t kMaxFlatEntries = 0xFFFFFFFFull / 16;
constexpr uint64_t kProgressEvery = 4096;  // chunks

uint64_t Padded(uint64_t size) { return size + (size & 1); }

}  // namespace

bool OdmlReader::Fail(OdmlProblem problem, int stream, uint64_t position) {
  facts_.fault = OdmlFault{problem, stream, position};
  return false;
}

bool OdmlReader::Read(ByteInput& input, uint64_t fileSize, const OdmlProgress& progress) {
  *this = OdmlReader();
  fileSize_ = fileSize;
  uint64_t truncatedRiff = 0;
  bool truncated = !ReadRiffLists(input, &truncatedRiff);
  if (!ReadHeader(input)) return false;
  if (!facts_.hasSuperIndex) return true;  // a version-1 file: nothing more to read here
  if (truncated) return Fail(OdmlProblem::kTruncated, -1, truncatedRiff);
  if (facts_.moviListPosition == 0) return Fail(OdmlProblem::kNoMoviList, -1, 0);
  return CheckEntries(input, progress);
}

// Top-level RIFF lists, one after the other, each with its movi list. False
// with the list's position when the last one runs past the end of the file.
bool OdmlReader::ReadRiffLists(ByteInput& input, uint64_t* truncatedRiff) {
  uint64_t p = 0;
  while (fileSize_ - p >= 12) {
    uint32_t code = input.U32At(p);
    uint32_t size = input.ReadU32();
    uint32_t form = input.ReadU32();
    if (code != kRiff) break;
    if (facts_.riffCount > 0 && form != kAvix) break;  // only AVIX lists extend the file
    uint64_t end = p + 8 + size;
    OdmlRiffFacts riff{p, size, form, 0, 0};
    // Its movi list: the first LIST movi among its children.
    uint64_t limit = std::min(end, fileSize_);
    for (uint64_t c = p + 12; c < limit && limit - c >= 12;) {
      uint32_t childCode = input.U32At(c);
      uint32_t childSize = input.ReadU32();
      if (!IsPrintableFourCC(childCode)) break;
      if (childCode == kList && input.ReadU32() == kMovi) {
        riff.moviPosition = c;
        riff.moviSize = childSize;
        break;
      }
      c += 8 + Padded(childSize);
    }
    if (facts_.riffCount == 0 && form == kAviForm) facts_.moviListPosition = riff.moviPosition;
    if (facts_.riffCount < uint32_t(kOdmlMaxRiffFacts)) facts_.riffs[facts_.riffCount] = riff;
    facts_.riffCount++;
    if (end > fileSize_) {
      *truncatedRiff = p;
      return false;
    }
    p = end + (size & 1);
    if (p >= fileSize_) break;
  }
  return true;
}

bool OdmlReader::ReadHeader(ByteInput& input) {
  if (facts_.riffCount == 0) return true;
  uint64_t end = facts_.moviListPosition ? facts_.moviListPosition
                                         : std::min(fileSize_, facts_.riffs[0].position + 8 + facts_.riffs[0].size);
  int strl = -1;
  uint64_t removed = 0;
  ReadHeaderList(input, 12, end, 0, &strl, &removed);

  std::vector<int> without;
  for (uint32_t s = 0; s < facts_.streamCount; ++s) {
    OdmlStreamFacts& f = facts_.streams[s];
    if (f.superIndexPosition == 0) {
      without.push_back(int(s));
      continue;
    }
    facts_.hasSuperIndex = true;
    SuperIndex super;
    OdmlFault fault;
    if (!ReadSuperIndex(input, fileSize_, int(s), f.superIndexPosition, &super, &fault)) {
      facts_.fault = fault;
      return false;
    }
    f.chunkId = super.chunkId;
    f.standardIndexes = super.entriesInUse;
    supers_.push_back(super);
  }
  if (!facts_.hasSuperIndex) return true;  // what the header holds is the version-1 rules' to judge
  if (headerFault_.problem != OdmlProblem::kNone) {
    facts_.fault = headerFault_;
    return false;
  }
  if (!without.empty()) return Fail(OdmlProblem::kStreamWithoutIndex, without[0], 0);
  return true;
}

// Walks the lists of the header in [start, end): notes avih, the streams'
// types and super indexes, and cuts every indx chunk and LIST odml, patching
// the size of each list that held one. removed gets the bytes cut inside.
// What an OpenDML file cannot have is noted in headerFault_ and raised only
// when the file turns out to be one.
void OdmlReader::ReadHeaderList(ByteInput& input, uint64_t start, uint64_t end, int depth, int* strl,
                                uint64_t* removed) {
  if (depth > kMaxHeaderDepth) return;
  for (uint64_t p = start; p < end && end - p >= 8;) {
    uint32_t code = input.U32At(p);
    uint32_t size = input.ReadU32();
    if (!IsPrintableFourCC(code) || size > end - p - 8) break;  // as the walk: stop at what does not fit
    uint64_t span = std::min<uint64_t>(8 + Padded(size), end - p);
    uint32_t type = size >= 4 ? input.U32At(p + 8) : 0;
    bool cut = code == kIndx || (code == kList && type == kOdml);
    if (cut) {
      if (cuts_.size() == kMaxHeaderCuts) {
        NoteHeaderFault(OdmlProblem::kHeaderTooComplex, p);
        break;
      }
      cuts_.push_back(HeaderCut{p, span});
      *removed += span;
      if (code == kIndx && depth > 0 && *strl >= 0 && facts_.streams[*strl].superIndexPosition == 0)
        facts_.streams[*strl].superIndexPosition = p;
    } else if (code == kAvih) {
      if (facts_.avihPosition == 0) facts_.avihPosition = p;
    } else if (code == kStrh && *strl >= 0 && size >= 4 && facts_.streams[*strl].fccType == 0) {
      facts_.streams[*strl].fccType = type;
      if (type == kVids && facts_.firstVideoStream < 0) facts_.firstVideoStream = *strl;
    } else if (code == kList && size >= 4) {
      int outer = *strl;
      if (type == kStrl) {
        if (facts_.streamCount == uint32_t(kOdmlMaxStreams)) {
          NoteHeaderFault(OdmlProblem::kTooManyStreams, p);
          *strl = -1;  // neither recorded nor counted
        } else {
          *strl = int(facts_.streamCount++);
        }
      }
      uint64_t inner = 0;
      ReadHeaderList(input, p + 12, p + 8 + size, depth + 1, strl, &inner);
      if (inner != 0) patches_.push_back(HeaderPatch{p + 4, uint32_t(size - inner)});
      *removed += inner;
      if (type == kStrl) *strl = outer;
    }
    p += span;
  }
}

void OdmlReader::NoteHeaderFault(OdmlProblem problem, uint64_t position) {
  if (headerFault_.problem == OdmlProblem::kNone) headerFault_ = OdmlFault{problem, -1, position};
}

void OdmlReader::AddCheckpoint(uint64_t ordinal, uint64_t flatOffset, const OdmlPlace* places) {
  if (checkpoints_.size() == kMaxCheckpoints) {
    // Keep every other one: the table stays bounded, the stride doubles.
    size_t n = supers_.size();
    for (size_t i = 0; i < kMaxCheckpoints / 2; ++i) {
      checkpoints_[i] = checkpoints_[2 * i];
      std::copy_n(checkpointPlaces_.begin() + 2 * i * n, n, checkpointPlaces_.begin() + i * n);
    }
    checkpoints_.resize(kMaxCheckpoints / 2);
    checkpointPlaces_.resize(kMaxCheckpoints / 2 * n);
    stride_ *= 2;
    if (ordinal % stride_ != 0) return;
  }
  checkpoints_.push_back(OdmlCheckpoint{ordinal, flatOffset});
  checkpointPlaces_.insert(checkpointPlaces_.end(), places, places + supers_.size());
}

// One pass over every entry in file order: each must land on a chunk
// header of its stream with its size, after the end of the chunk before.
bool OdmlReader::CheckEntries(ByteInput& input, const OdmlProgress& progress) {
  OdmlChunkMerge merge(input, fileSize_, supers_);
  // A file on disk has its chunks' headers read a batch at a time where the
  // indexes place them, through a reader of their own; a header that
  // disagrees with its entry is read again from input, which finds out
  // about a failed read or a changed file.
  std::unique_ptr<OdmlHeaders> pieces;
  ByteInput pieceInput;
  if (input.Descriptor() >= 0 && WalksGuidedByIndex() && pieceInput.OpenDuplicate(input)) {
    pieces.reset(new OdmlHeaders(input, fileSize_, supers_));
    pieceInput.UseBeforehand(pieces.get());
  }
  ByteInput& headers = pieces ? pieceInput : input;
  std::vector<OdmlPlace> places(supers_.size());
  if (!merge.Start(nullptr)) {
    facts_.fault = merge.Fault();
    return false;
  }
  uint64_t ordinal = 0;
  uint64_t flat = 0;
  uint64_t previousEnd = 0;
  for (;;) {
    merge.Places(places.data());
    OdmlChunk c;
    if (!merge.Next(&c)) {
      if (merge.Fault().problem != OdmlProblem::kNone) {
        facts_.fault = merge.Fault();
        return false;
      }
      break;
    }
    if (ordinal % stride_ == 0) AddCheckpoint(ordinal, flat, places.data());
    uint64_t header = c.data - 8;
    uint32_t code = headers.U32At(header);
    uint32_t size = headers.ReadU32();
    if (&headers != &input && (code != c.ckid || size != c.size)) {
      code = input.U32At(header);
      size = input.ReadU32();
    }
    if (code != c.ckid) return Fail(OdmlProblem::kWrongChunkId, c.stream, header);
    if (size != c.size) return Fail(OdmlProblem::kWrongChunkSize, c.stream, header);
    if (header < previousEnd) return Fail(OdmlProblem::kOverlap, c.stream, header);
    previousEnd = c.data + c.size;
    OdmlStreamFacts& f = facts_.streams[c.stream];
    f.entries++;
    f.keyEntries += c.key ? 1 : 0;
    f.dataBytes += c.size;
    flat += 8 + Padded(c.size);
    ++ordinal;
    if (ordinal > kMaxFlatEntries) return Fail(OdmlProblem::kTooManyEntries, -1, header);
    if (ordinal % kProgressEvery == 0 && progress && !progress(c.data))
      return Fail(OdmlProblem::kCancelled, -1, c.data);
  }
  facts_.chunkCount = ordinal;
  flatMoviBytes_ = flat;
  // avih dwTotalFrames counts the first RIFF's frames in every writer's
  // files, and dmlh is no better (ffmpeg adds MP3 packets, mencoder counts
  // the first RIFF): the video stream's entries are the frame count.
  if (facts_.avihPosition != 0 && input.U32At(facts_.avihPosition + 4) >= 20) {
    uint64_t frames = facts_.firstVideoStream >= 0 ? facts_.streams[facts_.firstVideoStream].entries : 0;
    patches_.push_back(HeaderPatch{facts_.avihPosition + 24, uint32_t(frames)});
  }
  std::sort(patches_.begin(), patches_.end(),
            [](const HeaderPatch& a, const HeaderPatch& b) { return a.position < b.position; });
  return true;
}

namespace {
const OdmlCheckpoint kFileStart{0, 0};
}

const OdmlCheckpoint& OdmlReader::CheckpointForOrdinal(uint64_t ordinal, const OdmlPlace** places) const {
  *places = nullptr;  // no chunks: the start
  if (checkpoints_.empty()) return kFileStart;
  auto it = std::upper_bound(checkpoints_.begin(), checkpoints_.end(), ordinal,
                             [](uint64_t v, const OdmlCheckpoint& c) { return v < c.ordinal; });
  size_t i = it == checkpoints_.begin() ? 0 : size_t(it - checkpoints_.begin()) - 1;
  *places = checkpointPlaces_.data() + i * supers_.size();
  return checkpoints_[i];
}

const OdmlCheckpoint& OdmlReader::CheckpointForOffset(uint64_t flatOffset, const OdmlPlace** places) const {
  *places = nullptr;
  if (checkpoints_.empty()) return kFileStart;
  auto it = std::upper_bound(checkpoints_.begin(), checkpoints_.end(), flatOffset,
                             [](uint64_t v, const OdmlCheckpoint& c) { return v < c.flatOffset; });
  size_t i = it == checkpoints_.begin() ? 0 : size_t(it - checkpoints_.begin()) - 1;
  *places = checkpointPlaces_.data() + i * supers_.size();
  return checkpoints_[i];
}
