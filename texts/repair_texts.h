// The repair's texts, English and Japanese side by side.
#pragma once
#include "texts/common_texts.h"

namespace texts {

inline constexpr TextPair kRepairNothingToRepair = {"nothing to repair",
    "修復の必要はありません"};
inline constexpr TextPair kRepairInputNotOpen = {"File not open",
    "「修復元ファイル」が開けません"};
inline constexpr TextPair kRepairNotAvi = {"not an AVI file",
    "AVIファイルではありません"};
inline constexpr TextPair kRepairNoHeader = {"Can't Repair: the file has no AVI header (hdrl list with avih and stream headers)",
    "修復できません：AVIヘッダー（hdrl、avih、ストリームヘッダー）がありません"};
inline constexpr TextPair kRepairNoDataList = {"Can't Repair: the file has no movi data list",
    "修復できません：データリスト（movi）がありません"};
inline constexpr TextPair kRepairNoWholeChunk = {"Can't Repair: the data list holds no whole chunk",
    "修復できません：データリストに完全なチャンクがありません"};
inline constexpr TextPair kRepairOutputIsInput = {"Can't Create File (the repaired file would replace the input file)",
    "ファイルが作成できません（修復後のファイルが修復元ファイルと同じです）"};
inline constexpr TextPair kRepairTooLarge = {"Can't Create File (the repaired file cannot be laid out)",
    "ファイルが作成できません（修復後のファイルを構成できません）"};
inline constexpr TextPair kRepairInputChanged = {"Can't Repair: the file changed while it was read",
    "修復できません：ファイルが読み込み中に変更されました"};
inline constexpr TextPair kRepairReading = {"Reading chunks",
    "チャンク読み取り中"};
inline constexpr TextPair kRepairSummary = {"Repair completed\n\nFrames %u\nTime %1.0fmin%1.1fsec",
    "修復完了\n\nフレーム数 %u\n時間 %1.0f分%1.1f秒"};
inline constexpr TextPair kRepairKeysUntold = {"The video codec's key frames cannot be told from its data: only the frames that a surviving index "
    "entry named are key frames.",
    "このビデオコーデックはデータからキーフレームを判別できません。残っていたインデックスが示すフレームだけを"
    "キーフレームとしました。"};

}  // namespace texts
