#include "job/output_commit.h"

#include "io/output_file.h"
#include "job/job_sink.h"

CommitEnd CommitOutputs(const std::vector<OutputFile*>& outputs, JobSink& sink,
                        const std::function<bool()>& inputsChanged, const std::function<bool()>& mayCommit) {
  CommitEnd end;
  for (size_t i = 0; i < outputs.size(); ++i)
    if (!outputs[i]->Finish()) return {CommitEnd::NotWritten, i};
  for (size_t i = 0; i < outputs.size(); ++i)
    if (!outputs[i]->Sync()) return {CommitEnd::NotWritten, i};  // all on the device before any is moved
  if (inputsChanged && inputsChanged()) return {CommitEnd::InputFault, 0};
  if (sink.Cancelled() || (mayCommit && !mayCommit()) || !sink.BeginCommit()) return {CommitEnd::Cancelled, 0};
  for (size_t i = 0; i < outputs.size(); ++i)  // from here on all are moved
    if (!outputs[i]->Commit()) return {CommitEnd::NotMoved, i};
  return end;
}

WriteResult CommitOutput(OutputFile& output, WriteResult written, JobSink& sink,
                         const std::function<bool()>& inputsChanged, const std::function<bool()>& mayCommit,
                         WriteResult changed) {
  if (written != WriteResult::Written) return written;
  switch (CommitOutputs({&output}, sink, inputsChanged, mayCommit).step) {
    case CommitEnd::Committed: return WriteResult::Written;
    case CommitEnd::InputFault: return changed;
    case CommitEnd::Cancelled: return WriteResult::Cancelled;
    case CommitEnd::NotWritten:
    case CommitEnd::NotMoved: break;
  }
  return WriteResult::WriteFailed;
}
