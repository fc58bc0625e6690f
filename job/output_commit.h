// How every job that writes ends its outputs, the one order that keeps
// whatever had their names safe until all of them are whole:
//   1. each output finished, then all flushed to the device;
//   2. the inputs looked at once more: a read error, a cut or a replacement
//      under the copy means the outputs are not what the inputs held;
//   3. no Cancel came first, the job's own last word (mayCommit) agrees,
//      the sink lets the outputs replace the files their names hold, if any
//      (JobSink::MayReplace), and the sink closes its Cancel
//      (JobSink::BeginCommit);
//   4. every output moved into place, in order.
// An output not moved is removed when its OutputFile goes (io/output_file.h).
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "writer/write_result.h"

class JobSink;
class OutputFile;

struct CommitEnd {
  enum Step {
    Committed,   // every output is in place
    NotWritten,  // step 1 failed for output `failed` (its Reason() says why)
    InputFault,  // step 2: an input is not what it was
    Cancelled,   // step 3: nothing was moved
    NotMoved,    // step 4 failed for output `failed`; those before it are in place
  };
  Step step = Committed;
  size_t failed = 0;
};

// inputsChanged: true when an input no longer holds what was read (it may
// look at the files again first). mayCommit: empty, or false to cancel.
CommitEnd CommitOutputs(const std::vector<OutputFile*>& outputs, JobSink& sink,
                        const std::function<bool()>& inputsChanged, const std::function<bool()>& mayCommit = {});

// The same for a job of one output that its writer ended with written:
// Written once it is in place; else the writer's result, WriteFailed (the
// output's Reason() says why), `changed` for an input that changed, or
// Cancelled.
WriteResult CommitOutput(OutputFile& output, WriteResult written, JobSink& sink,
                         const std::function<bool()>& inputsChanged, const std::function<bool()>& mayCommit = {},
                         WriteResult changed = WriteResult::InputChanged);

// The final names that already hold a file, in their order.
std::vector<std::string> ExistingNames(const std::vector<std::string>& finalNames);

// Asked by a job as soon as it knows its outputs' final names, before it
// creates any file: false when some of them hold a file and the sink will
// not have them replaced (JobSink::MayReplace); the job then ends cancelled
// with nothing written. The commit asks again about what exists by then.
bool MayWriteOver(const std::vector<std::string>& finalNames, JobSink& sink);

// The question a window asks before outputs replace existing files (UTF-8):
// the names, one a line, and "Replace them?".
std::string ReplaceQuestion(const std::vector<std::string>& existing, int englishUi);
