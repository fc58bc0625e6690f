// The results of the stream commands: the number each reports and its
// message, English and Japanese side by side.
#include <cstddef>

#include "streams/streams_result.h"

namespace {

struct Row {
  StreamsResult result;
  int32_t number;
  bool usage;
  TextPair text;
};

constexpr Row kRows[] = {
    {StreamsResult::Completed, 0, false, {nullptr, nullptr}},
    {StreamsResult::Cancelled, -1, false, {nullptr, nullptr}},
    {StreamsResult::KeepAndDrop, 1, true, {"Streams to keep and streams to drop do not mix: name one kind",
                                           "残すストリームと削除するストリームは同時に指定できません"}},
    {StreamsResult::NoStreamNamed, 2, true, {"No stream named: give the stream numbers that tavrin info shows",
                                             "ストリームが指定されていません。tavrin info が示すストリーム番号を指定してください"}},
    {StreamsResult::NameIsInput, 3, true, {"Can't Create File (the output would replace the input file)",
                                           "ファイルが作成できません（出力ファイルが元のファイルと同じです）"}},
    {StreamsResult::NoOutputName, 4, false, {"Can't Create save file name", "出力ファイル名を作成できません"}},
    {StreamsResult::InputNotOpen, 5, false, {"File not open", "ファイルが開けません"}},
    {StreamsResult::InputNotRiff, 6, false, {"Avi File?", "ファイルの解析に失敗しました"}},
    {StreamsResult::Unsupported, 7, false, {"Avi File??? (its streams cannot be read)",
                                            "未対応のファイルです（ストリームが読めません）"}},
    {StreamsResult::OpenDml, 8, false, {"Avi File??? (its OpenDML index cannot be read)",
                                        "未対応のファイルです（OpenDML インデックスが読めません）"}},
    {StreamsResult::Damaged, 9, false, {"The file is damaged", "ファイルが壊れています"}},
    {StreamsResult::NoSuchStream, 10, false, {"No such stream in the file", "指定されたストリームがありません"}},
    {StreamsResult::NothingKept, 11, false, {"Nothing would be kept: every stream of the file would be dropped",
                                             "すべてのストリームが削除されるので、何も残りません"}},
    {StreamsResult::WrongExtension, 12, false, {"The output's extension does not fit the stream",
                                                "出力ファイルの拡張子がストリームの種類と合いません"}},
    {StreamsResult::AacConfig, 13, false, {"This AAC stream cannot be saved as an .aac file",
                                           "この AAC ストリームは .aac ファイルとして保存できません"}},
    {StreamsResult::CannotWrite, 14, false, {"Can't Create File", "ファイルが作成できません"}},
    {StreamsResult::TooLarge, 15, false, {"Can't Create File (the output cannot be laid out)",
                                          "ファイルが作成できません（出力ファイルを構成できません）"}},
    {StreamsResult::ReadError, 16, false, {"Can't Read File", "ファイルが読み込めません"}},
    {StreamsResult::InputChanged, 17, false, {"Can't Write: the file changed while it was read",
                                              "書き出せません: 読み込み中にファイルが変更されました"}},
};

constexpr bool TableComplete() {
  if (sizeof kRows / sizeof kRows[0] != size_t(StreamsResult::Count)) return false;
  for (size_t i = 0; i < sizeof kRows / sizeof kRows[0]; ++i) {
    if (size_t(kRows[i].result) != i) return false;
    if ((kRows[i].text.english == nullptr) != (kRows[i].text.japanese == nullptr)) return false;
    if ((kRows[i].number == 0) != (i == 0)) return false;
  }
  return true;
}
static_assert(TableComplete(), "every stream result has one row, in order, with both texts");

}  // namespace

const TextPair kStreamsAnalyzing = {"Analyzing", "ファイル解析中"};
const TextPair kStreamsWriting = {"File Creating", "ファイル作成中"};

int32_t StreamsResultNumber(StreamsResult result) { return kRows[size_t(result)].number; }

const TextPair* StreamsResultText(StreamsResult result) {
  const TextPair& text = kRows[size_t(result)].text;
  return text.english ? &text : nullptr;
}

bool IsStreamsUsageRefusal(StreamsResult result) { return kRows[size_t(result)].usage; }
