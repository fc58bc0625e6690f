// The sound files' and sound streams' texts (sound/), English and Japanese
// side by side: why a sound cannot be put into a file.
#pragma once
#include "texts/text_pair.h"

namespace texts {

// A WAV file (sound/wav_file.h).
inline constexpr TextPair kWavFmtTooShort = {"its fmt chunk is too short", "fmt チャンクが短すぎます"};
inline constexpr TextPair kWavNoPcm = {"it holds no PCM (format tag {1})", "PCM ではありません（フォーマットタグ {1}）"};
// {1} the channels (in English "2 channels", in Japanese the number), {2} the
// sample rate, {3} the block's bytes.
inline constexpr TextPair kWavUnstatable = {
    "its format states {1} at {2} Hz in blocks of {3} bytes: no sound an AVI header can state",
    "フォーマットが {1} チャンネル、{2} Hz、ブロック {3} バイトで、AVI のヘッダーに書けません"};
inline constexpr TextPair kWavByteRateTooHigh = {"its byte rate is more than an AVI header can state",
                                                 "バイトレートが AVI のヘッダーに書ける値を超えています"};
inline constexpr TextPair kWavNotWav = {"no WAV file (no RIFF WAVE header)", "WAV ファイルではありません"};
inline constexpr TextPair kWavNothingAfterHeader = {"it holds nothing after its header", "ヘッダーの後に何もありません"};
// {1}: "data" or "fmt"
inline constexpr TextPair kWavNoChunk = {"it has no {1} chunk (cut short?)", "{1} チャンクがありません（途中で切れている？）"};
// {1} the bytes the data chunk says, {2} the bytes the file holds
inline constexpr TextPair kWavDataCutShort = {
    "its data chunk says {1} bytes, the file holds {2} (cut short)",
    "data チャンクは {1} バイトですが、ファイルには {2} バイトしかありません（途中で切れています）"};
// {1} the data's bytes, {2} a sample's
inline constexpr TextPair kWavDataNotWholeSamples = {"its data ({1} bytes) is not whole samples of {2} bytes",
                                                     "data（{1} バイト）が {2} バイトのサンプルで割り切れません"};
inline constexpr TextPair kWavNoSamples = {"it holds no samples", "サンプルがありません"};

// Any sound file (sound/sound_file.h).
inline constexpr TextPair kSoundFileEmpty = {"the file is empty", "ファイルが空です"};

// A file of frames, MP3/MP2 or AC-3 (sound/frame_file.h): {1} the byte,
// {2} the frames before it.
inline constexpr TextPair kNoFrameAt = {"no frame at byte {1} (after {2} frames)",
                                        "{1} バイト目がフレームではありません（{2} フレームの後）"};
// {1} the byte, {2} the frame's bytes, {3} the bytes left in the file
inline constexpr TextPair kLastFrameCutShort = {
    "the last frame, at byte {1}, is cut short: {2} bytes, the file ends after {3}",
    "{1} バイト目の最後のフレームが途中で切れています（{2} バイトのうち {3} バイト）"};
inline constexpr TextPair kNoFrames = {"it holds no frame", "フレームがありません"};
inline constexpr TextPair kMpegTagOnly = {"it holds a tag and no sound", "タグだけで音声がありません"};
inline constexpr TextPair kMpegNoFrame = {"no MPEG audio frame in it", "MPEG オーディオのフレームがありません"};

// A sound stream of an AVI file (sound/avi_stream_sound.h): {1} the stream.
inline constexpr TextPair kStreamNotSound = {"stream {1} is no sound stream with a format",
                                             "ストリーム {1} はフォーマットのある音声ストリームではありません"};
inline constexpr TextPair kStreamNoRate = {"stream {1} has no rate (dwRate or dwScale is 0)",
                                           "ストリーム {1} にレートがありません（dwRate か dwScale が 0）"};
inline constexpr TextPair kStreamNoSound = {"stream {1} holds no sound", "ストリーム {1} に音声がありません"};

}  // namespace texts
