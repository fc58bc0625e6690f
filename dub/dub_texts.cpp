// The results of the dub and shift jobs: the number each reports and its
// message, English and Japanese side by side.
#include <cstddef>

#include "dub/dub_job.h"

namespace {

struct Row {
  DubResult result;
  int32_t number;
  bool usage;
  TextPair text;
};

constexpr Row kRows[] = {
    {DubResult::Completed, 0, false, {nullptr, nullptr}},
    {DubResult::Cancelled, -1, false, {nullptr, nullptr}},
    {DubResult::ReplaceAndAdd, 1, true, {"Replace a stream or add one: not both", "ストリームの置き換えと追加は同時に指定できません"}},
    {DubResult::OffsetInvalid, 2, true, {"Not an offset: give a signed time in seconds or [H:]M:SS (-1.5, 0:02.5)",
                                          "オフセットではありません。符号付きの時間を秒または [時:]分:秒 で指定してください"}},
    {DubResult::ChooseStream, 3, true, {"The file has several sound streams: name the one to replace, or add a stream",
                                         "音声ストリームが複数あります。置き換えるストリームを指定するか、追加を指定してください"}},
    {DubResult::NameIsInput, 4, true, {"Can't Create File (the output would replace an input file)",
                                        "ファイルが作成できません（出力ファイルが入力ファイルと同じです）"}},
    {DubResult::NoOutputName, 5, false, {"Can't Create save file name", "出力ファイル名を作成できません"}},
    {DubResult::NoSuchStream, 6, false, {"No such stream in the file", "指定されたストリームがありません"}},
    {DubResult::NotSoundStream, 7, false, {"That stream holds no sound", "そのストリームは音声ではありません"}},
    {DubResult::TooManyStreams, 8, false, {"The file has no room for another stream", "これ以上ストリームを追加できません"}},
    {DubResult::InputNotOpen, 9, false, {"File not open", "ファイルが開けません"}},
    {DubResult::InputNotRiff, 10, false, {"Avi File?", "ファイルの解析に失敗しました"}},
    {DubResult::Unsupported, 11, false, {"Avi File??? (no sound can be put into this file)",
                                          "未対応のファイルです（音声を入れられません）"}},
    {DubResult::OpenDml, 12, false, {"Avi File??? (its OpenDML index cannot be read)",
                                      "未対応のファイルです（OpenDML インデックスが読めません）"}},
    {DubResult::Damaged, 13, false, {"The file is damaged", "ファイルが壊れています"}},
    {DubResult::SoundNotOpen, 14, false, {"The sound file cannot be opened", "音声ファイルが開けません"}},
    {DubResult::SoundUnusable, 15, false, {"Not a sound file that can be put in (WAV with PCM, MP3/MP2, AC-3)",
                                           "入れられる音声ファイルではありません（PCM の WAV、MP3/MP2、AC-3）"}},
    {DubResult::SoundTruncated, 16, false, {"The sound file is cut short", "音声ファイルが途中で切れています"}},
    {DubResult::SoundEmpty, 17, false, {"The sound file holds no sound", "音声ファイルに音声がありません"}},
    {DubResult::OffsetTakesAll, 18, false, {"The offset would take off all the sound", "オフセットで音声がすべてなくなります"}},
    {DubResult::CannotWrite, 19, false, {"Can't Create File", "ファイルが作成できません"}},
    {DubResult::TooLarge, 20, false, {"Can't Create File (the output cannot be laid out)",
                                       "ファイルが作成できません（出力ファイルを構成できません）"}},
    {DubResult::ReadError, 21, false, {"Can't Read File", "ファイルが読み込めません"}},
    {DubResult::InputChanged, 22, false, {"Can't Write: an input changed while it was read",
                                          "書き出せません: 読み込み中に入力ファイルが変更されました"}},
};

constexpr bool TableComplete() {
  if (sizeof kRows / sizeof kRows[0] != size_t(DubResult::Count)) return false;
  for (size_t i = 0; i < sizeof kRows / sizeof kRows[0]; ++i) {
    if (size_t(kRows[i].result) != i) return false;
    if ((kRows[i].text.english == nullptr) != (kRows[i].text.japanese == nullptr)) return false;
    if ((kRows[i].number == 0) != (i == 0)) return false;
  }
  return true;
}
static_assert(TableComplete(), "every dub result has one row, in order, with both texts");

}  // namespace

const TextPair kDubAnalyzing = {"Analyzing", "ファイル解析中"};
const TextPair kDubWriting = {"File Creating", "ファイル作成中"};

int32_t DubResultNumber(DubResult result) { return kRows[size_t(result)].number; }

const TextPair* DubResultText(DubResult result) {
  const TextPair& text = kRows[size_t(result)].text;
  return text.english ? &text : nullptr;
}

bool IsDubUsageRefusal(DubResult result) { return kRows[size_t(result)].usage; }
