// The header half of the repair's pass: the first RIFF list's hdrl (avih,
// each strl's strh, strf and indx, LIST odml's dmlh) and where its first
// movi list starts.
#include <algorithm>

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/stream_format.h"
#include "scan/repair_scan.h"
#include "scan/scan_detail.h"

namespace {


void ReadStrl(ByteInput& in, uint64_t start, uint64_t end, RepairScan& scan) {
  RepairStream* s = nullptr;
  for (uint64_t p = start; p + 8 <= end;) {
    const uint32_t code = in.U32At(p), size = in.ReadU32();
    if (p + 8 + uint64_t(size) > end) return;
    if (code == kStrh && size >= 48 && !s && scan.streamCount < uint32_t(kMaxStreams)) {
      s = &scan.streams[scan.streamCount++];
      s->strh = p;
      s->strhSize = size;
      StreamFormat format;
      ReadStreamHeader(in, p, &format);
      s->fccType = format.fccType;
      s->handler = format.handler;
      s->scale = format.scale;
      s->rate = format.rate;
      s->sampleSize = format.sampleSize;
      if (s->fccType == kVids && scan.videoStream < 0) scan.videoStream = int(scan.streamCount - 1);
    } else if (code == kStrh) {
      scan.refusal = scan.streamCount >= uint32_t(kMaxStreams) ? RepairRefusal::TooManyStreams : scan.refusal;
    } else if (code == kStrf && s && s->fccType == kVids) {
      StreamFormat format;
      format.fccType = s->fccType;
      ReadFormatChunk(in, p, &format);
      s->compression = format.compression;
    } else if (code == kIndx) {
      scan.indx.push_back(p);
    }
    p += 8 + uint64_t(size) + (size & 1);
  }
}

void ReadHdrl(ByteInput& in, uint64_t start, uint64_t end, RepairScan& scan) {
  for (uint64_t p = start; p + 8 <= end;) {
    const uint32_t code = in.U32At(p), size = in.ReadU32();
    if (p + 8 + uint64_t(size) > end) return;
    const uint32_t type = size >= 4 ? in.ReadU32() : 0;
    if (code == kAvih && size >= 40 && !scan.avih) {
      scan.avih = p;
      scan.microSecPerFrame = in.U32At(p + 8);
    } else if (code == kList && type == kStrl) {
      ReadStrl(in, p + 12, p + 8 + size, scan);
    } else if (code == kList && type == kOdml) {
      for (uint64_t q = p + 12; q + 12 <= p + 8 + size;) {
        const uint32_t c = in.U32At(q), n = in.ReadU32();
        if (c == kDmlh && n >= 4) scan.dmlhFrames = q + 8;
        q += 8 + uint64_t(n) + (n & 1);
      }
    }
    p += 8 + uint64_t(size) + (size & 1);
  }
}

// The first "LIST" .. "movi" header at or after from, found byte by byte
// (a header followed by garbage); 0 if none in the next 64 MiB.
uint64_t SearchMovi(ByteInput& in, uint64_t from, uint64_t fileBytes) {
  const uint64_t end = std::min<uint64_t>(fileBytes, from + (uint64_t(64) << 20));  // headers are small
  for (uint64_t p = from; p + 12 <= end; ++p)
    if (in.U32At(p) == kList && in.U32At(p + 8) == kMovi) return p;
  return 0;
}

}  // namespace

void ReadRepairHeader(ByteInput& in, RepairScan& scan) {
  const uint64_t size = scan.fileBytes;
  if (size < 12 || in.U32At(0) != kRiff) {
    scan.refusal = RepairRefusal::NotRiff;
    return;
  }
  scan.riffForm = in.U32At(8);
  if (scan.riffForm != kAviForm) {
    scan.refusal = RepairRefusal::NotAvi;
    return;
  }
  const uint32_t riffSize = in.U32At(4);
  const uint64_t riffEnd = riffSize <= 4 ? size : std::min<uint64_t>(size, 8 + uint64_t(riffSize));
  bool hdrl = false;
  uint64_t p = 12;
  while (p + 12 <= riffEnd) {
    const uint32_t code = in.U32At(p), listSize = in.ReadU32(), type = in.ReadU32();
    if (code == kList && type == kMovi) {
      scan.moviList = p;
      break;
    }
    if (!IsPrintableFourCC(code) || p + 8 + uint64_t(listSize) > riffEnd) break;
    if (code == kList && type == kHdrl && !hdrl) {
      hdrl = true;
      ReadHdrl(in, p + 12, p + 8 + listSize, scan);
    }
    p += 8 + uint64_t(listSize) + (listSize & 1);
  }
  if (scan.refusal != RepairRefusal::None) return;
  if (!hdrl || !scan.avih || scan.streamCount == 0) {
    scan.refusal = RepairRefusal::NoHeader;
    return;
  }
  if (!scan.moviList) scan.moviList = SearchMovi(in, p, size);
  if (!scan.moviList) {
    scan.refusal = RepairRefusal::NoDataList;
    return;
  }
  for (uint32_t s = 0; s < scan.streamCount; ++s) {
    RepairStream& st = scan.streams[s];
    if (st.fccType == kVids) st.rule = KeyRuleForCodec(st.compression, st.handler);
  }
}
