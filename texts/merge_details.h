// The details that follow a message of merge/ (what exactly is wrong with a file,
// a summary's figures), English and Japanese side by side. Unlike the
// messages of merge_texts.h, the help does not quote these.
#pragma once
#include "texts/text_pair.h"

namespace texts {

// What names each input in a damage report.
inline constexpr TextPair kMergeFile1Label = {"AVI File 1st: ", "結合元ファイル１："};

inline constexpr TextPair kMergeFile2Label = {"AVI File 2nd: ", "結合元ファイル２："};

}  // namespace texts
