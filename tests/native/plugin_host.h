// A test host that stands in for the window with its plug-in: the size split
// and the joined file of a merge are handed to the steps below, as the
// window hands them to TavrinD.dll.
//   - pluginPresent: a stand-in that records each call's two numbers and
//     answers pluginResult without doing anything;
//   - doPluginWork: a plug-in that does the work through the core, as
//     TavrinD.dll does (app/channel_work.cpp); what came of it is in
//     pluginDone.
// With neither, there is no plug-in: a size split ends SizeSplitUnavailable and
// a merge reports its summary.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "job/native_sink.h"
#include "merge/merge_output.h"
#include "merge/merge_request.h"
#include "split/size_split.h"
#include "split/split_engine.h"
#include "split/split_job.h"
#include "split/split_request.h"

struct PluginDone {
  int32_t sizeSplitNumber = 0;  // the size split's own result number
  bool cancelled = false;
  std::string written;          // the joined file written
};

class TestHost : public NativeSink {
 public:
  bool pluginPresent = false;
  int32_t pluginResult = 0;
  std::vector<std::pair<int32_t, int32_t>> pluginCalls;
  std::function<void(NativeSink&)> onPlugin;
  bool doPluginWork = false;
  PluginDone pluginDone;
  // The answer to "replace these files?" (unset: Yes, as the command line).
  std::function<bool(const std::vector<std::string>&)> onMayReplace;

  bool MayReplace(const std::vector<std::string>& existing) override {
    return onMayReplace ? onMayReplace(existing) : true;
  }

  SizeSplitStep SizeSplit() {
    return [this](const SplitRequest& request, const TimeSplit& checked, JobSink&) {
      SplitOutcome done;
      int32_t result = 1;
      if (!Call(int32_t(checked.create), int32_t(checked.overlap.whole), &result)) {
        done.result = SplitResult::SizeSplitUnavailable;
      } else if (doPluginWork) {
        const SplitOutcome outcome = RunSizeSplit(request, *this);
        pluginDone.sizeSplitNumber = outcome.Number();
        pluginDone.cancelled = outcome.result == SplitResult::Cancelled;
        // The plug-in's answer is all the job learns of its work.
        done.result = outcome.result == SplitResult::Completed ? SplitResult::Completed : SplitResult::WriteFailed;
      } else {
        done.result = result == 0 ? SplitResult::Completed : SplitResult::WriteFailed;
      }
      return done;
    };
  }

  JoinedFileStep JoinedFile() {
    return [this](const JoinedFileWork& work, JobSink&) {
      int32_t result = 1;
      if (!Call(work.mode, work.windowSeconds, &result)) return false;
      if (!doPluginWork) return result == 0;
      const WriteResult r = WriteJoinedFileAnew(work.firstInput, work.secondInput, work.joinedPath, *this);
      if (r == WriteResult::Written) pluginDone.written = work.joinedPath;
      pluginDone.cancelled = r == WriteResult::Cancelled;
      return r == WriteResult::Written;
    };
  }

 private:
  // TestFunc's call: false when there is no plug-in.
  bool Call(int32_t first, int32_t second, int32_t* result) {
    if (doPluginWork) return true;
    if (!pluginPresent) return false;
    pluginCalls.emplace_back(first, second);
    if (onPlugin) onPlugin(*this);
    *result = pluginResult;
    return true;
  }
};
