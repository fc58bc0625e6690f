// What an exact cut asks of the codec that re-encodes a range's head: the
// host hands the cut a coder (the command line's comes from the codec room,
// FFmpeg's libraries); the core knows it only through this interface.
//
//   coder.Open(path, analysis, keys) -> can this stream be cut exactly, and how
//   coder.Reencode(first, end, ...)  -> frames first .. end - 1 as new chunks
//   coder.CheckSeam(output, ...)     -> the output decoded across a seam
//   coder.Another()                  -> a second coder of the recording, for a second thread
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "avi/avi_analysis.h"
#include "avi/key_frame_list.h"
#include "io/output_stream.h"
#include "writer/chunk_swap.h"

// No re-encoded frame may be further than this from the source's decoded
// picture (Y-PSNR, dB).
constexpr double kExactMinPsnr = 35.0;

struct ExactStream {
  bool cuttable = false;   // frames can be re-encoded (or need not be)
  bool intraOnly = false;  // every frame stands alone: nothing is ever re-encoded
  bool bFrames = false;    // chunks in decode order: B-frames shown before the frame stored ahead of them
  // B-frames packed (DivX 5, Xvid): a chunk holds an I or P frame and the
  // B-frame shown at it, the B-frames after follow, then a filler chunk
  // where that I or P frame shows, so chunk k shows frame k (bFrames too).
  bool packed = false;
  std::string codec;       // its name for messages ("MPEG-4 Visual", "H.264")
  std::string why;         // when not cuttable, in English
};

// One seam of an output: its frames from outFirst on are the source's from
// srcFirst on, the first `reencoded` of them made anew, the next `copied`
// the source's chunks.
struct ExactSeam {
  uint32_t outFirst = 0;
  uint32_t srcFirst = 0;
  uint32_t reencoded = 0;
  uint32_t copied = 0;
  // Another seam is checked beside this one, on the other core: the
  // output's frames are decoded on the caller's thread too.
  bool besideAnother = false;
};

// Told of every frame Reencode makes, on the thread that makes it, and of
// every frame CheckSeam compares, on the thread that calls it; false stops
// the work (Reencode or CheckSeam then fails with *why empty).
class ReencodeWatch {
 public:
  virtual bool FrameMade() = 0;

 protected:
  ~ReencodeWatch() = default;
};

class ExactCoder {
 public:
  virtual ~ExactCoder() = default;
  // Reads the recording's first video stream, as the caller analysed it
  // (its video frames listed in keys): the file is opened again, not
  // walked again.
  virtual ExactStream Open(const std::string& path, const AviAnalysis& analysis, const KeyFrameList& keys) = 0;
  // Decodes source frames first .. end - 1 and encodes them again, the first
  // a key frame and the rest a closed group, each written to out as a chunk
  // of code ckid (header, data, pad); *chunks gets where each lies and its
  // flags, *lowestPsnr the lowest Y-PSNR against the source's pictures.
  // False with *why (English) when they cannot be.
  virtual bool Reencode(uint32_t first, uint32_t end, uint32_t ckid, OutputStream& out,
                        std::vector<SwappedChunk>* chunks, double* lowestPsnr, std::string* why) = 0;
  // Whether the source's chunk `chunk` (its index entry among the video's)
  // holds a B-frame, shown before the key or P frame stored ahead of it.
  // Packed: whether it holds no I or P frame of its own (a B-frame, or the
  // filler where the frame packed before it shows).
  virtual bool IsBFrame(uint32_t chunk) = 0;
  // The bytes of the source's chunk `chunk` that hold its own frame: packed,
  // those before the B-frame packed after it; else all of them.
  virtual uint32_t OwnFrameBytes(uint32_t chunk) = 0;
  // Decodes the output at `output` across the seam and compares it with the
  // source: re-encoded frames at least kExactMinPsnr, copied ones identical.
  // *lowestPsnr: the lowest of the re-encoded frames. False with *why empty
  // when the watch stopped it. The output stays open for the next seam's
  // check until CheckEnded.
  virtual bool CheckSeam(const std::string& output, const ExactSeam& seam, double* lowestPsnr,
                         std::string* why) = 0;
  // The outputs checked so far are done with (one may be written again
  // under the same name): the next check opens its output anew.
  virtual void CheckEnded() {}
  // Another coder of the recording this one opened, independent of it (its
  // own file handle, decoder and encoder), so that two threads can each
  // Reencode at once; null when none can be made.
  virtual std::unique_ptr<ExactCoder> Another() { return nullptr; }
  // Where Reencode and CheckSeam report their frames from now on (null: nowhere).
  virtual void Watch(ReencodeWatch* watch) { (void)watch; }
};
