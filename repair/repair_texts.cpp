// The repair's results: the number each reports and its message, English
// and Japanese side by side.
#include <cstddef>

#include "repair/repair_result.h"

namespace {

struct Row {
  RepairResult result;
  int32_t number;
  TextPair text;
};

constexpr Row kRows[] = {
    {RepairResult::Repaired, 0, {nullptr, nullptr}},
    {RepairResult::NothingToRepair, 0, {"nothing to repair", "修復の必要はありません"}},
    {RepairResult::Cancelled, -1, {nullptr, nullptr}},
    {RepairResult::InputNotOpen, 1, {"File not open", "「修復元ファイル」が開けません"}},
    {RepairResult::NotAvi, 2, {"not an AVI file", "AVIファイルではありません"}},
    {RepairResult::NoHeader, 3, {"Can't Repair: the file has no AVI header (hdrl list with avih and stream headers)",
                                 "修復できません：AVIヘッダー（hdrl、avih、ストリームヘッダー）がありません"}},
    {RepairResult::NoDataList, 4, {"Can't Repair: the file has no movi data list",
                                   "修復できません：データリスト（movi）がありません"}},
    {RepairResult::NoWholeChunk, 5, {"Can't Repair: the data list holds no whole chunk",
                                     "修復できません：データリストに完全なチャンクがありません"}},
    {RepairResult::OutputIsInput, 6, {"Can't Create File (the repaired file would replace the input file)",
                                      "ファイルが作成できません（修復後のファイルが修復元ファイルと同じです）"}},
    {RepairResult::CannotCreate, 7, {"Can't Create File", "ファイルが作成できません"}},
    {RepairResult::WriteFailed, 8, {"Can't Create File", "ファイルが作成できません"}},
    {RepairResult::TooLarge, 9, {"Can't Create File (the repaired file cannot be laid out)",
                                 "ファイルが作成できません（修復後のファイルを構成できません）"}},
    {RepairResult::ReadError, 10, {"Can't Read File", "ファイルが読み込めません"}},
    {RepairResult::InputChanged, 11, {"Can't Repair: the file changed while it was read",
                                      "修復できません：ファイルが読み込み中に変更されました"}},
};

constexpr bool TableComplete() {
  if (sizeof kRows / sizeof kRows[0] != size_t(RepairResult::Count)) return false;
  for (size_t i = 0; i < sizeof kRows / sizeof kRows[0]; ++i) {
    if (size_t(kRows[i].result) != i) return false;
    if ((kRows[i].text.english == nullptr) != (kRows[i].text.japanese == nullptr)) return false;
  }
  return true;
}
static_assert(TableComplete(), "one row per RepairResult, in order, with both languages");

}  // namespace

int32_t RepairResultNumber(RepairResult result) { return kRows[size_t(result)].number; }

const TextPair* RepairResultText(RepairResult result) {
  const TextPair& text = kRows[size_t(result)].text;
  return text.english ? &text : nullptr;
}

const TextPair kRepairReading = {"Reading chunks", "チャンク読み取り中"};
const TextPair kRepairWriting = {"File Creating", "ファイル作成中"};
const TextPair kRepairSummary = {"Repair completed\n\nFrames %u\nTime %1.0fmin%1.1fsec",
                                 "修復完了\n\nフレーム数 %u\n時間 %1.0f分%1.1f秒"};
const TextPair kRepairKeysUntold = {
    "The video codec's key frames cannot be told from its data: only the frames that a surviving index "
    "entry named are key frames.",
    "このビデオコーデックはデータからキーフレームを判別できません。残っていたインデックスが示すフレームだけを"
    "キーフレームとしました。"};
