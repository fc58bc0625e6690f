#include "cut/exact_split.h"

#include "share/number_field.h"

namespace {

// The split point as the fields give it; false when one is no number.
bool SplitPoint(const ExactSplitFields& fields, ExactTime* time) {
  ExactTime h, m, s;
  for (auto field : {std::make_pair(&fields.hours, &h), std::make_pair(&fields.minutes, &m),
                     std::make_pair(&fields.seconds, &s)})
    if (!field.first->empty() && !ParseNumberField(field.first->c_str(), field.second)) return false;
  *time = (h * 60 + m) * 60 + s;
  return true;
}

}  // namespace

std::string MakeExactSplitRequest(const ExactSplitFields& fields, CutRequest* request) {
  request->path = fields.path;
  request->separate = true;
  request->exact = true;
  ExactTime overlap;
  if (!fields.overlap.empty() && !ParseNumberField(fields.overlap.c_str(), &overlap))
    return "--overlap is no number of seconds";
  if (overlap > ExactTime(60)) return "--overlap is at most 60 seconds";
  if (fields.byEvery) {
    if (!ParseNumberField(fields.every.c_str(), &request->every) || request->every.IsZero())
      return "--every needs a time above 0 seconds";
    request->byEvery = true;
    request->everyOverlap = overlap;
    return "";
  }
  ExactTime at;
  if (!SplitPoint(fields, &at) || at.IsZero()) return "the split point (--hours, --minutes, --seconds) is no time above 0";
  if (fields.first) {
    AskedRange first;
    first.end = RangeBound::Time(at);
    first.text = "-split point";
    request->ranges.push_back(first);
  } else {
    request->firstNumber = 2;  // the 2nd file alone keeps its name
  }
  if (fields.second) {
    AskedRange second;
    second.start = RangeBound::Time(at > overlap ? at - overlap : ExactTime());
    second.text = "split point-";
    request->ranges.push_back(second);
  }
  return "";
}
