#include "ui/window_exact_coder.h"

#include "exact/exact_coder.h"
#ifndef TAVRIN_NO_CODEC
#include "codec/exact_codec.h"
#endif

std::unique_ptr<ExactCoder> WindowExactCoder() {
#ifndef TAVRIN_NO_CODEC
  return MakeExactCoder();
#else
  return nullptr;
#endif
}
