// Texts of the window's batch (app/batch_jobs.h) that say why a recording
// of the list has no job, English and Japanese side by side (UTF-8).
#pragma once
#include "texts/text_pair.h"

namespace batch_text {

constexpr TextPair kNoListBeside{"No cut list beside it (.edl, .txt or .csv)",
                                 "同じ名前のカットリスト（.edl、.txt、.csv）がありません"};
constexpr TextPair kNoSplitTime{"The split time is no time above 0 seconds", "分解する時間が 0 秒より大きい時間ではありません"};
constexpr TextPair kNoListChosen{"No cut list chosen", "カットリストが指定されていません"};
constexpr TextPair kNoStream{"The stream is no stream number", "ストリーム番号が正しくありません"};
constexpr TextPair kNoStreams{"The streams are no stream numbers (N[,N...])",
                              "ストリーム番号が正しくありません（N[,N...]）"};
constexpr TextPair kNotShown{"not a job the Batch dialog runs", "一括処理ダイアログで扱えないジョブです"};
constexpr TextPair kNoField{"options the Batch dialog has no field for", "一括処理ダイアログにない指定があります"};

}  // namespace batch_text
