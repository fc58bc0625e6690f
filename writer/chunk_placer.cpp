#include "writer/chunk_placer.h"

uint64_t JunkBytes(const ListingMaker& chunks, uint32_t block, uint64_t moviType) {
  ChunkPlacer placer(block, moviType);
  const std::unique_ptr<ChunkListing> listing = chunks();
  OutChunk c;
  uint64_t junk = 0;
  while (listing->Next(c)) junk += placer.Place(c);
  return junk;
}
