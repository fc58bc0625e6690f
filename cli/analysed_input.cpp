#include "cli/analysed_input.h"

#include <cstdint>

#include "avi/fourcc.h"
#include "avi/odml_index.h"
#include "avi/read_fault.h"
#include "avi/walk_sink.h"
#include "cli/path_limit.h"
#include "job/file_probe.h"

InputRefusal OpenAnalysed(const char* path, AviSource* input, AviAnalysis* analysis, WalkSink* sink) {
  uint64_t size = 0;
  std::string reason;
  if (ProbeInputFile(path, &size, &reason) != ProbeResult::Ok) return {reason};
  if (!input->Open(path)) return {input->File().OpenError()};
  // A read error or a change of the file under the run is said as such,
  // not as what the missing bytes would seem to show.
  const auto readFault = [&] { return InputRefusal{DescribeReadFault(input->File().Fault(), 1), true}; };
  const bool avi = input->File().U32At(0) == kRiff && input->File().U32At(8) == kAviForm;
  if (input->File().Fault()) return readFault();
  if (!avi) return {"not an AVI file (it does not begin with \"RIFF\" and \"AVI \")"};
  *analysis = AviAnalysis{};
  if (input->Analyse(*analysis, sink, 0, 10)) return {};
  if (sink && sink->Cancelled()) return {"cancelled"};
  if (input->File().Fault()) return readFault();
  return {"its OpenDML indexes cannot be read: " + DescribeOdmlFault(input->Fault(), 1)};
}

std::string InputOutputProblem(const std::string& path, const std::string& output) {
  for (const std::string* name : {&path, &output})
    if (!name->empty() && !PathUsableWhole(name->c_str())) return PathTooLong(name->c_str());
  if (!output.empty() && output == path) return "--output names the input";
  return "";
}
