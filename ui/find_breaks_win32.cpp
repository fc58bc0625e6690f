#include "ui/find_breaks.h"

#include "avi/avi_source.h"
#include "avi/fourcc.h"
#include "job/job_sink.h"
#include "ui/progress_dialog.h"
#include "ui/shell_state.h"
#include "ui/tool_texts.h"
#include "ui/win32_host.h"

namespace {

#ifdef TAVRIN_NO_CODEC
void Find(const std::string&, JobSink&, FoundBreaks* found) { found->why = "this build has no decoders"; }
#else
void Find(const std::string& path, JobSink& sink, FoundBreaks* found) {
  sink.Status(sink.Pick(tool_text::kBreaksFinding.english, tool_text::kBreaksFinding.japanese), 0);
  AviSource input;
  if (!input.Open(path.c_str())) {
    found->why = input.File().OpenError();
    return;
  }
  if (input.File().U32At(0) != kRiff || input.File().U32At(8) != kAviForm) {
    found->why = "not an AVI file";
    return;
  }
  AviAnalysis analysis{};
  if (!input.Analyse(analysis, &sink, 0, 10)) {
    found->status = sink.Cancelled() ? BreakStatus::Cancelled : BreakStatus::Failed;
    found->why = "its index cannot be read";
    return;
  }
  BreakRequest request;  // black, silence and scenes, 0.5 s, reduced pictures
  found->status = FindBreaks(input, analysis, request, &sink, &found->breaks, &found->why);
}
#endif

}  // namespace

FoundBreaks RunFindBreaksProgress(HWND owner, const std::string& path) {
  FoundBreaks found;
  found.why = "no worker could be started";
  RunJobProgress(AppShell().instance, owner, tool_text::kBreaksTitle, RGB(90, 90, 90), [&](JobState&) {
    found.why.clear();
    Find(path, AppJobSink(), &found);
    return int32_t(found.status == BreakStatus::Ok ? 0 : 1);
  });
  if (CancelSet(AppJobState())) found.status = BreakStatus::Cancelled;
  return found;
}
