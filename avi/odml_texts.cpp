// Why an OpenDML file is refused, in both languages.
#include <cstdio>

#include "avi/odml_index.h"
#include "texts/avi_texts.h"

namespace {

const TextPair kTexts[int(OdmlProblem::kCount)] = {
    /* kNone */ {"", ""},
    /* kTruncated */ texts::kOdmlTruncated,
    /* kNoMoviList */ texts::kOdmlNoMoviList,
    /* kTooManyStreams */ texts::kOdmlTooManyStreams,
    /* kStreamWithoutIndex */ texts::kOdmlStreamWithoutIndex,
    /* kHeaderTooComplex */ texts::kOdmlHeaderTooComplex,
    /* kBadSuperIndex */ texts::kOdmlBadSuperIndex,
    /* kIndexPastEnd */ texts::kOdmlIndexPastEnd,
    /* kBadStandardIndex */ texts::kOdmlBadStandardIndex,
    /* kFieldIndex */ texts::kOdmlFieldIndex,
    /* kChunkPastEnd */ texts::kOdmlChunkPastEnd,
    /* kWrongChunkId */ texts::kOdmlWrongChunkId,
    /* kWrongChunkSize */ texts::kOdmlWrongChunkSize,
    /* kOutOfOrder */ texts::kOdmlOutOfOrder,
    /* kOverlap */ texts::kOdmlOverlap,
    /* kTooManyEntries */ texts::kOdmlTooManyEntries,
    /* kCancelled */ texts::kOdmlCancelled,
};

}  // namespace

const TextPair& OdmlProblemText(OdmlProblem problem) {
  int i = int(problem);
  return kTexts[i >= 0 && i < int(OdmlProblem::kCount) ? i : 0];
}

std::string DescribeOdmlFault(const OdmlFault& fault, int englishUi) {
  std::string text = Pick(OdmlProblemText(fault.problem), englishUi);
  if (fault.problem == OdmlProblem::kNone || fault.problem == OdmlProblem::kCancelled) return text;
  char where[96];
  unsigned long long at = fault.position;
  if (fault.stream >= 0)
    std::snprintf(where, sizeof where, Pick(texts::kOdmlAtStreamByte, englishUi),
                  fault.stream, at);
  else
    std::snprintf(where, sizeof where, Pick(texts::kOdmlAtByte, englishUi), at);
  return text + where;
}
