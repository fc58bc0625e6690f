// Where a writer puts JUNK chunks so that the unchanged chunks it carries
// over from an input can share that input's blocks (io/file_clone.h).
//
// A file system shares whole blocks only, and only between equal offsets
// within a block. Chunks that lie back to back in an input and follow each
// other in the output (a run) keep their distance from each other, so the
// whole run lines up with the input's blocks once its first chunk does: a
// JUNK chunk (which every reader skips) in front of it moves it to an output
// offset congruent to its input offset modulo the block size. The gap is
// (input offset - output offset) mod block; a JUNK chunk needs 8 bytes of
// header, so a gap below 8 grows by one block. A run is thus padded at most
// once, by less than one block and 8 bytes.
//
// Short runs are not worth a block of padding (an index out of file order
// makes every chunk a run of its own), and the writers stream, so they cannot
// look ahead to see how long a run gets. The padding therefore goes in front
// of the first chunk of a run that begins once the run has come kLeadBlocks
// blocks long: the run's first blocks are copied, the rest is shared. The
// padding costs at most 1/kLeadBlocks of the bytes whatever the input, and
// one block per long run in a real file.
//
// The decisions depend on the chunks' input and output positions only, so
// a writer that asks for the same chunks in its sizing pass, its chunk pass
// and its index pass gets the same padding each time:
//
//   CloneAligner align(block);                  // block 0: never pads
//   for each chunk in output order:
//     uint32_t junk = align.PadBefore(input, at, outAt, bytes);
//     if (junk) WriteJunk(out, junk);           // chunk pass; offsets move by junk
//
// The writers do this through the output skeleton (writer/avi_writer.h):
// 1. before the first byte: block = out.ShareBlocksWith(fd) (OutputStream;
//    0 where the file system cannot share: nothing changes);
// 2. sizing pass: an aligner over the chunks, the JUNK added to the RIFF and
//    movi sizes (an OpenDML output is aligned by its own layer instead, at
//    the positions it gives the chunks: OdmlShape::shareBlock; the version-1
//    bytes then carry no JUNK, and their runs pass through that layer to the
//    file as ranges of the input);
// 3. chunk pass: the same aligner, JUNK written in front of the chunk it
//    names, and chunks stored as written (avi/stored_chunks.h) handed over
//    as runs through out.AppendFromFile (writer/run_copier.h), which shares
//    their whole blocks;
// 4. index pass: the same aligner again, each chunk's offset moved by the
//    JUNK in front of it;
// 5. the job reports OutputFile::SharesBlocks() and SharedBytes() (CloneReport).
#pragma once
#include <cstdint>

class OutputStream;

class CloneAligner {
 public:
  static constexpr uint64_t kLeadBlocks = 16;
  // Input number of a chunk that is not carried over unchanged (shortened,
  // joined, from an input whose blocks cannot be shared).
  static constexpr int kWritten = -1;

  explicit CloneAligner(uint32_t block = 0) : block_(block) {}

  // The bytes of JUNK to put in front of the next chunk (0, or 8 and more,
  // always even): input is the number of the input it comes from unchanged
  // (or kWritten), at its position there, outAt the output position it gets
  // without padding, bytes its size with header and pad byte. The chunk
  // then lies at outAt + the returned bytes.
  uint32_t PadBefore(int input, uint64_t at, uint64_t outAt, uint64_t bytes);

  uint32_t Block() const { return block_; }
  // The next chunk begins a run, wherever it lies (the output jumped on).
  void Restart() {
    input_ = kWritten;
    settled_ = true;
  }

 private:
  uint32_t block_;
  int input_ = kWritten;
  uint64_t runEnd_ = 0;    // input position after the run's last chunk
  uint64_t runBytes_ = 0;  // the run's bytes so far
  bool settled_ = true;    // the run is lined up, or cannot be
};

// Writes a JUNK chunk of `bytes` bytes in all (even, at least 8): its header
// and zeros.
bool WriteJunk(OutputStream& out, uint32_t bytes);
