// The command line's sink: the jobs' messages and Cancel as NativeSink keeps
// them (there is no plug-in: the commands do its work themselves after the
// jobs' checks), and the bar drawn on stderr when that is a terminal.
#pragma once
#include "job/native_sink.h"

class WorkingSink : public NativeSink {
 public:
  explicit WorkingSink(int englishUi);
  // Ends the bar's line, if one was drawn.
  void EndBar();
};
