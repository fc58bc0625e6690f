// MPEG-4 Visual "packed bitstream" (DivX 5, Xvid's packed mode): a chunk
// holds a P frame and the B frame shown before it, and a later chunk holds
// no picture: an N_VOP (a VOP header saying "not coded", up to about 19
// bytes), one stray byte, or nothing at all. FFmpeg's mpeg4_unpack_bframes
// filter gives the stored B frame out in place of the next one-VOP packet;
// it knows an N_VOP but not an empty or one-byte chunk, so such a chunk
// after a packed one is sent as a bare VOP start code, which the filter
// takes as the N_VOP it replaces. Elsewhere a chunk without a VOP is a
// dropped frame (the picture before stays).
#pragma once
#include <cstddef>
#include <cstdint>

class Mpeg4Packing {
 public:
  enum class Send { AsIs, StandIn, Nothing };

  // What to send to the filter for the chunk of these bytes.
  Send Judge(const uint8_t* data, size_t size);
  // After Judge: the chunk must pass through the filter. Most streams are
  // not packed, and the filter's scan of every chunk is then wasted; a
  // stream found packed later goes through it from that chunk on (the
  // filter holds nothing before, so it would have passed the earlier
  // chunks on as they were).
  bool ThroughFilter() const { return throughFilter_; }
  // Decoding begins anew at a key frame.
  void Reset() { packed_ = throughFilter_ = false; }

  // 00 00 01 B6: the VOP start code, what the filter counts.
  static const uint8_t kVopStart[4];

 private:
  bool packed_ = false;  // the filter holds a B frame of a packed chunk
  bool throughFilter_ = false;
};
