// A test host with a plug-in that does its work through the core, as
// TavrinD.dll does (app/channel_work.cpp): the size split of the request the
// job handed over, or the joined file of a planned merge. Off unless
// doPluginWork is set; what came of it is in pluginDone.
#pragma once
#include <cstdint>
#include <string>

#include "job/native_sink.h"
#include "merge/merge_output.h"
#include "split/size_split.h"
#include "split/split_request.h"

struct PluginDone {
  int32_t sizeSplitNumber = 0;  // the size split's own result number
  bool cancelled = false;
  std::string written;          // the joined file written
};

class TestHost : public NativeSink {
 public:
  bool doPluginWork = false;
  PluginDone pluginDone;

  bool CallPlugin(const HandOver& work, int32_t* result) override {
    if (!doPluginWork) return NativeSink::CallPlugin(work, result);
    if (work.work == HandOver::Work::SizeSplit) {
      SplitRequest request;
      request.path = work.input;
      request.by = SplitBy::Size;
      request.sizeMegabytes = work.sizeMegabytes;
      request.overlap = work.overlap;
      request.create = CreateMode(work.createMode);
      const SplitOutcome outcome = RunSizeSplit(request, *this);
      pluginDone.sizeSplitNumber = outcome.Number();
      pluginDone.cancelled = outcome.result == SplitResult::Cancelled;
      *result = outcome.result == SplitResult::Completed ? 0 : 1;
      return true;
    }
    const WriteResult r = WriteJoinedFileAnew(work.firstInput, work.secondInput, work.joinedPath, *this);
    if (r == WriteResult::Written) pluginDone.written = work.joinedPath;
    pluginDone.cancelled = r == WriteResult::Cancelled;
    *result = r == WriteResult::Written ? 0 : 1;
    return true;
  }
};
