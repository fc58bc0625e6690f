// The exact cut's coder (exact/exact_coder.h) on FFmpeg's libraries:
// MPEG-4 Visual (every FourCC it is stored under) and MS-MPEG4 v3 are
// re-encoded by FFmpeg's own encoders, matched to the stream's headers;
// intra-only codecs (MJPEG, raw, HuffYUV, DV...) need nothing re-encoded;
// others are refused with their name.
#pragma once
#include <memory>

#include "exact/exact_coder.h"

std::unique_ptr<ExactCoder> MakeExactCoder();
