// The details that follow a message of chain/ (what exactly is wrong with a file,
// a summary's figures), English and Japanese side by side. Unlike the
// messages of chain_texts.h, the help does not quote these.
#pragma once
#include "texts/text_pair.h"

namespace texts {

inline constexpr TextPair kInputNoMovi = {"it has no movi list", "movi リストがありません"};

inline constexpr TextPair kInputNoIndex = {"it has no index (idx1); the recording may have ended early",
                                           "インデックス（idx1）がありません（録画が途中で止まった可能性があります）"};

inline constexpr TextPair kInputNoRiffSize = {"no RIFF size field", "RIFF サイズがありません"};

inline constexpr TextPair kInputNoMainHeader = {"it has no main header (avih)", "メインヘッダー（avih）がありません"};

inline constexpr TextPair kInputNoStream = {"it has no stream", "ストリームがありません"};

inline constexpr TextPair kInputNoVideo = {"it has no video stream", "映像ストリームがありません"};

inline constexpr TextPair kInputNoVideoFrame = {"its index names no video frame", "インデックスに映像フレームがありません"};

inline constexpr TextPair kJoinNoRiff = {"does not begin with \"RIFF\"", "「RIFF」で始まっていません"};

inline constexpr TextPair kJoinJoinOk = {"Join O.K.", "結合可能"};

// printf: the title, the files, megabytes, minutes, seconds
inline constexpr TextPair kJoinSummary = {"%s\n\n%u files\nFile Size %1.2fMB\nTime %1.0fmin%1.1fsec",
                                          "%s\n\n%u個のファイル\n結合後サイズ %1.2fMB\n結合後時間 %1.0f分%1.1f秒"};

}  // namespace texts
