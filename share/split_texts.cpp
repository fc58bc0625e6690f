// The split's results: the number each reports and its message, English and
// Japanese side by side.
#include <cstddef>

#include "share/split_result.h"

namespace {

constexpr const char* kNone = nullptr;
constexpr int32_t kDependsOnEngine = 0;  // Cancelled: 0 or -1, see SplitResultNumber

struct Row {
  SplitResult result;
  int32_t number;
  TextPair text;  // {nullptr, nullptr}: no message
};

constexpr Row kRows[] = {
    {SplitResult::Completed, 0,
     {"Completed\n\nIf 2nd file can't be played,\nUse Windows Media Player 6\n"
      "(Program Files\\Windows Media Player\\Mplayer2.exe)",
      "操作完了\n\n（分解後半部のみ再生に失敗する場合は\nWindows Media Player 6 をご使用ください\n"
      "詳細はヘルプファイル参照のこと）"}},
    {SplitResult::Cancelled, kDependsOnEngine, {kNone, kNone}},
    {SplitResult::OverlapInvalid, -1, {"[Overlap] bad value", "「オーバーラップ」入力値に誤りがあります"}},
    {SplitResult::OverlapOutOfRange, -2,
     {"[Overlap] bad value(0-60)", "「オーバーラップ」入力値に誤りがあります(0-60)"}},
    {SplitResult::SizeSplitUnavailable, -3, {kNone, kNone}},
    {SplitResult::SizeSplitCompleted, -3, {"Completed", "操作完了"}},
    {SplitResult::SizeSplitFailed, -3, {"Error", "エラー"}},
    {SplitResult::HoursInvalid, -5, {"[hr] bad value", "「時間」入力値に誤りがあります"}},
    {SplitResult::MinutesInvalid, -6, {"[min] bad value", "「分」入力値に誤りがあります"}},
    {SplitResult::SecondsInvalid, -7, {"[sec] bad value", "「秒」入力値に誤りがあります"}},
    {SplitResult::TimeZero, -8, {"[Time] bad value", "「時間指定」の入力値に誤りがあります"}},
    {SplitResult::InputNotOpen, -9, {"File not open", "「分解元ファイル」が開けません"}},
    {SplitResult::InputTooLarge, -10, {"File size is too large", "「分解元ファイル」のサイズが大きすぎます"}},
    {SplitResult::InputNotRiff, -13, {"Avi File?", "ファイルの解析に失敗しました"}},
    {SplitResult::NoHeaderFields, 1, {"Avi File???", "未対応のファイルです"}},
    {SplitResult::NoStreams, 2, {"Avi File???", "未対応のファイルです"}},
    {SplitResult::BadStreamHeader, 3, {"Avi File???", "未対応のファイルです"}},
    {SplitResult::NoVideo, 4, {"Avi File???", "未対応のファイルです"}},
    {SplitResult::NoIndex, 5, {"Avi File???", "未対応のファイルです"}},
    {SplitResult::OpenDml, 6, {"Avi File???", "未対応のファイルです"}},
    {SplitResult::NoVideoEntries, 7, {"Avi File???", "未対応のファイルです"}},
    {SplitResult::NoKeyFrame, 9, {"Can't Split at [Time]", "「時間指定」値で分解できません"}},
    {SplitResult::CannotCreateFirst, 11, {"Can't Create File", "ファイルが作成できません"}},
    {SplitResult::CannotCreateSecond, 12, {"Can't Create File", "ファイルが作成できません"}},
    {SplitResult::WriteFailed, 13, {"Error", "エラー"}},
    {SplitResult::OutputTooLarge, 14, {"Error", "エラー"}},
    {SplitResult::OverlapTooLong, 23, {"[Overlap] is too long", "「オーバーラップ」値が長すぎます"}},
    {SplitResult::OverlapAtFrameZero, 24,
     {"Can't Split at [Overlap]", "指定「オーバーラップ」値で分解できません"}},
    {SplitResult::OverlapAtEntryZero, 25,
     {"Can't Split at [Overlap]", "指定「オーバーラップ」値で分解できません"}},
    {SplitResult::TimeTooLong, 100, {"[Time] is too long", "「時間指定」値が長すぎます"}},
    {SplitResult::SizeAlreadyFits, 30, {"File already fits in [File size]", "ファイルは既に「サイズ指定」値以内です"}},
    {SplitResult::SizeTooSmall, 31, {"[File size] is too small", "「サイズ指定」値が小さすぎます"}},
    {SplitResult::SizeInvalid, 32, {"[File size] bad value", "「サイズ指定」入力値に誤りがあります"}},
    {SplitResult::ReadError, 15, {"Can't Read File", "ファイルが読み込めません"}},
    {SplitResult::InputChanged, 16, {"Can't Split: the file changed while it was read",
                                     "分解できません：ファイルが読み込み中に変更されました"}},
};

// Every result has exactly one row, in the enumeration's order, and a
// message in both languages or in neither.
constexpr bool TableComplete() {
  if (sizeof kRows / sizeof kRows[0] != size_t(SplitResult::Count)) return false;
  for (size_t i = 0; i < sizeof kRows / sizeof kRows[0]; ++i) {
    if (size_t(kRows[i].result) != i) return false;
    if ((kRows[i].text.english == nullptr) != (kRows[i].text.japanese == nullptr)) return false;
  }
  return true;
}
static_assert(TableComplete(), "one row per SplitResult, in order, with both languages");

}  // namespace

const TextPair kSplitAnalyzing = {"Analyzing", "ファイル解析中"};
const TextPair kSplitFileCreating = {"File Creating", "ファイル作成中"};

int32_t SplitResultNumber(SplitResult result, bool engineStarted) {
  if (result == SplitResult::Cancelled) return engineStarted ? -1 : 0;
  return kRows[size_t(result)].number;
}

const TextPair* SplitResultText(SplitResult result) {
  const TextPair& text = kRows[size_t(result)].text;
  return text.english ? &text : nullptr;
}

const char* SplitStructureDetail(SplitResult result) {
  switch (result) {
    case SplitResult::NoHeaderFields: return "no RIFF header, avih main header or movi list found";
    case SplitResult::NoStreams: return "no stream header (strh)";
    case SplitResult::BadStreamHeader: return "a stream header is too short or out of order";
    case SplitResult::NoVideo: return "no video stream";
    case SplitResult::NoIndex: return "no idx1 index";
    case SplitResult::OpenDml: return "OpenDML index (indx): not supported";
    case SplitResult::NoVideoEntries: return "the idx1 index lists no video frame";
    default: return nullptr;
  }
}
