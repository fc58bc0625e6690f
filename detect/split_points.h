// Where a video stream can be cut into stretches that decode alone, so
// that each can be decoded on a thread of its own with a decoder of its
// own (one per core: no switching between the decoder's frame threads)
// and the stretches' marks joined (detect/frame_marks.h).
//
// A stretch starts at a picture that needs none before it and that no
// later picture shown before it needs, for its pictures to be decoded
// exactly as in one pass: any frame of a codec whose pictures all decode
// alone (MJPEG); for MPEG-4 Visual a key frame whose chunk holds one
// I-VOP, after a chunk holding no packed pair (whose B-VOP the unpacking
// would give out at this frame) and before a chunk whose VOP is no B-VOP
// (an open group's B-VOP after the I-VOP needs the picture before it).
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// The coding type of each VOP in a chunk of MPEG-4 Visual, in order:
// 0 I, 1 P, 2 B, 3 S (sprite).
std::vector<int> VopTypes(const uint8_t* data, size_t size);

// Whether frame `frame` may start a stretch, from the VOP types of the
// chunks before it, its own and after it (empty: a chunk without a VOP,
// not looked at); `chunk(n)` gives the VOP types of frame n's chunk.
using VopTypesOf = std::function<std::vector<int>(uint32_t frame)>;
bool Mpeg4StartsAlone(uint32_t frame, uint32_t frames, const VopTypesOf& chunk);

// The first frames of at most `count` stretches of `frames` frames (0
// first), each the first frame at or after its even share's start that
// startsAlone allows within that share; fewer where a share has none.
std::vector<uint32_t> ChooseSplits(uint32_t frames, int count, const std::function<bool(uint32_t)>& startsAlone);
