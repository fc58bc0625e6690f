// Path buffer sizes of the window: a dialog field or a path holds 260 bytes
// with its terminating zero.
#pragma once

constexpr int kPathBytes = 260;
constexpr int kOutputPathBytes = 261;
