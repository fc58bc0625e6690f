// Writes an output as OpenDML (AVI 2.0) once it grows past what a version-1
// file should hold, in the layout ffmpeg writes:
//   RIFF "AVI " : the header, with an indx (super index) at the end of each
//                 strl list and LIST odml / dmlh at the end of hdrl; a movi
//                 list with the chunks; then one ix## (standard index) per
//                 stream at the end of that movi; then idx1 for its chunks;
//   RIFF "AVIX" : a movi list with the next chunks and their ix##; ...
// A RIFF list closes before the chunk that would start more than
// `riffThreshold` bytes after the list's start. The header is the
// version-1 header with nothing changed but list sizes, the RIFF and movi
// sizes and avih dwTotalFrames (the first RIFF's video frames, as every
// writer counts them); strh dwLength stays the whole stream's. A header that
// holds a dmlh already keeps it (its frame count set) and gets no second.
//
// The writer does not change: it writes its version-1 bytes (header,
// chunks, idx1) into an OdmlOutput, which rewrites them on the fly into the
// real output. What it cannot see in those bytes, each chunk's key flag
// before the chunk's index is due, it takes from a second listing of the
// same chunks (OdmlChunkSource), which must give exactly the chunks the
// writer writes, in order.
//
//   OdmlPlan plan;
//   if (!plan.Make(shape, chunkSource(), limits)) refuse(plan.Problem());
//   OdmlOutput odml(file, plan, chunkSource());
//   write the version-1 bytes into odml;
//   if (!odml.Complete()) fail;
//
// An output that shares the input's blocks (OdmlShape::shareBlock) gets
// JUNK in front of long runs of carried-over chunks, placed by the same rule
// as in a version-1 file (avi/clone_layout.h) at the chunks' OpenDML
// positions, in the plan and in the output alike; each RIFF list begins a
// run anew, and the indexes point past the JUNK. The writer hands such runs
// over through AppendFromFile, and they go on to the file as ranges of the
// input.
//
// Memory stays fixed: the plan keeps per RIFF list and per standard index a
// few numbers (at most kOdmlSuperEntries standard indexes a stream); the
// output keeps 5 bytes per chunk of the RIFF list being written, and a RIFF
// list closes early when it holds `riffEntries` chunks (1 << 20 by default:
// 5 MiB at most).
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "avi/avi_analysis.h"
#include "avi/clone_layout.h"
#include "io/output_stream.h"

class ByteInput;

constexpr uint64_t kOdmlThresholdBytes = 1ull << 30;  // outputs from 1 GiB on are written as OpenDML
constexpr uint32_t kOdmlSuperEntries = 256;           // room in each indx (as ffmpeg reserves)

struct OdmlLimits {
  uint64_t riffThreshold = kOdmlThresholdBytes;
  uint64_t riffLimit = 0x7FFFFFFFull;  // most bytes of one RIFF list, its header included
  uint32_t riffEntries = 1u << 20;     // most chunks of one RIFF list
};

// One chunk of the output, in output order.
struct OdmlChunkInfo {
  static constexpr uint64_t kWritten = ~0ull;
  uint32_t ckid;
  uint32_t flags;  // its idx1 flags; key frame when kKeyFrameFlag is set
  uint32_t size;   // data bytes
  // Where the chunk lies in its input when it is carried over whole and
  // unchanged (its header included), else kWritten, and which input that is
  // (a number of the writer's): the chunks that an output sharing the
  // inputs' blocks lines up (OdmlShape::shareBlock).
  uint64_t from = kWritten;
  int input = 0;
};
// Gives the next chunk; false after the last.
using OdmlChunkSource = std::function<bool(OdmlChunkInfo*)>;

// The version-1 output the writer produces.
struct OdmlShape {
  ByteInput* header;           // holds the header bytes the writer copies (positions as in the output)
  uint64_t moviOffset;         // the "movi" list type
  uint64_t totalFramesOffset;  // avih dwTotalFrames
  uint32_t streamCount;
  int videoStream;             // counted for dwTotalFrames and dmlh; -1: none
  uint32_t sampleSize[kMaxStreams];  // strh dwSampleSize of audio streams, else 0
  uint64_t versionOneBytes;    // the whole version-1 file
  // The block size at which the output shares the input's blocks (0: it
  // does not): runs of chunks carried over get JUNK in front as in a
  // version-1 file (avi/clone_layout.h), placed at their OpenDML positions,
  // and each RIFF list starts a run anew.
  uint32_t shareBlock = 0;
};

// Decides where the RIFF lists end, the same way when planning and writing:
// a list closes before a chunk that would start more than riffThreshold
// bytes after its start, or that would take it past riffLimit, riffEntries
// chunks or 256 distinct (code, flags) pairs.
class OdmlRiffCutter {
 public:
  struct Run {  // consecutive chunks of one stream with one code: one ix## chunk
    int stream;
    uint32_t ckid;
    uint32_t count;
    uint64_t bytes;
  };
  OdmlRiffCutter(const OdmlLimits& limits, uint64_t firstMoviType, uint32_t shareBlock = 0);

  bool NeedsNewRiff(const OdmlChunkInfo& c) const;
  // Adds the chunk to the open list; returns its (code, flags) number there.
  // The JUNK in front of it (shareBlock only) is then LastJunk().
  uint8_t Add(const OdmlChunkInfo& c);
  uint32_t LastJunk() const { return lastJunk_; }
  // Closes the open list and opens the next one ("RIFF" "AVIX" "LIST" "movi").
  void CloseRiff();

