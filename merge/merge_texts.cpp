// The merge's results: the number each reports and its message, English and
// Japanese side by side.
#include <cstddef>

#include "merge/merge_result.h"

namespace {

constexpr int32_t kFromStructure = 0;  // Unsupported, StructureDiffers: the structure code
constexpr int32_t kDependsOnEngine = 0;

struct Row {
  MergeResult result;
  int32_t number;
  TextPair text;
};

constexpr Row kRows[] = {
    {MergeResult::Completed, 0, {nullptr, nullptr}},
    {MergeResult::Cancelled, kDependsOnEngine, {nullptr, nullptr}},
    {MergeResult::File1NotOpen, -6, {"AVI File 1st not open", "「結合元ファイル１」が開けません"}},
    {MergeResult::File1TooLarge, -7, {"AVI File 1st size is too large", "「結合元ファイル１」のサイズが大きすぎます"}},
    {MergeResult::File2NotOpen, -1, {"AVI File 2nd not open", "「結合元ファイル２」が開けません"}},
    {MergeResult::File2TooLarge, -2, {"AVI File 2nd size is too large", "「結合元ファイル２」のサイズが大きすぎます"}},
    {MergeResult::File2NotRiff, -5, {"Avi File?", "ファイル２の解析に失敗しました"}},
    {MergeResult::File1NotRiff, -10, {"Avi File?", "ファイル１の解析に失敗しました"}},
    {MergeResult::Unsupported, kFromStructure, {"Avi File???", "未対応のファイルです"}},
    {MergeResult::StructureDiffers, kFromStructure, {"Can't Merge (Structure is different)", "構造が異なるので結合できません"}},
    {MergeResult::BadSourceName, 300, {"Avi File???", "結合元ファイル名が不適切です"}},
    {MergeResult::NoOutputName, 301, {"Can't Create save file name", "結合ファイル名を作成できません"}},
    {MergeResult::ReadError, 302, {"Can't Read File", "ファイルが読み込めません"}},
    {MergeResult::InputChanged, 303, {"Can't Merge: a file changed while it was read",
                                      "結合できません：ファイルが読み込み中に変更されました"}},
};

constexpr bool TableComplete() {
  if (sizeof kRows / sizeof kRows[0] != size_t(MergeResult::Count)) return false;
  for (size_t i = 0; i < sizeof kRows / sizeof kRows[0]; ++i) {
    if (size_t(kRows[i].result) != i) return false;
    if ((kRows[i].text.english == nullptr) != (kRows[i].text.japanese == nullptr)) return false;
  }
  return true;
}
static_assert(TableComplete(), "one row per MergeResult, in order, with both languages");

}  // namespace

const TextPair kMergeFile2Analyzing = {"File2 Analyzing", "ファイル２解析中"};
const TextPair kMergeFile1Analyzing = {"File1 Analyzing", "ファイル１解析中"};
const TextPair kMergeJoinedWritten = {"Completed", "操作完了"};
const TextPair kMergeSummaryFormat = {
    "Merge O.K.\n\nFile Size %1.2fMB\nTime %1.0fmin%1.1fsec\n(Overlap %1.1fsec)",
    "結合可能\n\n結合後サイズ %1.2fMB\n結合後時間 %1.0f分%1.1f秒\n（ｵｰﾊﾞｰﾗｯﾌﾟ %1.1f秒）"};

int32_t MergeResultNumber(MergeResult result, uint32_t structureCode, bool engineStarted) {
  if (result == MergeResult::Cancelled) return engineStarted ? -1 : 0;
  if (result == MergeResult::Unsupported || result == MergeResult::StructureDiffers) return int32_t(structureCode);
  return kRows[size_t(result)].number;
}

const TextPair* MergeResultText(MergeResult result) {
  const TextPair& text = kRows[size_t(result)].text;
  return text.english ? &text : nullptr;
}

const TextPair kMergeWriting = {"File Creating", "ファイル作成中"};
const TextPair kJoinedNameIsInput = {"Can't Create File (the joined file would replace an input file)",
                                     "ファイルが作成できません（結合ファイルが結合元ファイルと同じです）"};
const TextPair kJoinedCannotWrite = {"Can't Create File", "ファイルが作成できません"};
const TextPair kJoinedInputDamaged = {"Avi File??? (the index names data beyond the end of the file)",
                                      "ファイルが壊れています（インデックスの指すデータがありません）"};
const TextPair kJoinedTooLarge = {"Can't Create File (the inputs' indexes name more data than the files hold)",
                                  "ファイルが作成できません（結合元ファイルのインデックスが実際より多くのデータを指しています）"};
const TextPair kMergeCanJoinInstead = {
    "The two files are of one format and differ only in figures each file records for itself: "
    "they can be joined one after the other instead (Operate > Join Files..., or tavrin join).",
    "２つのファイルは同じ形式で、ファイルごとに記録される値だけが異なります。"
    "「操作」メニューの「ファイルの連結」（または tavrin join）で続けて連結できます。"};
