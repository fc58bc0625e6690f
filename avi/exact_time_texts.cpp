// Why a time text is not one (avi/exact_time.h), in both languages.
#include "avi/exact_time.h"

namespace {

const TextPair kTexts[int(TimeTextProblem::kCount)] = {
    /* kNone */ {"", ""},
    /* kEmpty */ {"no time is given", "時間が指定されていません"},
    /* kNotANumber */
    {"not a time: write seconds (95.5) or [H:]M:SS[.fff] (1:02:03.5)",
     "時間の形式に誤りがあります（秒 (95.5) または [時:]分:秒[.小数] (1:02:03.5) で指定してください）"},
    /* kSecondsNotTwoDigits */
    {"the seconds after a \":\" take two digits (1:05, not 1:5)", "「:」の後の秒は 2 桁で指定してください（1:5 ではなく 1:05）"},
    /* kSecondsOver59 */ {"the seconds after a \":\" go up to 59", "「:」の後の秒は 59 までです"},
    /* kMinutesOver59 */ {"the minutes after the hours go up to 59", "時間の後の分は 59 までです"},
};

}  // namespace

const TextPair& TimeTextProblemText(TimeTextProblem problem) {
  const int n = int(problem);
  return kTexts[n >= 0 && n < int(TimeTextProblem::kCount) ? n : 0];
}