  bool First() const { return first_; }
  uint64_t RiffStart() const { return riffStart_; }
  uint64_t MoviType() const { return moviType_; }
  uint64_t NextChunkAt() const { return pos_; }
  uint64_t RiffEnd() const { return pos_ + ixBytes_ + (first_ ? 8 + 16 * entries_ : 0); }
  uint64_t MoviSize() const { return pos_ + ixBytes_ - moviType_; }
  uint32_t Entries() const { return entries_; }
  const std::vector<Run>& Runs() const { return runs_; }
  const std::vector<OdmlChunkInfo>& Codes() const { return codes_; }  // size unused

 private:
  int FindCode(const OdmlChunkInfo& c) const;
  bool StartsRun(const OdmlChunkInfo& c) const;

  OdmlLimits limits_;
  CloneAligner align_;
  uint32_t lastJunk_ = 0;
  bool first_ = true;
  uint64_t riffStart_ = 0;
  uint64_t moviType_;
  uint64_t pos_;
  uint64_t ixBytes_ = 0;
  uint32_t entries_ = 0;
  int lastRun_[kMaxStreams];  // the stream's run in runs_, -1: none yet
  std::vector<Run> runs_;
  std::vector<OdmlChunkInfo> codes_;
};

class OdmlPlan {
 public:
  // Lays the output out from its chunks. False, with Problem() set, when it
  // cannot be written as OpenDML.
  bool Make(const OdmlShape& shape, const OdmlChunkSource& chunks, const OdmlLimits& limits = OdmlLimits());

  uint64_t FileBytes() const { return fileBytes_; }
  const std::string& Problem() const { return problem_; }

 private:
  friend class OdmlOutput;
  struct Edit {  // at a version-1 header position: insert bytes or replace a 32-bit field
    uint64_t at;
    int kind;  // 0: indx of stream `value`, 1: LIST odml, 2: field
    uint32_t value;
  };
  struct SuperEntry {
    uint64_t position;
    uint32_t size;
    uint32_t duration;
  };
  struct Riff {
    uint64_t size;      // its size field
    uint64_t moviSize;  // its movi list's size field
  };
  bool Fail(const std::string& why);
  bool ReadHeaderShape();
  uint64_t FindDmlhField(uint64_t list, uint32_t listSize);
  std::vector<uint8_t> SuperIndexBytes(uint32_t stream) const;
  std::vector<uint8_t> OdmlListBytes() const;

  OdmlShape shape_{};
  OdmlLimits limits_{};
  std::vector<Edit> edits_;  // sorted by position
  uint64_t growth_ = 0;      // bytes the header gains
  uint64_t dmlhField_ = 0;   // dmlh dwTotalFrames of the header's own LIST odml, 0: none
  std::vector<SuperEntry> supers_[kMaxStreams];
  uint32_t chunkIds_[kMaxStreams] = {};
  std::vector<Riff> riffs_;
  uint64_t chunkCount_ = 0;
  uint64_t videoFrames_ = 0;
  uint64_t fileBytes_ = 0;
  std::string problem_;
};

class OdmlOutput : public OutputStream {
 public:
  // plan and out must outlive this; chunks lists the chunks again.
  OdmlOutput(OutputStream& out, const OdmlPlan& plan, OdmlChunkSource chunks);

  bool Write(const void* data, size_t count) override;
  uint64_t Position() const override { return emitted_ + pendingBytes_; }
  bool Failed() const override { return failed_; }
  // With a plan that shares the input's blocks (OdmlShape::shareBlock), runs
  // of whole chunks carried over from the input file fd go on to the output
  // as ranges of fd (OutputStream::AppendFromFile), headers included, long
  // stretches at a time; otherwise -1 (the caller writes the bytes).
  int64_t AppendFromFile(int fd, uint64_t at, uint64_t count) override;

  // True once all the version-1 bytes came in and the output is complete.
  bool Complete() const;

 private:
  bool Emit(const void* data, size_t count);
  bool EmitJunk(uint32_t bytes);
  bool FlushPending();
  bool CopyThroughMemory(int fd, uint64_t at, uint64_t count);
  bool EmitBuffer();
  bool EmitU32(uint32_t v);
  bool Fail();
  bool HandleEdit();
  // At the next chunk of the listing: closes the list when due, places the
  // chunk (its JUNK emitted); false at the end of the listing (*done set)
  // or on an error.
  bool BeginChunk(OdmlChunkInfo* c, bool* done);
  bool EndOfChunks();
  bool HandleChunk();
  bool CloseRiff();
  bool WriteStandardIndexes();
  bool WriteIdx1();

  OutputStream& out_;
  const OdmlPlan& plan_;
  OdmlChunkSource chunks_;
  OdmlRiffCutter cutter_;
  size_t riff_ = 0;          // the list being written
  size_t nextEdit_ = 0;
  uint64_t v1Position_ = 0;  // version-1 bytes received
  uint64_t skip_ = 0;        // version-1 bytes still to drop
  uint64_t nextChunkAt_;     // version-1 position of the next chunk
  bool chunksDone_ = false;
  std::vector<uint32_t> sizes_;  // chunks of the open list
  std::vector<uint8_t> codes_;
  std::vector<std::pair<uint32_t, uint32_t>> junks_;  // (chunk of the open list, JUNK bytes before it)
  int pendingFd_ = -1;        // input bytes on their way to the output as a range of a file
  uint64_t pendingAt_ = 0;
  uint64_t pendingBytes_ = 0;
  std::vector<uint8_t> buffer_;  // index bytes on their way out
  uint64_t emitted_ = 0;
  bool failed_ = false;
};
