#include "merge/merge_texts.h"

#include <cstddef>

namespace {

// Indexed by MergeText.
const TextPair kTexts[] = {
    {"AVI File 1st not open", "「結合元ファイル１」が開けません"},
    {"AVI File 1st size is too large", "「結合元ファイル１」のサイズが大きすぎます"},
    {"AVI File 2nd not open", "「結合元ファイル２」が開けません"},
    {"AVI File 2nd size is too large", "「結合元ファイル２」のサイズが大きすぎます"},
    {"Avi File?", "ファイル２の解析に失敗しました"},
    {"Avi File?", "ファイル１の解析に失敗しました"},
    {"Avi File???", "未対応のファイルです"},
    {"Can't Merge (Structure is different)", "構造が異なるので結合できません"},
    {"Avi File???", "結合元ファイル名が不適切です"},
    {"Can't Create save file name", "結合ファイル名を作成できません"},
    {"Error", "エラー"},
    {"File2 Analyzing", "ファイル２解析中"},
    {"File1 Analyzing", "ファイル１解析中"},
    {"Completed", "操作完了"},
    {"File Creating", "ファイル作成中"},
    {"Can't Create File (the joined file would replace an input file)",
     "ファイルが作成できません（結合ファイルが結合元ファイルと同じです）"},
    {"Can't Create File", "ファイルが作成できません"},
    {"Avi File??? (the index names data beyond the end of the file)",
     "ファイルが壊れています（インデックスの指すデータがありません）"},
    {"Can't Create File (the joined file would be 2GB or larger)",
     "ファイルが作成できません（結合ファイルが2GB以上になります）"},
    {"Merge O.K.\n\nFile Size %1.2fMB\nTime %1.0fmin%1.1fsec\n(Overlap %1.1fsec)",
     "結合可能\n\n結合後サイズ %1.2fMB\n結合後時間 %1.0f分%1.1f秒\n（ｵｰﾊﾞｰﾗｯﾌﾟ %1.1f秒）"},
};

static_assert(sizeof kTexts / sizeof kTexts[0] == size_t(MergeText::SummaryFormat) + 1,
              "one text pair per MergeText");

}  // namespace

const TextPair& MergeTextPair(MergeText id) { return kTexts[size_t(id)]; }
