// The split's results: the number each reports and its message, English and
// Japanese side by side.
#include <cstddef>
#include <cstdio>

#include "io/file_system.h"
#include "job/result_table.h"
#include "share/split_result.h"
#include "texts/common_texts.h"
#include "texts/split_texts.h"

namespace {

constexpr int32_t kDependsOnEngine = 0;  // Cancelled: 0 or -1, see SplitResultNumber

using Row = ResultRow<SplitResult>;

constexpr Row kRows[] = {
    {SplitResult::Completed, 0,
     texts::kSplitCompleted},
    {SplitResult::Cancelled, kDependsOnEngine, kNoText},
    {SplitResult::OverlapInvalid, -1, texts::kSplitOverlapInvalid},
    {SplitResult::OverlapOutOfRange, -2,
     texts::kSplitOverlapOutOfRange},
    {SplitResult::SizeSplitUnavailable, -3, kNoText},
    {SplitResult::SizeSplitCompleted, -3, texts::kCompleted},
    {SplitResult::SizeSplitFailed, -3, texts::kError},
    {SplitResult::HoursInvalid, -5, texts::kSplitHoursInvalid},
    {SplitResult::MinutesInvalid, -6, texts::kSplitMinutesInvalid},
    {SplitResult::SecondsInvalid, -7, texts::kSplitSecondsInvalid},
    {SplitResult::TimeZero, -8, texts::kSplitTimeZero},
    {SplitResult::InputNotOpen, -9, texts::kSplitInputNotOpen},
    {SplitResult::InputTooLarge, -10, texts::kSplitInputTooLarge},
    {SplitResult::InputNotRiff, -13, texts::kAviFileNotRiff},
    {SplitResult::NoHeaderFields, 1, texts::kAviFileUnsupported},
    {SplitResult::NoStreams, 2, texts::kAviFileUnsupported},
    {SplitResult::BadStreamHeader, 3, texts::kAviFileUnsupported},
    {SplitResult::NoVideo, 4, texts::kAviFileUnsupported},
    {SplitResult::NoIndex, 5, texts::kAviFileUnsupported},
    {SplitResult::OpenDml, 6, texts::kAviFileUnsupported},
    {SplitResult::NoVideoEntries, 7, texts::kAviFileUnsupported},
    {SplitResult::NoKeyFrame, 9, texts::kSplitNoKeyFrame},
    {SplitResult::CannotCreateFirst, 11, texts::kCannotCreateFile},
    {SplitResult::CannotCreateSecond, 12, texts::kCannotCreateFile},
    {SplitResult::WriteFailed, 13, texts::kError},
    {SplitResult::OutputTooLarge, 14, texts::kError},
    {SplitResult::OverlapTooLong, 23, texts::kSplitOverlapTooLong},
    {SplitResult::OverlapAtFrameZero, 24,
     texts::kSplitCannotAtOverlap},
    {SplitResult::OverlapAtEntryZero, 25,
     texts::kSplitCannotAtOverlap},
    {SplitResult::TimeTooLong, 100, texts::kSplitTimeTooLong},
    {SplitResult::SizeAlreadyFits, 30, texts::kSplitSizeAlreadyFits},
    {SplitResult::SizeTooSmall, 31, texts::kSplitSizeTooSmall},
    {SplitResult::SizeInvalid, 32, texts::kSplitSizeInvalid},
    {SplitResult::ReadError, 15, texts::kCannotReadFile},
    {SplitResult::InputChanged, 16, texts::kSplitInputChanged},
};

// Every result has exactly one row, in the enumeration's order, and a
// message in both languages or in neither.
constexpr auto kTable = ResultTableOf(kRows);
static_assert(kTable.Complete(), "one row per SplitResult, in order, with both languages");

}  // namespace

const TextPair kSplitAnalyzing = texts::kAnalyzing;
const TextPair kSplitFileCreating = texts::kFileCreating;
const TextPair kSplitPlayerAdvice = texts::kSplitPlayerHint;

int32_t SplitResultNumber(SplitResult result, bool engineStarted) {
  if (result == SplitResult::Cancelled) return engineStarted ? -1 : 0;
  return kTable.Number(result);
}

const TextPair* SplitResultText(SplitResult result) { return kTable.Text(result); }

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

namespace {

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

// The name without its folder.
std::string BaseName(const std::string& path) { return path.substr(filesys::FolderOf(path).size()); }

}  // namespace

std::string SplitDoneText(const SplitOutcome& outcome, int englishUi) {
  const SplitFigures& f = outcome.figures;
  std::string text;
  const auto line = [&text](const std::string& more) { text += (text.empty() ? "" : "\n") + more; };
  if (outcome.wroteFirst)
    line(Fill(Pick(texts::kFileWritten, englishUi), {BaseName(outcome.firstOutput), std::to_string(f.firstBytes)}));
  if (outcome.wroteSecond)
    line(Fill(Pick(texts::kFileWritten, englishUi), {BaseName(outcome.secondOutput), std::to_string(f.secondBytes)}));
  if (!f.planned) return text;
  line(Fill(Pick(texts::kSplitCutAt, englishUi), {std::to_string(f.cutFrame), Seconds(f.cutSeconds),
                                                  std::to_string(f.secondStartFrame), Seconds(f.secondStartSeconds)}));
  if (!outcome.wroteSecond) return text;  // the overlap shapes the second file only
  const double reached = f.cutSeconds - f.secondStartSeconds;
  // The second file starts on a key frame: up to a group's length earlier
  // than asked (a millisecond is the figures' own rounding).
  const bool wider = reached > f.overlapAsked + 0.0005;
  line(Fill(Pick(wider ? texts::kSplitOverlapWider : texts::kSplitOverlapReached, englishUi),
            {Seconds(f.overlapAsked), Seconds(reached)}));
  return text;
}
