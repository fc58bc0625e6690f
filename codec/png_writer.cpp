// PNG with stored deflate blocks (codec/png_writer.h): the signature, IHDR,
// the rows (each after its filter byte 0) in one zlib stream of stored
// blocks, split over IDAT chunks of at most 64 KiB, and IEND.
#include "codec/png_writer.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "io/output_stream.h"

namespace {

uint32_t CrcTableEntry(uint32_t n) {
  uint32_t c = n;
  for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  return c;
}

struct Crc32 {
  uint32_t table[256];
  Crc32() {
    for (uint32_t n = 0; n < 256; ++n) table[n] = CrcTableEntry(n);
  }
  uint32_t Update(uint32_t crc, const uint8_t* data, size_t size) const {
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
  }
};

const Crc32& CrcTable() {
  static const Crc32 table;
  return table;
}

void PutU32Be(std::string& to, uint32_t v) {
  const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
  to.append(b, 4);
}

// Collects the zlib stream and writes it out as IDAT chunks as it grows.
class PngChunks {
 public:
  explicit PngChunks(OutputStream& out) : out_(out) {}

  bool Chunk(const char type[4], const std::string& data) {
    std::string head;
    PutU32Be(head, uint32_t(data.size()));
    head.append(type, 4);
    uint32_t crc = CrcTable().Update(0, reinterpret_cast<const uint8_t*>(type), 4);
    crc = CrcTable().Update(crc, reinterpret_cast<const uint8_t*>(data.data()), data.size());
    std::string tail;
    PutU32Be(tail, crc);
    return out_.Write(head.data(), head.size()) && out_.Write(data.data(), data.size()) &&
           out_.Write(tail.data(), tail.size());
  }

 private:
  OutputStream& out_;
};

// Adler-32 of the raw rows, as zlib's trailer wants it.
struct Adler32 {
  uint32_t a = 1, b = 0;
  void Update(const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
      a = (a + data[i]) % 65521;
      b = (b + a) % 65521;
    }
  }
};

}  // namespace

bool WritePng(const Picture& picture, OutputStream& out) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (!out.Write(kSignature, sizeof kSignature)) return false;
  PngChunks chunks(out);
  std::string header;
  PutU32Be(header, picture.width);
  PutU32Be(header, picture.height);
  // 8 bits; colour type 2 (RGB) or 0 (grey); deflate; filter method 0; no interlace.
  header += char(8);
  header += char(picture.channels == 1 ? 0 : 2);
  header.append(3, char(0));
  if (!chunks.Chunk("IHDR", header)) return false;

  // The filtered rows: a 0 byte (no filter) before each row.
  const size_t rowBytes = size_t(picture.RowBytes());
  const uint64_t rawSize = uint64_t(rowBytes + 1) * picture.height;
  Adler32 adler;
  std::string idat("\x78\x01", 2);  // zlib: deflate, 32 KiB window, no dictionary
  uint64_t emitted = 0;             // raw bytes already in stored blocks
  std::string block;                // raw bytes waiting for their block
  const size_t kBlock = 65535;      // a stored block holds at most this many
  auto flushBlock = [&](bool last) {
    const uint16_t len = uint16_t(block.size());
    idat += char(last ? 1 : 0);  // BFINAL, BTYPE 00 (stored)
    idat += char(len & 0xFF);
    idat += char(len >> 8);
    idat += char(~len & 0xFF);
    idat += char((~len >> 8) & 0xFF);
    idat += block;
    emitted += block.size();
    block.clear();
  };
  for (uint32_t y = 0; y < picture.height; ++y) {
    const uint8_t* row = picture.pixels.data() + size_t(y) * rowBytes;
    const uint8_t filter = 0;
    adler.Update(&filter, 1);
    adler.Update(row, rowBytes);
    block += char(filter);
    block.append(reinterpret_cast<const char*>(row), rowBytes);
    while (block.size() >= kBlock) {
      std::string rest = block.substr(kBlock);
      block.resize(kBlock);
      flushBlock(emitted + kBlock == rawSize);
      block = std::move(rest);
    }
    if (idat.size() >= 65536) {
      if (!chunks.Chunk("IDAT", idat)) return false;
      idat.clear();
    }
  }
  if (!block.empty() || emitted < rawSize || rawSize == 0) flushBlock(true);
  PutU32Be(idat, (adler.b << 16) | adler.a);
  return chunks.Chunk("IDAT", idat) && chunks.Chunk("IEND", "") && !out.Failed();
}
