// The exact cut's coder for the window's jobs: the same FFmpeg-backed coder
// the command line hands into its cut and split jobs (codec/exact_codec.h),
// or null in a build without the codec room (the job then refuses the
// exact cut and says why).
#pragma once
#include <memory>

class ExactCoder;

std::unique_ptr<ExactCoder> WindowExactCoder();
