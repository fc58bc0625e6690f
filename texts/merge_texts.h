// The merge's texts, English and Japanese side by side.
#pragma once
#include "texts/common_texts.h"

namespace texts {

inline constexpr TextPair kMergeFile1NotOpen = {"AVI File 1st not open",
    "「結合元ファイル１」が開けません"};
inline constexpr TextPair kMergeFile1TooLarge = {"AVI File 1st size is too large",
    "「結合元ファイル１」のサイズが大きすぎます"};
inline constexpr TextPair kMergeFile2NotOpen = {"AVI File 2nd not open",
    "「結合元ファイル２」が開けません"};
inline constexpr TextPair kMergeFile2TooLarge = {"AVI File 2nd size is too large",
    "「結合元ファイル２」のサイズが大きすぎます"};
inline constexpr TextPair kMergeFile2NotRiff = {"Avi File?",
    "ファイル２の解析に失敗しました"};
inline constexpr TextPair kMergeFile1NotRiff = {"Avi File?",
    "ファイル１の解析に失敗しました"};
inline constexpr TextPair kMergeStructureDiffers = {"Can't Merge (Structure is different)",
    "構造が異なるので結合できません"};
inline constexpr TextPair kMergeBadSourceName = {"Avi File???",
    "結合元ファイル名が不適切です"};
inline constexpr TextPair kMergeInputChanged = {"Can't Merge: a file changed while it was read",
    "結合できません：ファイルが読み込み中に変更されました"};
inline constexpr TextPair kMergeFile2Analyzing = {"File2 Analyzing",
    "ファイル２解析中"};
inline constexpr TextPair kMergeFile1Analyzing = {"File1 Analyzing",
    "ファイル１解析中"};
inline constexpr TextPair kMergeSummaryFormat = {"Merge O.K.\n\nFile Size %1.2fMB\nTime %1.0fmin%1.1fsec\n(Overlap %1.1fsec)",
    "結合可能\n\n結合後サイズ %1.2fMB\n結合後時間 %1.0f分%1.1f秒\n（ｵｰﾊﾞｰﾗｯﾌﾟ %1.1f秒）"};
// What a merge wrote, after its result in the window: {1} the joined file,
// {2} its bytes, {3} its length in seconds, {4} its frames, {5} the overlap
// dropped at the seam in seconds, {6} in frames.
inline constexpr TextPair kMergeJoinedDone = {"{1}: {2} bytes, {3} s ({4} frames)\noverlap {5} s ({6} frames) dropped at the seam",
    "{1}: {2} バイト、{3} 秒（{4} フレーム）\n継ぎ目で重複 {5} 秒（{6} フレーム）を除去"};
inline constexpr TextPair kJoinedInputDamaged = {"Avi File??? (the index names data beyond the end of the file)",
    "ファイルが壊れています（インデックスの指すデータがありません）"};
inline constexpr TextPair kMergeCanJoinInstead = {"The two files are of one format and differ only in figures each file records for itself: "
    "they can be joined one after the other instead (Operate > Join Files..., or tavrin join).",
    "２つのファイルは同じ形式で、ファイルごとに記録される値だけが異なります。"
    "「操作」メニューの「ファイルの連結」（または tavrin join）で続けて連結できます。"};

inline constexpr TextPair kMergeSoundDiffers = {"Warning: the sound of stream %d differs between the two files in the overlap; "
    "the joined file has the 2nd file's sound there.",
    "警告：オーバーラップ部分のストリーム%dの音声が２つのファイルで異なります。"
    "結合後のファイルのその部分は「結合元ファイル２」の音声です。"};
inline constexpr TextPair kMergeSeamSoundDiffers = {"Warning: at seam %d the sound of stream %d differs between the two files in the overlap; "
    "the joined file has the later file's sound there.",
    "警告：つなぎ目%dのオーバーラップ部分のストリーム%dの音声が前後のファイルで異なります。"
    "結合後のファイルのその部分は後のファイルの音声です。"};

}  // namespace texts

#include "texts/merge_details.h"
