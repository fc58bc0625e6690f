// The cut's texts, English and Japanese side by side.
#pragma once
#include "texts/common_texts.h"

namespace texts {

inline constexpr TextPair kCutNoRange = {"No range to cut: name the ranges to keep or to drop",
    "範囲がありません。残す範囲か削除する範囲を指定してください"};
inline constexpr TextPair kCutKeepAndDrop = {"Ranges to keep and ranges to drop do not mix: name one kind",
    "残す範囲と削除する範囲は同時に指定できません"};
inline constexpr TextPair kCutRangeInvalid = {"Not a range: give START-END, each time in seconds or [H:]M:SS",
    "範囲ではありません。開始-終了を秒または [時:]分:秒 で指定してください"};
inline constexpr TextPair kCutRangeEmpty = {"A range ends before it starts (END must come after START)",
    "範囲の終了が開始より前です（終了は開始より後にしてください）"};
inline constexpr TextPair kCutListUnreadable = {"The cut list cannot be read",
    "カットリストが読み込めません"};
inline constexpr TextPair kCutListBadLine = {"The cut list has a line that is not a range",
    "カットリストに範囲でない行があります"};
inline constexpr TextPair kCutNameIsInput = {"Can't Create File (an output would replace the input file)",
    "ファイルが作成できません（出力ファイルが元のファイルと同じです）"};
inline constexpr TextPair kCutUnsupported = {"Avi File??? (this file cannot be cut)",
    "未対応のファイルです（カットできません）"};
inline constexpr TextPair kCutStartsAfterEnd = {"A range starts after the end of the recording",
    "範囲の開始が録画の終わりより後です"};
inline constexpr TextPair kCutNothingKept = {"Nothing would be kept: the ranges dropped cover the whole recording",
    "削除する範囲が録画全体を覆うので、何も残りません"};
inline constexpr TextPair kCutTooLarge = {"Can't Create File (the index names more data than the file holds)",
    "ファイルが作成できません（インデックスが実際より多くのデータを指しています）"};
inline constexpr TextPair kCutInputChanged = {"Can't Cut: the file changed while it was read",
    "カットできません: 読み込み中にファイルが変更されました"};
inline constexpr TextPair kCutNotExact = {
    "Can't cut exactly: this video's codec cannot be re-encoded at the cut (the key-frame cut, without the exact option, works)",
    "正確なカットができません: この映像のコーデックはカット位置で再エンコードできません（正確なカットを使わないキーフレームでのカットはできます）"};

// Why a line of a cut list is no range (cut/cut_list.h).
inline constexpr TextPair kCutListStartUpper = {"START", "開始"};
inline constexpr TextPair kCutListEndUpper = {"END", "終了"};
inline constexpr TextPair kCutListStartLower = {"start", "開始"};
inline constexpr TextPair kCutListEndLower = {"end", "終了"};
// {1} which time (above), {2} the text, {3} why it is no time
inline constexpr TextPair kCutListNoTime = {"{1} \"{2}\" is no time: {3}", "{1}「{2}」は時間ではありません: {3}"};
// The cut job's own texts (cut/cut_job.h).
// {1} the list, {2} the line, {3} what is wrong with it
inline constexpr TextPair kCutListLine = {"{1}, line {2}: {3}", "{1} の {2} 行目: {3}"};
// {1} the range as asked, {2} the recording's length, {3} its frames
inline constexpr TextPair kCutRecordingLength = {"\"{1}\": the recording is {2} long ({3} frames)",
                                                "「{1}」: 録画の長さは {2}（{3} フレーム）です"};
// {1} the ranges, {2} " range" or " ranges", {3} the frames kept, {4} their
// time, {5} the files, {6} " file" or " files", {7} the frames dropped, {8}
// " frame" or " frames" (kept), {9} the same (dropped)
inline constexpr TextPair kCutCompleted = {
    "Completed: {1}{2} kept ({3}{8}, {4}) in {5}{6}; {7}{9} dropped",
    "完了しました: {1} 個の範囲（{3} フレーム、{4}）を {5} 個のファイルに残し、{7} フレームを削除しました"};
// {1} the range as asked
inline constexpr TextPair kCutDropsNothing = {"\"{1}\" drops nothing: it holds no whole key-frame group",
                                              "「{1}」はキーフレームの区切りを丸ごと含まないので、何も削除されません"};
// {1} the frames made anew, {2} the seams
// {1} the frames made anew, {2} " frame" or " frames", {3} the seams, {4}
// " seam" or " seams" (Japanese counts without a plural)
inline constexpr TextPair kCutReencoded = {"{1}{2} re-encoded at {3}{4}",
                                           "{3} か所のつなぎ目で {1} フレームを再エンコードしました"};
// {1} the range's number, {2} why its seam did not hold
inline constexpr TextPair kCutSeamFellBack = {"Range {1} starts on the key frame before it: {2}",
                                              "範囲 {1} はその前のキーフレームから始まります: {2}"};
// An exact cut's compressed sound, cut at whole frames, off the picture by
// more than a frame: {1} the range's number, {2} milliseconds, {3} the stream
inline constexpr TextPair kCutSoundLate = {
    "Range {1}: its sound (stream {3}, cut at whole frames) plays {2} ms late against the picture",
    "範囲 {1}: 音声 (ストリーム {3}、フレーム単位で切りました) が映像より {2} ms 遅れて再生されます"};
inline constexpr TextPair kCutSoundEarly = {
    "Range {1}: its sound (stream {3}, cut at whole frames) plays {2} ms early against the picture",
    "範囲 {1}: 音声 (ストリーム {3}、フレーム単位で切りました) が映像より {2} ms 早く再生されます"};
}  // namespace texts

#include "texts/cut_details.h"
