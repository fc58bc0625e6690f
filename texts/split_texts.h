// The split's texts, English and Japanese side by side.
#pragma once
#include "texts/common_texts.h"

namespace texts {

inline constexpr TextPair kSplitCompleted = {"Completed", "操作完了"};
// The window's advice below a split's "Completed", a blank line between
// (share/split_result.h: kSplitPlayerAdvice).
inline constexpr TextPair kSplitPlayerHint = {"If 2nd file can't be played,\nUse Windows Media Player 6\n"
      "(Program Files\\Windows Media Player\\Mplayer2.exe)",
    "（分解後半部のみ再生に失敗する場合は\nWindows Media Player 6 をご使用ください\n"
      "詳細はヘルプファイル参照のこと）"};
inline constexpr TextPair kSplitOverlapInvalid = {"[Overlap] bad value",
    "「オーバーラップ」入力値に誤りがあります"};
inline constexpr TextPair kSplitOverlapOutOfRange = {"[Overlap] bad value(0-60)",
    "「オーバーラップ」入力値に誤りがあります(0-60)"};
inline constexpr TextPair kSplitHoursInvalid = {"[hr] bad value",
    "「時間」入力値に誤りがあります"};
inline constexpr TextPair kSplitMinutesInvalid = {"[min] bad value",
    "「分」入力値に誤りがあります"};
inline constexpr TextPair kSplitSecondsInvalid = {"[sec] bad value",
    "「秒」入力値に誤りがあります"};
inline constexpr TextPair kSplitTimeZero = {"[Time] bad value",
    "「時間指定」の入力値に誤りがあります"};
inline constexpr TextPair kSplitInputNotOpen = {"File not open",
    "「分解元ファイル」が開けません"};
inline constexpr TextPair kSplitInputTooLarge = {"File size is too large",
    "「分解元ファイル」のサイズが大きすぎます"};
inline constexpr TextPair kSplitNoKeyFrame = {"Can't Split at [Time]",
    "「時間指定」値で分解できません"};
inline constexpr TextPair kSplitOverlapTooLong = {"[Overlap] is too long",
    "「オーバーラップ」値が長すぎます"};
inline constexpr TextPair kSplitCannotAtOverlap = {"Can't Split at [Overlap]",
    "指定「オーバーラップ」値で分解できません"};
inline constexpr TextPair kSplitTimeTooLong = {"[Time] is too long",
    "「時間指定」値が長すぎます"};
inline constexpr TextPair kSplitSizeAlreadyFits = {"File already fits in [File size]",
    "ファイルは既に「サイズ指定」値以内です"};
inline constexpr TextPair kSplitSizeTooSmall = {"[File size] is too small",
    "「サイズ指定」値が小さすぎます"};
inline constexpr TextPair kSplitSizeInvalid = {"[File size] bad value",
    "「サイズ指定」入力値に誤りがあります"};
inline constexpr TextPair kSplitInputChanged = {"Can't Split: the file changed while it was read",
    "分解できません：ファイルが読み込み中に変更されました"};

// What a split did, after its result in the window: {1} the cut's frame,
// {2} its time; {3} and {4} the second file's first frame and time.
inline constexpr TextPair kSplitCutAt = {"cut at frame {1} ({2} s); the second file starts at frame {3} ({4} s)",
    "フレーム {1}（{2} 秒）で分解、後半ファイルはフレーム {3}（{4} 秒）から"};
// {1} the overlap asked, {2} the overlap reached, in seconds.
inline constexpr TextPair kSplitOverlapReached = {"overlap {1} s asked, {2} s reached",
    "オーバーラップ 指定 {1} 秒、実際 {2} 秒"};
inline constexpr TextPair kSplitOverlapWider = {
    "overlap {1} s asked, {2} s reached: the second file starts on the key frame at or before the asked start",
    "オーバーラップ 指定 {1} 秒、実際 {2} 秒（後半ファイルは指定位置以前のキーフレームから始まります）"};

}  // namespace texts
