#include "writer/chunk_listing.h"

#include "avi/avi_source.h"

std::shared_ptr<ByteInput> Unowned(ByteInput& input) {
  return std::shared_ptr<ByteInput>(std::shared_ptr<ByteInput>(), &input);  // no count kept
}

const std::shared_ptr<ByteInput>& ChunkInput(AviSource* stored, const std::shared_ptr<ByteInput>& input,
                                             const std::shared_ptr<ByteInput>& file, uint64_t* at) {
  uint64_t inFile = 0;
  if (!stored || !stored->FilePosition(*at, &inFile)) return input;
  *at = inFile;
  return file;
}

OdmlChunkSource OdmlChunksOf(const ListingMaker& chunks) {
  std::shared_ptr<ChunkListing> listing = chunks();
  auto chunk = std::make_shared<OutChunk>();
  return [listing, chunk](OdmlChunkInfo* info) {
    if (!listing->Next(*chunk)) return false;
    const OutChunk& c = *chunk;
    *info = OdmlChunkInfo{c.ckid, c.flags, c.size};
    if (c.Carried()) info->from = c.chunkAt, info->input = c.carried;
    return true;
  };
}
