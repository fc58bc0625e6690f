// The inputs as the copiers of the outputs written at once read them
// (writer/run_copier.h): a window in memory for each of the two inputs read
// last (avi/source_window.h), switched to another input as the outputs move
// on, and the look at whether a carried chunk lies in its input exactly as
// written (avi/stored_chunks.h), so that it may go as part of a run.
#pragma once
#include <cstdint>
#include <memory>

#include "avi/source_window.h"
#include "avi/stored_chunks.h"
#include "io/output_stream.h"
#include "writer/chunk_listing.h"

class SourceReader {
 public:
  // Appends input bytes [at, at + count) to out; false when the input ends
  // before them or the write fails.
  bool CopyTo(const std::shared_ptr<ByteInput>& input, uint64_t at, uint64_t count, OutputStream& out);
  // True when the input holds every byte before end.
  bool Holds(const std::shared_ptr<ByteInput>& input, uint64_t end);
  // Whether carried chunk c lies in its input as written; *bytes: how many
  // of its bytes from its header on then go as a run.
  bool Stored(const OutChunk& c, uint64_t* bytes);

 private:
  SourceWindow& Window(const std::shared_ptr<ByteInput>& input);

  struct Slot {
    std::shared_ptr<ByteInput> input;  // held open while its window may serve
    std::unique_ptr<SourceWindow> window;
    uint64_t used = 0;
  };
  Slot slots_[2];
  uint64_t uses_ = 0;
  std::shared_ptr<ByteInput> looked_;  // the input stored_ looks at
  std::unique_ptr<StoredChunks> stored_;
};
