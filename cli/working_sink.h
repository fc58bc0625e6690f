// The command line's sink: does the plug-in's work itself (the size split,
// or with --write the joined file) through the same core code as behind the
// window, and draws the bar on stderr when that is a terminal.
#pragma once
#include "app/native_sink.h"

class WorkingSink : public NativeSink {
 public:
  explicit WorkingSink(int englishUi);
  // Ends the bar's line, if one was drawn.
  void EndBar();
};
