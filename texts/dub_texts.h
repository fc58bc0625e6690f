// The dub and shift jobs' texts, English and Japanese side by side.
#pragma once
#include "texts/common_texts.h"

namespace texts {

inline constexpr TextPair kDubReplaceAndAdd = {"Replace a stream or add one: not both",
    "ストリームの置き換えと追加は同時に指定できません"};
inline constexpr TextPair kDubOffsetInvalid = {"Not an offset: give a signed time in seconds or [H:]M:SS (-1.5, 0:02.5)",
    "オフセットではありません。符号付きの時間を秒または [時:]分:秒 で指定してください"};
inline constexpr TextPair kDubChooseStream = {"The file has several sound streams: name the one to replace, or add a stream",
    "音声ストリームが複数あります。置き換えるストリームを指定するか、追加を指定してください"};
inline constexpr TextPair kDubNameIsInput = {"Can't Create File (the output would replace an input file)",
    "ファイルが作成できません（出力ファイルが入力ファイルと同じです）"};
inline constexpr TextPair kDubNotSoundStream = {"That stream holds no sound",
    "そのストリームは音声ではありません"};
inline constexpr TextPair kDubTooManyStreams = {"The file has no room for another stream",
    "これ以上ストリームを追加できません"};
inline constexpr TextPair kDubUnsupported = {"Avi File??? (no sound can be put into this file)",
    "未対応のファイルです（音声を入れられません）"};
inline constexpr TextPair kDubSoundNotOpen = {"The sound file cannot be opened",
    "音声ファイルが開けません"};
inline constexpr TextPair kDubSoundUnusable = {"Not a sound file that can be put in (WAV with PCM, MP3/MP2, AC-3)",
    "入れられる音声ファイルではありません（PCM の WAV、MP3/MP2、AC-3）"};
inline constexpr TextPair kDubSoundTruncated = {"The sound file is cut short",
    "音声ファイルが途中で切れています"};
inline constexpr TextPair kDubSoundEmpty = {"The sound file holds no sound",
    "音声ファイルに音声がありません"};
inline constexpr TextPair kDubOffsetTakesAll = {"The offset would take off all the sound",
    "オフセットで音声がすべてなくなります"};
inline constexpr TextPair kDubInputChanged = {"Can't Write: an input changed while it was read",
    "書き出せません: 読み込み中に入力ファイルが変更されました"};

// The dub job's own texts (dub/dub_job.h).
// {1} the last stream's number
inline constexpr TextPair kDubStreamsRange = {"Streams 0 to {1}", "ストリームは 0 から {1} までです"};
// {1} the stream, {2} the sound's kind, {3} its seconds
inline constexpr TextPair kDubMoved = {"Completed: stream {1} moved ({2}, {3} s)", "完了しました: ストリーム {1} をずらしました（{2}、{3} 秒）"};
inline constexpr TextPair kDubReplaced = {"Completed: stream {1} replaced ({2}, {3} s)",
                                          "完了しました: ストリーム {1} を置き換えました（{2}、{3} 秒）"};
inline constexpr TextPair kDubAdded = {"Completed: stream {1} added ({2}, {3} s)", "完了しました: ストリーム {1} を追加しました（{2}、{3} 秒）"};
// {1} the sound's seconds, {2} the picture's
inline constexpr TextPair kDubSoundLonger = {"The sound ({1} s) is longer than the picture ({2} s): kept whole",
                                             "音声（{1} 秒）は映像（{2} 秒）より長いので、そのまま全部入れました"};
// {1} the offset as asked, {2} how it was made (below), {3} the seconds reached
inline constexpr TextPair kDubOffset = {"Offset {1}: {2}, {3} s reached", "オフセット {1}: {2}、{3} 秒ずらしました"};
// {1} the samples or frames
inline constexpr TextPair kDubOffsetSilence = {"{1} samples of silence put in front", "{1} サンプルの無音を前に入れ"};
inline constexpr TextPair kDubOffsetTrim = {"{1} samples taken off the front", "先頭から {1} サンプルを削り"};
inline constexpr TextPair kDubOffsetFrames = {"{1} frames taken off the front", "先頭から {1} フレームを削り"};
inline constexpr TextPair kDubOffsetStart = {"the stream starts at {1} (dwStart)", "ストリームの開始を {1}（dwStart）にし"};
}  // namespace texts
