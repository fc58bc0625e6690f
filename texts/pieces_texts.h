// The pieces' texts (pieces/), English and Japanese side by side.
#pragma once
#include "texts/text_pair.h"

namespace texts {

// A key-frame group too large for a piece: {1} its first frame, {2} its last,
// {3} and {4} their times in seconds, {5} its bytes.
inline constexpr TextPair kPiecesGroupTooLarge = {"Frames {1} to {2} ({3} s to {4} s) take {5} bytes",
                                                  "フレーム {1}～{2}（{3} 秒～{4} 秒）は {5} バイトです"};

}  // namespace texts
