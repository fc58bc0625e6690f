// The MPEG-4 Visual headers an exact cut must match: the video object
// layer (VOL) fields that decide how the copied frames after a seam are
// read, and the user data that tells a decoder which writer made them.
// Read from strf's extra bytes or the first key frame (writers put the VOL
// in either, FFmpeg before every I-frame).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Mpeg4Vol {
  bool found = false;
  int verid = 1;
  int aspect = 1;           // aspect_ratio_info; 15: parWidth / parHeight
  int parWidth = 0, parHeight = 0;
  bool lowDelay = true;     // false: B-frames may come
  int shape = 0;            // 0: rectangular
  uint32_t timeResolution = 0;
  bool fixedRate = false;
  uint32_t fixedIncrement = 0;
  int width = 0, height = 0;
  bool interlaced = false;
  int sprite = 0;           // 1: static sprites, 2: global motion compensation
  bool not8Bit = false;
  bool mpegQuant = false;
  bool intraMatrix = false, interMatrix = false;
  uint16_t intra[64] = {}, inter[64] = {};  // in raster order
  bool quarterPel = false;
  std::string unreadable;   // a field this reader stops at ("" none)
};

// The first VOL in data; found false when none.
Mpeg4Vol ReadMpeg4Vol(const uint8_t* data, size_t size);

// Every user data segment (00 00 01 B2 to the next start code) before the
// first VOP in data, one after the other.
std::vector<uint8_t> Mpeg4UserData(const uint8_t* data, size_t size);

// Whether data holds a VOP start code followed by a B-VOP's coding type.
bool HasBVop(const uint8_t* data, size_t size);

// What a chunk's first VOP is: a picture of its own (I, P or S), a B-frame,
// a VOP that says "not coded" (an N_VOP: a packed stream's filler, where
// the frame packed before it shows), or none at all (an empty chunk).
enum class VopKind { None, Picture, B, NotCoded };
// timeResolution: the VOL's (it gives the bit count of the VOP's time).
VopKind FirstVopKind(const uint8_t* data, size_t size, uint32_t timeResolution);

// Where the second VOP start code in data begins (in a packed chunk, the
// B-frame after the chunk's own picture); size when there is none.
size_t SecondVopAt(const uint8_t* data, size_t size);

// The vop_quant of the first VOP in data, read with the VOL's fields; 0 when
// there is none, it is not coded (an N-VOP) or its header is one this
// reader does not follow (a sprite's, a shape's, other than 5-bit quantisers).
int Mpeg4VopQuant(const Mpeg4Vol& vol, const uint8_t* data, size_t size);

// The pixel aspect of aspect_ratio_info (code 15: the VOL's own).
void Mpeg4PixelAspect(const Mpeg4Vol& vol, int* num, int* den);
