#include "dub/dub_header.h"

#include "avi/byte_input.h"
#include "avi/fourcc.h"

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
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

bool ReadHeaderLayout(ByteInput& in, HeaderLayout* l) {
  if (in.U32At(12) != kList || in.U32At(20) != kHdrl) return false;
  l->hdrl = 12;
  l->hdrlSize = in.U32At(16);
  const uint64_t end = 20 + uint64_t(l->hdrlSize);
  for (uint64_t at = 24; at + 8 <= end;) {
    const uint32_t code = in.U32At(at), size = in.U32At(at + 4);
    const uint64_t bytes = 8 + uint64_t(size) + (size & 1);
    if (at + bytes > end) return false;
    if (code == kAvih) l->avih = at + 8;
    if (code == kList && in.U32At(at + 8) == kStrl) {
      l->strl.push_back(at);
      l->strlBytes.push_back(bytes);
    }
    at += bytes;
  }
  return l->avih != 0 && !l->strl.empty();
}

int64_t EditStrl(const HeaderLayout& l, int stream, bool replace, const std::vector<uint8_t>& strl, uint32_t streams,
                 HeaderEdits* edits) {
  int64_t delta = int64_t(strl.size());
  if (replace) {
    edits->Replace(l.strl[size_t(stream)], l.strlBytes[size_t(stream)], strl);
    delta -= int64_t(l.strlBytes[size_t(stream)]);
  } else {
    edits->Replace(l.strl.back() + l.strlBytes.back(), 0, strl);
  }
  edits->Field(l.hdrl + 4, uint32_t(int64_t(l.hdrlSize) + delta));
  edits->Field(l.avih + 24, streams);
  return delta;
}
