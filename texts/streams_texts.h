// The stream commands' texts, English and Japanese side by side.
#pragma once
#include "texts/common_texts.h"

namespace texts {

inline constexpr TextPair kStreamsKeepAndDrop = {"Streams to keep and streams to drop do not mix: name one kind",
    "残すストリームと削除するストリームは同時に指定できません"};
inline constexpr TextPair kStreamsNoStreamNamed = {"No stream named: give the stream numbers that tavrin info shows",
    "ストリームが指定されていません。tavrin info が示すストリーム番号を指定してください"};
inline constexpr TextPair kStreamsNameIsInput = {"Can't Create File (the output would replace the input file)",
    "ファイルが作成できません（出力ファイルが元のファイルと同じです）"};
inline constexpr TextPair kStreamsUnsupported = {"Avi File??? (its streams cannot be read)",
    "未対応のファイルです（ストリームが読めません）"};
inline constexpr TextPair kStreamsNothingKept = {"Nothing would be kept: every stream of the file would be dropped",
    "すべてのストリームが削除されるので、何も残りません"};
inline constexpr TextPair kStreamsWrongExtension = {"The output's extension does not fit the stream",
    "出力ファイルの拡張子がストリームの種類と合いません"};
inline constexpr TextPair kStreamsAacConfig = {"This AAC stream cannot be saved as an .aac file",
    "この AAC ストリームは .aac ファイルとして保存できません"};
inline constexpr TextPair kStreamsInputChanged = {"Can't Write: the file changed while it was read",
    "書き出せません: 読み込み中にファイルが変更されました"};

inline constexpr TextPair kStreamsShortHeader = {"stream {1} has a short header", "ストリーム {1} のヘッダーが短すぎます"};
inline constexpr TextPair kStreamsEntryPastEnd = {
    "its index names data beyond the end of the file (entry {1})",
    "インデックスの指すデータがファイルの終わりを越えています（エントリ {1}）"};
// {1} the stream asked for, {2} the streams, {3} the last stream's number
inline constexpr TextPair kStreamsNoSuchStream = {
    "Stream {1}: the file has {2} streams, numbered 0 to {3} as tavrin info shows them",
    "ストリーム {1}: このファイルのストリームは {2} 個（tavrin info の番号で 0 から {3}）です"};

// Saving a stream (streams/extract_job.h): {1} the stream, {2} the file,
// {3} its format, {4} the chunks, {5} the stream's bytes.
inline constexpr TextPair kExtractCompleted = {
    "Completed: stream {1} saved as {2} ({3}, {4} chunks, {5} bytes of the stream)",
    "完了しました: ストリーム {1} を {2} に保存しました（{3}、{4} チャンク、ストリームの {5} バイト）"};
inline constexpr TextPair kExtractEmptyChunks = {"{1} chunks of size 0 held nothing and were left out",
                                                 "サイズ 0 のチャンク {1} 個は中身がないので除きました"};
// {1} the stream, {2} what it is saved as (below), {3} the extension asked for
inline constexpr TextPair kExtractWrongExtension = {"stream {1} is saved as {2}, not as .{3}",
                                                    "ストリーム {1} は .{3} ではなく {2}として保存されます"};
inline constexpr TextPair kExtractAsAvi = {"a one-stream .avi", "1 ストリームの .avi "};
inline constexpr TextPair kExtractAsExtension = {".{1} (or as a one-stream .avi)", ".{1}（または 1 ストリームの .avi）"};

// Keeping or dropping streams (streams/stream_select_job.h): {1} the streams
// kept, {2} the dropped ones' words (below) or nothing, {3} the file.
inline constexpr TextPair kSelectCompleted = {"Completed: {1} kept{2} in {3}",
                                              "完了しました: ストリーム {1} を残し{2} {3} に書き出しました"};
inline constexpr TextPair kSelectDropped = {", {1} dropped", "、ストリーム {1} を削除して"};
}  // namespace texts

#include "texts/streams_details.h"
