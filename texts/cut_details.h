// The details that follow a message of cut/ (what exactly is wrong with a file,
// a summary's figures), English and Japanese side by side. Unlike the
// messages of cut_texts.h, the help does not quote these.
#pragma once
#include "texts/text_pair.h"

namespace texts {

inline constexpr TextPair kCutListNotEdlLine = {"expected \"START END ACTION\" (seconds, seconds, an action number)",
                                                "「開始 終了 動作」（秒、秒、動作番号）の形ではありません"};

inline constexpr TextPair kCutListEndNotAfterStart = {"the end is not after the start", "終了が開始より後ではありません"};

inline constexpr TextPair kCutListNotFrameLine = {"expected \"START END\" (two frame numbers)",
                                                  "「開始 終了」（２つのフレーム番号）の形ではありません"};

inline constexpr TextPair kCutListEndFrameNotAfterStart = {"the end frame is not after the start frame",
                                                           "終了フレームが開始フレームより後ではありません"};

inline constexpr TextPair kCutListQuoteOpen = {"a quote is not closed", "引用符が閉じていません"};

inline constexpr TextPair kCutListNotCsvLine = {"expected \"start,end[,label]\" (seconds)",
                                                "「開始,終了[,ラベル]」（秒）の形ではありません"};

inline constexpr TextPair kCutListNotRange = {"expected a range START-END", "範囲「開始-終了」の形ではありません"};

// A kept range in the window's result, as the command line lists it: {1}
// its number, {2} and {3} its first and last frame, {4} its start and {5}
// its length in seconds, {6} the ranges asked that it holds.
inline constexpr TextPair kCutRangeDone = {"range {1}: frames {2} to {3} ({4} s, {5} s long), asked {6}",
                                           "範囲 {1}: フレーム {2}～{3}（{4} 秒から {5} 秒間）、指定 {6}"};

}  // namespace texts
