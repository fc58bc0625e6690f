// Why a time text is not one (avi/exact_time.h), in both languages.
#include "avi/exact_time.h"
#include "texts/avi_texts.h"

namespace {

const TextPair kTexts[int(TimeTextProblem::kCount)] = {
    /* kNone */ {"", ""},
    /* kEmpty */ texts::kTimeTextEmpty,
    /* kNotANumber */ texts::kTimeTextNotANumber,
    /* kSecondsNotTwoDigits */ texts::kTimeTextSecondsNotTwoDigits,
    /* kSecondsOver59 */ texts::kTimeTextSecondsOver59,
    /* kMinutesOver59 */ texts::kTimeTextMinutesOver59,
};

}  // namespace

const TextPair& TimeTextProblemText(TimeTextProblem problem) {
  const int n = int(problem);
  return kTexts[n >= 0 && n < int(TimeTextProblem::kCount) ? n : 0];
}
