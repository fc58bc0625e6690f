#include "writer/header_edits.h"

#include <algorithm>

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
