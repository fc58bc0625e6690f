// How bytes reach an output. Bytes from memory are written at once; bytes of
// an input either go through a window of that input in memory
// (avi/source_window.h), or, as part of a run (chunks that lie back to back
// in an input as they are written), wait until the run ends and then go on
// as one range: long ranges straight from file to file
// (OutputStream::AppendFromFile, which shares their whole blocks where the
// output was asked to share the input's blocks), short ones through the
// window. A run is handed over before any other byte is written.
//
// Which ranges go file to file decides which blocks an output shares, and
// each writer has its own habits there (CopyHabits); they are kept as they
// were, so that every output shares exactly the blocks it always did.
//
// A read that comes up short fails the copier: InputShort when the bytes
// lie past the input's end as it was opened (its index names bytes it never
// held), InputChanged when they lie inside it (the file changed under the
// run). An output's failure (WriteFailed) goes first.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "io/output_stream.h"
#include "writer/chunk_listing.h"
#include "writer/source_reader.h"
#include "writer/write_result.h"

struct CopyHabits {
  // Runs of at least this many bytes go file to file.
  uint64_t fileCopyFrom = 64 * 1024;
  // Chunks carried over whole go as runs even into an output that shares
  // no blocks (else only into one that does).
  bool runs = true;
  // At each bar step the whole blocks of the run so far go on: the run's
  // tail after its last block boundary waits (a block cut in two would be
  // copied, not shared).
  bool handOverAtSteps = false;
  // The header's bytes between its edits go as runs too.
  bool headerRuns = false;
};

class RunCopier {
 public:
  // out takes the bytes; shareWith (null: none) is the file asked to share
  // the blocks of each run's input as the run begins; block: the block size
  // at which out shares them itself (0: it does not, or its OpenDML layer
  // lines the runs up).
  RunCopier(OutputStream& out, SourceReader& reader, const CopyHabits& habits, OutputStream* shareWith = nullptr,
            uint32_t block = 0);

  bool Put(const void* data, size_t count);
  bool PutU32(uint32_t value);
  // A JUNK chunk of `bytes` bytes in all.
  bool PutJunk(uint32_t bytes);
  // Input bytes through memory.
  bool Copy(const std::shared_ptr<ByteInput>& input, uint64_t at, uint64_t count);
  // Input bytes of a run: they join the waiting run when they follow it.
  bool Run(const std::shared_ptr<ByteInput>& input, uint64_t at, uint64_t count);
  // Hands the waiting run over.
  bool EndRun();
  // At a bar step (CopyHabits::handOverAtSteps).
  bool AtStep();
  // Fails (as a short read) unless input holds every byte before end.
  bool Holds(const std::shared_ptr<ByteInput>& input, uint64_t end);

  bool Ok() const { return result_ == WriteResult::Written; }
  WriteResult Result() const { return result_; }
  uint64_t Written() const { return written_; }

 private:
  static constexpr uint64_t kSharedPieceBytes = 1 << 20;  // less is not worth a file copy at a step

  bool HandOver(const std::shared_ptr<ByteInput>& input, uint64_t at, uint64_t count);
  bool Fail(WriteResult why);
  bool ReadFailed(const ByteInput& input, uint64_t end);

  OutputStream& out_;
  SourceReader& reader_;
  CopyHabits habits_;
  OutputStream* shareWith_;
  uint32_t block_;
  std::shared_ptr<ByteInput> runInput_;  // null: no run waits
  uint64_t runStart_ = 0, runEnd_ = 0;
  uint64_t written_ = 0;
  WriteResult result_ = WriteResult::Written;
};
