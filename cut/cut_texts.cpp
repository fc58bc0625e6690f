// The results of the cut job: the number each reports and its message,
// English and Japanese side by side.
#include <cstddef>

#include "cut/cut_job.h"

namespace {

struct Row {
  CutResult result;
  int32_t number;
  bool usage;
  TextPair text;
};

constexpr Row kRows[] = {
    {CutResult::Completed, 0, false, {nullptr, nullptr}},
    {CutResult::Cancelled, -1, false, {nullptr, nullptr}},
    {CutResult::NoRange, 1, true, {"No range to cut: name the ranges to keep or to drop", "範囲がありません。残す範囲か削除する範囲を指定してください"}},
    {CutResult::KeepAndDrop, 2, true, {"Ranges to keep and ranges to drop do not mix: name one kind",
                                        "残す範囲と削除する範囲は同時に指定できません"}},
    {CutResult::RangeInvalid, 3, true, {"Not a range: give START-END, each time in seconds or [H:]M:SS",
                                         "範囲ではありません。開始-終了を秒または [時:]分:秒 で指定してください"}},
    {CutResult::RangeEmpty, 4, true, {"A range ends before it starts (END must come after START)",
                                       "範囲の終了が開始より前です（終了は開始より後にしてください）"}},
    {CutResult::ListUnreadable, 5, true, {"The cut list cannot be read", "カットリストが読み込めません"}},
    {CutResult::ListBadLine, 6, true, {"The cut list has a line that is not a range", "カットリストに範囲でない行があります"}},
    {CutResult::NameIsInput, 7, true, {"Can't Create File (an output would replace the input file)",
                                        "ファイルが作成できません（出力ファイルが元のファイルと同じです）"}},
    {CutResult::NoOutputName, 8, false, {"Can't Create save file name", "出力ファイル名を作成できません"}},
    {CutResult::InputNotOpen, 9, false, {"File not open", "ファイルが開けません"}},
    {CutResult::InputNotRiff, 10, false, {"Avi File?", "ファイルの解析に失敗しました"}},
    {CutResult::Unsupported, 11, false, {"Avi File??? (this file cannot be cut)", "未対応のファイルです（カットできません）"}},
    {CutResult::OpenDml, 12, false, {"Avi File??? (its OpenDML index cannot be read)",
                                      "未対応のファイルです（OpenDML インデックスが読めません）"}},
    {CutResult::Damaged, 13, false, {"The file is damaged", "ファイルが壊れています"}},
    {CutResult::StartsAfterEnd, 14, false, {"A range starts after the end of the recording",
                                             "範囲の開始が録画の終わりより後です"}},
    {CutResult::NothingKept, 15, false, {"Nothing would be kept: the ranges dropped cover the whole recording",
                                          "削除する範囲が録画全体を覆うので、何も残りません"}},
    {CutResult::CannotWrite, 16, false, {"Can't Create File", "ファイルが作成できません"}},
    {CutResult::TooLarge, 17, false, {"Can't Create File (the index names more data than the file holds)",
                                       "ファイルが作成できません（インデックスが実際より多くのデータを指しています）"}},
    {CutResult::ReadError, 18, false, {"Can't Read File", "ファイルが読み込めません"}},
    {CutResult::InputChanged, 19, false, {"Can't Cut: the file changed while it was read",
                                          "カットできません: 読み込み中にファイルが変更されました"}},
};

constexpr bool TableComplete() {
  if (sizeof kRows / sizeof kRows[0] != size_t(CutResult::Count)) return false;
  for (size_t i = 0; i < sizeof kRows / sizeof kRows[0]; ++i) {
    if (size_t(kRows[i].result) != i) return false;
    if ((kRows[i].text.english == nullptr) != (kRows[i].text.japanese == nullptr)) return false;
    if ((kRows[i].number == 0) != (i == 0)) return false;
  }
  return true;
}
static_assert(TableComplete(), "every cut result has one row, in order, with both texts");

}  // namespace

const TextPair kCutAnalyzing = {"Analyzing", "ファイル解析中"};
const TextPair kCutWriting = {"File Creating", "ファイル作成中"};

int32_t CutResultNumber(CutResult result) { return kRows[size_t(result)].number; }

const TextPair* CutResultText(CutResult result) {
  const TextPair& text = kRows[size_t(result)].text;
  return text.english ? &text : nullptr;
}

bool IsUsageRefusal(CutResult result) { return kRows[size_t(result)].usage; }
