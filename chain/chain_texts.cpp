// The results of the job over a chain of inputs (join, merge of many): the
// number each reports and its message, English and Japanese side by side.
#include <cstddef>

#include "chain/chain_job.h"

namespace {

struct Row {
  JoinJobResult result;
  int32_t number;
  TextPair text;
};

constexpr Row kRows[] = {
    {JoinJobResult::Completed, 0, {nullptr, nullptr}},
    {JoinJobResult::Cancelled, -1, {nullptr, nullptr}},
    {JoinJobResult::TooFewInputs, 1, {"Choose two or more files to join", "結合するファイルを２つ以上選んでください"}},
    {JoinJobResult::NotOpen, 2, {"File not open", "ファイルが開けません"}},
    {JoinJobResult::NotRiff, 3, {"Avi File?", "ファイルの解析に失敗しました"}},
    {JoinJobResult::Damaged, 4, {"The file is damaged", "ファイルが壊れています"}},
    {JoinJobResult::Unsupported, 5, {"Avi File???", "未対応のファイルです"}},
    {JoinJobResult::FormatDiffers, 6, {"Can't Join (the files are of different formats)", "形式が異なるので結合できません"}},
    {JoinJobResult::NameIsInput, 7, {"Can't Create File (the joined file would replace an input file)",
                                     "ファイルが作成できません（結合ファイルが結合元ファイルと同じです）"}},
    {JoinJobResult::NoOutputName, 8, {"Can't Create save file name", "結合ファイル名を作成できません"}},
    {JoinJobResult::CannotWrite, 9, {"Can't Create File", "ファイルが作成できません"}},
    {JoinJobResult::TooLarge, 10, {"Can't Create File (the inputs' indexes name more data than the files hold)",
                                   "ファイルが作成できません（結合元ファイルのインデックスが実際より多くのデータを指しています）"}},
    {JoinJobResult::ReadError, 11, {"Can't Read File", "ファイルが読み込めません"}},
    {JoinJobResult::InputChanged, 12, {"Can't Join: a file changed while it was read",
                                       "結合できません：ファイルが読み込み中に変更されました"}},
};

constexpr bool TableComplete() {
  if (sizeof kRows / sizeof kRows[0] != size_t(JoinJobResult::Count)) return false;
  for (size_t i = 0; i < sizeof kRows / sizeof kRows[0]; ++i) {
    if (size_t(kRows[i].result) != i) return false;
    if ((kRows[i].text.english == nullptr) != (kRows[i].text.japanese == nullptr)) return false;
    if ((kRows[i].number == 0) != (i == 0)) return false;
  }
  return true;
}
static_assert(TableComplete(), "one row per JoinJobResult, in order, with both languages; only success is 0");

}  // namespace

const TextPair kJoinAnalyzing = {"Analyzing", "ファイル解析中"};
const TextPair kJoinSeams = {"Finding overlaps", "重複部分を検索中"};
const TextPair kJoinWriting = {"File Creating", "ファイル作成中"};

int32_t JoinJobResultNumber(JoinJobResult result) { return kRows[size_t(result)].number; }

const TextPair* JoinJobResultText(JoinJobResult result) {
  const TextPair& text = kRows[size_t(result)].text;
  return text.english ? &text : nullptr;
}
