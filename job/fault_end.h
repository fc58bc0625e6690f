// How every job ends on a read fault of an input (avi/read_fault.h): with
// its own result for a device that failed to read (ReadError) or for an
// input that changed while it was read (cut, replaced, appended to), the
// fault in English for the command line's detail, and in the user's
// language below the job's message.
//
//   const FaultEnd<CutResult> end = EndOnFault(fault, englishUi, CutResult::ReadError, CutResult::InputChanged);
//   outcome.result = end.result; outcome.detail = end.detail; message += "\n\n" + end.why;
#pragma once
#include <string>

#include "avi/read_fault.h"

template <class Result>
struct FaultEnd {
  Result result;
  std::string detail;  // English
  std::string why;     // in the user's language
};

template <class Result>
FaultEnd<Result> EndOnFault(const ReadFault& fault, int englishUi, Result readError, Result changed) {
  return {fault.kind == ReadFault::ReadError ? readError : changed, DescribeReadFault(fault, 1),
          DescribeReadFault(fault, englishUi)};
}
