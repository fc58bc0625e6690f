// The details that follow a message of streams/ (what exactly is wrong with a file,
// a summary's figures), English and Japanese side by side. Unlike the
// messages of streams_texts.h, the help does not quote these.
#pragma once
#include "texts/text_pair.h"

namespace texts {

// Why a file's streams cannot be read (streams/streams_run.h).
inline constexpr TextPair kStreamsNoMovi = {"it has no movi list", "movi リストがありません"};

inline constexpr TextPair kStreamsNoIndex = {"it has no index (idx1)", "インデックス（idx1）がありません"};

inline constexpr TextPair kStreamsNoMainHeader = {"it has no main header (avih) or no stream",
                                                  "メインヘッダー（avih）またはストリームがありません"};

inline constexpr TextPair kStreamsListsMismatch = {"its stream lists (strl) do not match its stream headers",
                                                   "ストリームリスト（strl）がストリームヘッダーと合いません"};

inline constexpr TextPair kStreamsInputEndedEarly = {
    "The input ended before the chunks its index names, or changed while it was read",
    "元のファイルがインデックスの指すデータより短いか、読み込み中に変更されました"};

inline constexpr TextPair kAacConfigCutShort = {"its AudioSpecificConfig is cut short", "AudioSpecificConfig が途中で切れています"};

inline constexpr TextPair kAacObjectType = {"its object type is not one ADTS can state", "ADTS で表せないオブジェクトタイプです"};

inline constexpr TextPair kAacSamplingRate = {"its sampling rate has no ADTS index", "ADTS で表せないサンプリング周波数です"};

inline constexpr TextPair kAacChannels = {"its channel configuration is 0 or past 7", "チャンネル構成が 0 か 7 を超えています"};

inline constexpr TextPair kAacFrameTooLarge = {"An AAC frame is larger than an ADTS frame can be (8,184 bytes)",
                                               "AAC フレームが ADTS フレームの上限（8,184 バイト）を超えています"};

}  // namespace texts
