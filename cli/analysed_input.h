// The first steps of the commands that read one recording as it is (frame,
// detect, keyframes): the file looked at, opened, its "RIFF"/"AVI " seen and
// its indexes analysed, each refusal with its reason.
#pragma once
#include <string>

#include "avi/avi_analysis.h"
#include "avi/avi_source.h"

class WalkSink;

struct InputRefusal {
  std::string why;         // "" when the recording was opened and analysed; else in English
  bool readFault = false;  // why is a read error or a change of the file under the run
};

// Opens path into *input and analyses it into *analysis (on sink's bar from
// 0 to 10, when there is one; a cancel there gives "cancelled").
InputRefusal OpenAnalysed(const char* path, AviSource* input, AviAnalysis* analysis, WalkSink* sink = nullptr);

// The usage fault of such a command's input and its --output ("" when
// none): a name too long to use, or an output that names the input.
std::string InputOutputProblem(const std::string& path, const std::string& output);
