#include "job/output_commit.h"

#include "io/file_system.h"
#include "io/output_file.h"
#include "job/job_sink.h"
#include "texts/common_texts.h"

namespace {

// The outputs' final names that already hold something, in their order.
std::vector<std::string> ExistingOutputs(const std::vector<OutputFile*>& outputs) {
  std::vector<std::string> finals;
  for (const OutputFile* output : outputs) finals.push_back(output->FinalPath());
  return ::ExistingNames(finals);
}

}  // namespace

std::vector<std::string> ExistingNames(const std::vector<std::string>& finalNames) {
  std::vector<std::string> existing;
  for (const std::string& name : finalNames)
    if (filesys::Exists(name)) existing.push_back(name);
  return existing;
}

bool MayWriteOver(const std::vector<std::string>& finalNames, JobSink& sink) {
  const std::vector<std::string> existing = ExistingNames(finalNames);
  return existing.empty() || sink.MayReplace(existing);
}

CommitEnd CommitOutputs(const std::vector<OutputFile*>& outputs, JobSink& sink,
                        const std::function<bool()>& inputsChanged, const std::function<bool()>& mayCommit) {
  CommitEnd end;
  for (size_t i = 0; i < outputs.size(); ++i)
    if (!outputs[i]->Finish()) return {CommitEnd::NotWritten, i};
  for (size_t i = 0; i < outputs.size(); ++i)
    if (!outputs[i]->Sync()) return {CommitEnd::NotWritten, i};  // all on the device before any is moved
  if (inputsChanged && inputsChanged()) return {CommitEnd::InputFault, 0};
  if (sink.Cancelled() || (mayCommit && !mayCommit())) return {CommitEnd::Cancelled, 0};
  // The job asked before writing (MayWriteOver); asked again here, a sink
  // that asks a person asks only about names that appeared meanwhile.
  const std::vector<std::string> existing = ExistingOutputs(outputs);
  if (!existing.empty() && !sink.MayReplace(existing)) return {CommitEnd::Cancelled, 0};
  if (!sink.BeginCommit()) return {CommitEnd::Cancelled, 0};
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

std::string ReplaceQuestion(const std::vector<std::string>& existing, int englishUi) {
  std::string names;
  for (const std::string& name : existing) names += (names.empty() ? "" : "\n") + name;
  return Fill(Pick(texts::kReplaceExisting, englishUi), {names});
}
