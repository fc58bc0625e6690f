// Walks the top level of the first RIFF list, then the hdrl list and the
// lists inside it, reading only chunk headers (writer/header_layout.h).
#include "writer/header_layout.h"

#include "avi/byte_input.h"
#include "avi/fourcc.h"

namespace {

uint64_t Space(uint32_t size) { return 8 + uint64_t(size) + (size & 1); }

void ReadStreamList(ByteInput& in, uint64_t at, uint64_t end, StreamListPlace* place) {
  for (uint64_t p = at; p + 8 <= end; p += Space(in.U32At(p + 4))) {
    const uint32_t code = in.U32At(p);
    if (code == kStrh && place->strh == 0) place->strh = p;
    if (code == kStrf && place->strf == 0) place->strf = p, place->strfSize = in.U32At(p + 4);
  }
}

void ReadHdrl(ByteInput& in, uint64_t at, uint64_t end, HeaderLayout* layout) {
  for (uint64_t p = at; p + 8 <= end; p += Space(in.U32At(p + 4))) {
    const uint32_t code = in.U32At(p);
    const uint32_t size = in.U32At(p + 4);
    if (code == kAvih && layout->avih == 0) layout->avih = p;
    if (code != kList || size < 4) continue;
    const uint32_t type = in.U32At(p + 8);
    const uint64_t listEnd = p + 8 + uint64_t(size) < end ? p + 8 + uint64_t(size) : end;
    if (type == kStrl) {
      StreamListPlace place;
      place.at = p;
      place.bytes = Space(size);
      ReadStreamList(in, p + 12, listEnd, &place);
      layout->streams.push_back(place);
    } else if (type == kOdml) {
      for (uint64_t q = p + 12; q + 12 <= listEnd; q += Space(in.U32At(q + 4)))
        if (in.U32At(q) == kDmlh) layout->dmlhFrames = q + 8;
    }
  }
}

}  // namespace

bool ReadHeaderLayout(ByteInput& in, uint64_t moviType, HeaderLayout* layout) {
  *layout = HeaderLayout();
  for (uint64_t p = 12; p + 12 <= moviType; p += Space(in.U32At(p + 4))) {
    if (in.U32At(p) != kList || in.U32At(p + 8) != kHdrl) continue;
    const uint64_t end = p + 8 + uint64_t(in.U32At(p + 4));
    layout->hdrl = p;
    layout->hdrlSize = in.U32At(p + 4);
    ReadHdrl(in, p + 12, end < moviType ? end : moviType, layout);
    break;
  }
  return layout->hdrl != 0 && layout->avih != 0;
}
