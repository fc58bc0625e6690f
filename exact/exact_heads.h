// The heads of an exact cut's kept ranges: a range [first, end) whose first
// frame is no key frame has its frames up to the source's next key frame
// (or its end, when that comes first) decoded and encoded again; from that
// key frame on the source's chunks are copied. The re-encoded frames go as
// chunks into a side file that the writers take them from (ChunkSwap).
//
// The frames made anew are held to kExactMinPsnr against the source's
// pictures as they are made; every seam is then checked in the finished
// output, under its temporary name (cut/cut_job.cpp). A head that cannot be
// made makes that range start on the key frame before it instead, and says why.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "avi/key_frame_list.h"
#include "exact/exact_coder.h"
#include "share/share_builder.h"
#include "share/split_source.h"

class AviSource;
class JobSink;
class ScratchFile;

struct ExactHead {
  uint32_t first = 0;      // the range's first frame as asked
  uint32_t end = 0;        // one past its last
  uint32_t reencoded = 0;  // frames first .. first + reencoded - 1 made anew
  // With B-frames (chunks in decode order): the key frame's chunk copied
  // after them, which shows at first + reencoded (the B-frames stored after
  // it show before it and are made anew instead); the tail made anew, from
  // tailFrom to end, where the range ends inside a group whose B-frames
  // need a later, dropped frame.
  uint32_t keyChunk = 0;
  bool moveKey = false;
  // Packed B-frames: of the key frame's chunk only its own picture is
  // copied (the B-frame packed after it shows before it and is made anew);
  // it takes the place of the filler chunk where the key frame shows.
  uint32_t keyBytes = 0;   // 0: the whole chunk
  uint32_t tailFrom = 0;
  uint32_t tailFrames = 0;
  double lowestPsnr = 0;   // of those made anew (0 when none)
  bool exact = true;       // false: the range starts on the key frame before first
  std::string why;         // when not exact, in English
  std::shared_ptr<ChunkSwap> swap;  // the re-encoded chunks (null: none)
  std::shared_ptr<ScratchFile> side;  // where they lie, removed when the head goes
  int64_t moviChange[2] = {};  // per run of the swap: its bytes in the movi list less the source's

  uint32_t Made() const { return reencoded + tailFrames; }
};

// Where a range's frames made anew lie (reencoded, keyChunk, moveKey,
// tailFrom, tailFrames of head, first and end set): none from a key frame
// or of an intra-only stream, else up to the next key frame or the end.
void PlanHead(ExactCoder& coder, const ExactStream& stream, const KeyFrameList& keys, ExactHead* head);

// What the heads are made from.
struct ExactWork {
  ExactCoder& coder;
  const SplitSource& source;
  AviSource& avi;  // the source opened (its frames listed through it)
  const KeyFrameList& keys;
  uint32_t videoFrames = 0;
  uint32_t frameMicros = 0;
  uint32_t rate = 0, scale = 0;  // the video's dwRate / dwScale
  std::string sideName;           // the side files' name (under temporary names, never kept)
  JobSink& sink;
  bool bFrames = false;  // chunks in decode order (ExactStream::bFrames)
  ExactCoder* second = nullptr;  // a second coder of the recording, for a second core (null: none)
};

// Re-encodes the head of every range with frames to re-encode (planned by
// PlanHead) into a side file of its own, on two cores when the work has a
// second coder (SecondCoder): two heads at once, and a head alone (or
// the odd one out) in two halves, the second from a key frame of its own
// (not with B-frames); a head that cannot be made becomes a key-frame start
// (exact false, why). Counts the frames made on the bar from 10 over `span`
// cells as they are made, and stops within a frame of a cancel. False with
// *why when the work cannot go on: a side file that cannot be written (a
// full disk), or a cancel (*why empty).
bool ReencodeHeads(ExactWork& work, std::vector<ExactHead>& heads, int span, std::string* why);

// The cells of the bar the re-encode of heads takes (from 10 on) before a
// cut writes `copied` frames, and those its check of the seams in the
// finished outputs takes after (up to 100), by their cost.
int ReencodeCells(const std::vector<ExactHead>& heads, uint64_t copied);
int CheckCells(const std::vector<ExactHead>& heads, uint64_t copied);

// The piece of a head (built from head.first, to head.end or before) with
// the re-encoded chunks in place of the source's.
void ApplyHead(const ExactHead& head, const AviAnalysis& analysis, Piece* piece);
