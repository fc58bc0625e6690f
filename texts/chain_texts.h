// The texts of the job over a chain of inputs (join, merge of many), English and Japanese side by side.
#pragma once
#include "texts/common_texts.h"

namespace texts {

inline constexpr TextPair kJoinTooFewInputs = {"Choose two or more files to join",
    "結合するファイルを２つ以上選んでください"};
inline constexpr TextPair kJoinFormatDiffers = {"Can't Join (the files are of different formats)",
    "形式が異なるので結合できません"};
inline constexpr TextPair kJoinInputChanged = {"Can't Join: a file changed while it was read",
    "結合できません：ファイルが読み込み中に変更されました"};
inline constexpr TextPair kJoinSeams = {"Finding overlaps",
    "重複部分を検索中"};

// Why an input cannot be joined (chain/input_check.h).
// {1} the bytes the RIFF header promises, {2} the bytes the file holds
inline constexpr TextPair kInputCutShort = {"cut short: its RIFF header promises {1} bytes, the file holds {2}",
                                            "途中で切れています（RIFF ヘッダーは {1} バイト、ファイルは {2} バイト）"};
inline constexpr TextPair kInputShortStreamHeader = {"stream {1} has a short header", "ストリーム{1} のヘッダーが短すぎます"};
inline constexpr TextPair kInputEntryPastEnd = {
    "its index names data beyond the end of the file (entry {1})",
    "インデックスの指すデータがファイルの終わりを越えています（エントリ {1}）"};

// The join's own refusals and its summary (chain/chain_job.h).
inline constexpr TextPair kJoinNamesInput = {"names the input {1}", "結合元ファイル {1} と同じです"};
inline constexpr TextPair kJoinInputEndedEarly = {
    "An input ended before the chunks its index names, or changed while it was read",
    "結合元ファイルがインデックスの指すデータより短いか、読み込み中に変更されました"};
inline constexpr TextPair kJoinInputGone = {"An input changed or went away while it was read",
                                               "結合元ファイルが読み込み中に変更されました"};
inline constexpr TextPair kJoinMergeOk = {"Merge O.K.", "結合可能"};
inline constexpr TextPair kJoinSummaryOverlap = {"\n(Overlap %1.1fsec)", "\n（ｵｰﾊﾞｰﾗｯﾌﾟ %1.1f秒）"};

}  // namespace texts

#include "texts/chain_details.h"
