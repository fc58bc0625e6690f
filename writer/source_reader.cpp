#include "writer/source_reader.h"

SourceWindow& SourceReader::Window(const std::shared_ptr<ByteInput>& input) {
  ++uses_;
  Slot* pick = &slots_[0];
  for (Slot& s : slots_) {
    if (s.window && s.input.get() == input.get()) {
      s.used = uses_;
      return *s.window;
    }
    if (s.used < pick->used) pick = &s;
  }
  if (pick->window)
    pick->window->Switch(*input);
  else
    pick->window = std::make_unique<SourceWindow>(*input);
  pick->input = input;
  pick->used = uses_;
  return *pick->window;
}

bool SourceReader::CopyTo(const std::shared_ptr<ByteInput>& input, uint64_t at, uint64_t count, OutputStream& out) {
  return Window(input).CopyTo(at, count, out);
}

bool SourceReader::Holds(const std::shared_ptr<ByteInput>& input, uint64_t end) { return Window(input).Holds(end); }

bool SourceReader::Stored(const OutChunk& c, uint64_t* bytes) {
  const std::shared_ptr<ByteInput>& input = c.pieces[0].input;
  if (c.stored != Stored::Unknown) {
    *bytes = c.stored == Stored::Whole ? ChunkSpace(c.size) : 8 + uint64_t(c.size);
    return c.chunkAt + *bytes <= input->Size();
  }
  if (looked_.get() != input.get()) {
    looked_ = input;
    stored_ = std::make_unique<StoredChunks>(*input);
  }
  uint64_t end = 0;
  const bool stored = stored_->WrittenAsStored(c.chunkAt, c.size, &end);
  *bytes = end - c.chunkAt;
  return stored;
}
