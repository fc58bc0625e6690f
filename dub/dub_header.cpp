#include "dub/dub_header.h"

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/little_endian.h"

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { PutLeU32(&b[at], v); }
void Append32(std::vector<uint8_t>& b, uint32_t v) {
  b.resize(b.size() + 4);
  Put32(b, b.size() - 4, v);
}

}  // namespace

std::vector<uint8_t> MakeStrl(const StreamHeaderFacts& f) {
  std::vector<uint8_t> strh = f.strh;
  if (strh.size() != 56) {
    strh.assign(56, 0);
    Put32(strh, 0, kAuds);
    Put32(strh, 40, 0xFFFFFFFFu);  // dwQuality: the default
  }
  Put32(strh, 20, f.scale);
  Put32(strh, 24, f.rate);
  Put32(strh, 28, f.start);
  Put32(strh, 32, f.length);
  Put32(strh, 36, f.buffer);
  Put32(strh, 44, f.sampleSize);
  std::vector<uint8_t> list;
  Append32(list, kList);
  Append32(list, 0);
  Append32(list, kStrl);
  Append32(list, kStrh);
  Append32(list, 56);
  list.insert(list.end(), strh.begin(), strh.end());
  Append32(list, kStrf);
  Append32(list, uint32_t(f.strf.size()));
  list.insert(list.end(), f.strf.begin(), f.strf.end());
  if (f.strf.size() & 1) list.push_back(0);
  Put32(list, 4, uint32_t(list.size() - 8));
  return list;
}

int64_t EditStrl(const HeaderLayout& l, int stream, bool replace, const std::vector<uint8_t>& strl, uint32_t streams,
                 HeaderEdits* edits) {
  int64_t delta = int64_t(strl.size());
  if (replace) {
    const StreamListPlace& place = l.streams[size_t(stream)];
    edits->Replace(place.at, place.bytes, strl);
    delta -= int64_t(place.bytes);
  } else {
    edits->Replace(l.streams.back().at + l.streams.back().bytes, 0, strl);
  }
  edits->Field(l.hdrl + 4, uint32_t(int64_t(l.hdrlSize) + delta));
  edits->Field(l.avih + 8 + 24, streams);  // dwStreams
  return delta;
}
