#include "writer/header_edits.h"

#include <algorithm>
#include <cstring>

void HeaderEdits::Field(uint64_t at, uint32_t value) {
  Replace(at, 4, {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)});
}

void HeaderEdits::Replace(uint64_t at, uint64_t count, const std::vector<uint8_t>& bytes) {
  edits_.push_back(Edit{at, count, bytes});
}

std::vector<const HeaderEdits::Edit*> HeaderEdits::Applied(uint64_t inputBytes) const {
  std::vector<const Edit*> sorted;
  for (const Edit& e : edits_) sorted.push_back(&e);
  std::stable_sort(sorted.begin(), sorted.end(), [](const Edit* x, const Edit* y) { return x->at < y->at; });
  std::vector<const Edit*> applied;
  uint64_t at = 0;
  for (const Edit* e : sorted) {
    if (e->at < at || e->at > inputBytes || e->count > inputBytes - e->at) continue;
    applied.push_back(e);
    at = e->at + e->count;
  }
  return applied;
}

uint64_t HeaderEdits::OutputBytes(uint64_t inputBytes) const {
  uint64_t bytes = inputBytes;
  for (const Edit* e : Applied(inputBytes)) bytes = bytes - e->count + e->bytes.size();
  return bytes;
}

EditedHeader::EditedHeader(ByteInput& input, const HeaderEdits& edits, uint64_t inputBytes) : input_(input) {
  uint64_t in = 0;
  auto add = [this](uint64_t bytes, uint64_t inputAt, const std::vector<uint8_t>* edit) {
    if (bytes == 0) return;
    pieces_.push_back(Piece{size_, bytes, inputAt, edit});
    size_ += bytes;
  };
  for (const HeaderEdits::Edit* e : edits.Applied(inputBytes)) {
    add(e->at - in, in, nullptr);
    add(e->bytes.size(), 0, &e->bytes);
    in = e->at + e->count;
  }
  add(inputBytes - in, in, nullptr);
}

size_t EditedHeader::ReadAt(uint64_t position, uint8_t* out, size_t count) {
  size_t done = 0;
  for (const Piece& p : pieces_) {
    const uint64_t at = position + done;
    if (done == count) break;
    if (at >= p.outAt + p.bytes) continue;
    const uint64_t from = at - p.outAt;
    const size_t n = size_t(std::min<uint64_t>(count - done, p.bytes - from));
    if (p.edit) {
      std::memcpy(out + done, p.edit->data() + from, n);
      done += n;
      continue;
    }
    input_.Seek(p.inputAt + from);
    const size_t got = input_.Read(out + done, n);
    done += got;
    if (got < n) break;
  }
  return done;
}
