// The command line's sink: the jobs' messages and Cancel as NativeSink keeps
// them (there is no plug-in: the commands do its work themselves after the
// jobs' checks), and the bar drawn on stderr when that is a terminal.
#pragma once
#include <cstddef>

#include "job/native_sink.h"

class WorkingSink : public NativeSink {
 public:
  explicit WorkingSink(int englishUi);
  // Ends the bar's line, if one was drawn.
  void EndBar();
};

// While `tavrin batch` runs job `index` (from 0) of `count`, the bar starts
// with the batch's own ("job 2/5 [###...]") before the job's; count 0: none.
void SetBatchBar(size_t index, size_t count);
