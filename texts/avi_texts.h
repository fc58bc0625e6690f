// The AVI format's texts (avi/), English and Japanese side by side.
#pragma once
#include "texts/text_pair.h"

namespace texts {

// Why an OpenDML file is refused (avi/odml_index.h), and where.
inline constexpr TextPair kOdmlTruncated = {"The file is cut short: it ends inside a RIFF list",
    "ファイルが途中で切れています（RIFF リストの途中で終わっています）"};
inline constexpr TextPair kOdmlNoMoviList = {"The file has no movi list",
    "ファイルに movi リストがありません"};
inline constexpr TextPair kOdmlTooManyStreams = {"The file has more than 10 streams",
    "ストリームが 10 を超えています"};
inline constexpr TextPair kOdmlStreamWithoutIndex = {"A stream has no OpenDML index (indx) while another has one",
    "OpenDML インデックス (indx) のないストリームがあります"};
inline constexpr TextPair kOdmlHeaderTooComplex = {"The file header holds too many index chunks",
    "ファイルヘッダーのインデックスチャンクが多すぎます"};
inline constexpr TextPair kOdmlBadSuperIndex = {"Broken OpenDML index: an indx chunk is not a valid index of indexes",
    "OpenDML インデックスが壊れています（indx チャンクが不正です）"};
inline constexpr TextPair kOdmlIndexPastEnd = {"Broken OpenDML index: an index points past the end of the file",
    "OpenDML インデックスが壊れています（インデックスがファイルの終わりより先を指しています）"};
inline constexpr TextPair kOdmlBadStandardIndex = {"Broken OpenDML index: an index entry points at no ix## index of its stream",
    "OpenDML インデックスが壊れています（インデックスの指す先がそのストリームの ix## インデックスではありません）"};
inline constexpr TextPair kOdmlFieldIndex = {"OpenDML field indexes (interlaced fields) are not supported",
    "フィールド単位の OpenDML インデックスには対応していません"};
inline constexpr TextPair kOdmlChunkPastEnd = {"Broken OpenDML index: an entry points past the end of the file",
    "OpenDML インデックスが壊れています（エントリーがファイルの終わりより先を指しています）"};
inline constexpr TextPair kOdmlWrongChunkId = {"Broken OpenDML index: an entry points at a chunk of another stream or at no chunk",
    "OpenDML インデックスが壊れています（エントリーの指す先が別のストリームのチャンクか、チャンクではありません）"};
inline constexpr TextPair kOdmlWrongChunkSize = {"Broken OpenDML index: an entry's size differs from its chunk's",
    "OpenDML インデックスが壊れています（エントリーのサイズがチャンクのサイズと違います）"};
inline constexpr TextPair kOdmlOutOfOrder = {"Broken OpenDML index: a stream's entries are not in file order",
    "OpenDML インデックスが壊れています（エントリーがファイルの順に並んでいません）"};
inline constexpr TextPair kOdmlOverlap = {"Broken OpenDML index: entries name the same chunk twice or overlapping chunks",
    "OpenDML インデックスが壊れています（同じチャンクか重なるチャンクを指すエントリーがあります）"};
inline constexpr TextPair kOdmlTooManyEntries = {"The file has more chunks than an AVI index can list",
    "チャンクの数が AVI インデックスの上限を超えています"};
inline constexpr TextPair kOdmlCancelled = {"Cancelled",
    "中止しました"};
// Why a time text is not one (avi/exact_time.h).
inline constexpr TextPair kTimeTextEmpty = {"no time is given",
    "時間が指定されていません"};
inline constexpr TextPair kTimeTextNotANumber = {"not a time: write seconds (95.5) or [H:]M:SS[.fff] (1:02:03.5)",
    "時間の形式に誤りがあります（秒 (95.5) または [時:]分:秒[.小数] (1:02:03.5) で指定してください）"};
inline constexpr TextPair kTimeTextSecondsNotTwoDigits = {"the seconds after a \":\" take two digits (1:05, not 1:5)",
    "「:」の後の秒は 2 桁で指定してください（1:5 ではなく 1:05）"};
inline constexpr TextPair kTimeTextSecondsOver59 = {"the seconds after a \":\" go up to 59",
    "「:」の後の秒は 59 までです"};
inline constexpr TextPair kTimeTextMinutesOver59 = {"the minutes after the hours go up to 59",
    "時間の後の分は 59 までです"};
inline constexpr TextPair kOdmlAtStreamByte = {" (stream %d, at byte %llu)", "（ストリーム %d、位置 %llu）"};
inline constexpr TextPair kOdmlAtByte = {" (at byte %llu)", "（位置 %llu）"};

// Why the key frames of a file cannot be listed (avi/key_frame_list.h).
inline constexpr TextPair kFramesNoVideo = {"The file has no video stream.", "映像ストリームがありません。"};
inline constexpr TextPair kFramesNoIndex = {"The file has no index (idx1): its frames cannot be found.",
                                            "インデックス（idx1）がないため、フレームを探せません。"};
inline constexpr TextPair kFramesNoVideoFrames = {"The index lists no video frame.", "インデックスに映像フレームがありません。"};

// A read that failed or met a changed file (avi/read_fault.h): {1} the path,
// {2} the byte or the size now, {3} the reason or the size before.
inline constexpr TextPair kReadFaultError = {"{1}: read error at byte {2}: {3}",
                                             "{1}: {2} バイト目で読み込みエラーが起きました: {3}"};
inline constexpr TextPair kReadFaultChanged = {"{1} changed while it was read: it is now {2}, it was {3}",
                                               "{1} は読み込み中に変更されました（現在 {2}、読み込み開始時 {3}）"};

// How a later file's streams differ from the first file's (avi/stream_format.h).
inline constexpr TextPair kKindVideo = {"video", "映像"};
inline constexpr TextPair kKindSound = {"sound", "音声"};
// {1} what differs, {2} the later file's, {3} the first file's.
inline constexpr TextPair kFormatDiffers = {"{1} {2}, the first file has {3}", "{1} {2}（最初のファイルは {3}）"};
inline constexpr TextPair kFormatKindDiffers = {"{1}{2}, the first file has {3}", "{1}{2}（最初のファイルは {3}）"};
inline constexpr TextPair kFormatStreamCount = {"{1} streams, the first file has {2}", "ストリーム数 {1}（最初のファイルは {2}）"};
inline constexpr TextPair kFormatStream = {"stream {1}: ", "ストリーム{1}: "};
inline constexpr TextPair kFormatCodec = {"codec", "コーデック"};
inline constexpr TextPair kFormatChunk = {"format chunk", "フォーマット"};
inline constexpr TextPair kFormatFrameSize = {"frame size", "フレームサイズ"};
inline constexpr TextPair kFormatBitDepth = {"bit depth", "色深度"};
inline constexpr TextPair kFormatSoundFormat = {"sound format", "音声フォーマット"};
inline constexpr TextPair kFormatChannels = {"channels", "チャンネル数"};
inline constexpr TextPair kFormatSampleRate = {"sample rate", "サンプリングレート"};
inline constexpr TextPair kFormatBlockAlign = {"block align", "ブロックアライン"};
inline constexpr TextPair kFormatSampleSize = {"sample size", "サンプルサイズ"};
inline constexpr TextPair kFormatFrameRate = {"frame rate", "フレームレート"};
inline constexpr TextPair kFormatRate = {"rate", "レート"};

// The facts line of a recording (avi/video_facts.h): {1} playing time,
// {2} frames, {3} fps, {4} codec, {5} key frames' average spacing in
// frames, {6} the longest spacing in frames, {7} the same in seconds.
// Two lines of the Split page hold it (a longer English line lost its end
// there, under the Time row).
inline constexpr TextPair kVideoFacts = {
    "{1}, {2} frames, {3} fps, {4}; key frames every {5} frames, at most {6} ({7} s)",
    "{1}、{2} フレーム、{3} fps、{4}、キーフレーム間隔 平均 {5}・最大 {6}（{7} 秒）"};
inline constexpr TextPair kVideoFactsNoKeyFrame = {"{1}, {2} frames at {3} fps, {4}; no key frame in the index",
    "{1}、{2} フレーム、{3} fps、{4}、インデックスにキーフレームがありません"};
inline constexpr TextPair kVideoFactsNoVideo = {"No video stream", "映像ストリームがありません"};

}  // namespace texts
