// The numbers the commands that came after split and merge report (join and
// the merge of many, repair, cut, extract, streams, dub, shift, and what
// comes next), in their JSON "result" and to the window: one number per
// meaning whatever the command, so that a script tells "the input cannot be
// opened" from "the disk is full" the same way for all of them. A command's
// own ends take the numbers from kOwnResults on. The split's and the
// merge's numbers are their own and stay as they are.
#pragma once
#include <cstdint>

namespace result_number {

constexpr int32_t kCompleted = 0;
constexpr int32_t kCancelled = -1;
constexpr int32_t kInputNotOpen = 1;   // an input cannot be opened, or its size cannot be told
constexpr int32_t kInputNotAvi = 2;    // an input does not begin as an AVI file does
constexpr int32_t kUnsupported = 3;    // headers this program cannot read
constexpr int32_t kOpenDml = 4;        // OpenDML indexes that cannot be read
constexpr int32_t kDamaged = 5;        // cut short, no index or a broken one: a repair may help
constexpr int32_t kNameIsInput = 6;    // an output would replace an input
constexpr int32_t kNoOutputName = 7;   // an output's name would be too long
constexpr int32_t kCannotWrite = 8;    // an output cannot be created or written (a full disk...)
constexpr int32_t kTooLarge = 9;       // an output cannot be laid out
constexpr int32_t kReadError = 10;     // the device failed to read an input
constexpr int32_t kInputChanged = 11;  // an input was cut, replaced or appended to while it was read
constexpr int32_t kNoSuchStream = 12;  // a stream number the file does not have
constexpr int32_t kKeepAndDrop = 13;   // what to keep and what to drop named together
constexpr int32_t kNothingKept = 14;   // everything would be dropped
constexpr int32_t kOwnResults = 20;    // a command's own ends: 20, 21, ...

}  // namespace result_number
