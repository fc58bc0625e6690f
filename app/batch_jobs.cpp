#include "app/batch_jobs.h"

#include <algorithm>

#include "cut/exact_split.h"
#include "io/file_system.h"
#include "job/job_sink.h"
#include "split/split_job.h"
#include "streams/stream_numbers.h"
#include "texts/batch_texts.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Whether name stands alone (a root, a drive) or is read from a folder.
bool IsWhole(const std::string& name) {
  return (!name.empty() && IsSeparator(name[0])) || (name.size() > 1 && name[1] == ':');
}

// name from folder, when name is relative.
std::string FromFolder(const std::string& folder, const std::string& name) {
  if (folder.empty() || IsWhole(name)) return name;
  return IsSeparator(folder.back()) ? folder + name : folder + "/" + name;
}

// name relative to folder when it lies inside it, '/' between its parts.
std::string InFolder(const std::string& name, std::string folder) {
  if (!folder.empty() && !IsSeparator(folder.back())) folder += '/';
  if (folder.empty() || name.size() <= folder.size()) return name;
  for (size_t i = 0; i < folder.size(); ++i) {
    const char a = name[i], b = folder[i];
    const bool same = (IsSeparator(a) && IsSeparator(b)) || a == b;
    if (!same) return name;
  }
  std::string relative = name.substr(folder.size());
  for (char& c : relative)
    if (c == '\\') c = '/';
  return relative;
}

void MakeSplitAt(const BatchSettings& s, BatchJob& job) {
  job.words.insert(job.words.end(), {"--seconds", s.splitSeconds});
  if (s.exact) {
    job.words.push_back("--exact");
    ExactSplitFields fields;
    fields.path = job.words[1];
    fields.seconds = s.splitSeconds;
    if (!MakeExactSplitRequest(fields, &job.cut).empty()) job.problem = &batch_text::kNoSplitTime;
    return;
  }
  job.split.path = job.words[1];
  job.split.by = SplitBy::Time;
  job.split.seconds = s.splitSeconds;
  job.split.create = CreateMode::Both;
}

void MakePieces(const BatchSettings& s, BatchJob& job) {
  if (s.piecesBySize) job.words.insert(job.words.end(), {"--size-mb", s.piecesMegabytes, "--all"});
  else job.words.insert(job.words.end(), {"--every", s.piecesEvery});
  job.pieces.path = job.words[1];
  job.pieces.by = s.piecesBySize ? PiecesBy::Size : PiecesBy::Every;
  job.pieces.everySeconds = s.piecesBySize ? "" : s.piecesEvery;
  job.pieces.sizeMegabytes = s.piecesBySize ? s.piecesMegabytes : "";
}

void MakeCut(const BatchSettings& s, BatchJob& job) {
  job.cut.path = job.words[1];
  job.cut.list = s.cutOneList ? s.cutList : ListBeside(job.words[1]);
  if (job.cut.list.empty()) {
    job.problem = s.cutOneList ? &batch_text::kNoListChosen : &batch_text::kNoListBeside;
    return;
  }
  job.words.insert(job.words.end(), {"--list", job.cut.list});
  job.cut.exact = s.exact;
  if (s.exact) job.words.push_back("--exact");
}

void MakeStreams(const BatchSettings& s, BatchJob& job) {
  const bool save = job.operation == BatchOperation::SaveSound;
  const std::string& numbers = save ? s.soundStream : s.leaveOut;
  std::vector<int> read;
  if (!ParseStreamNumbers(numbers, &read) || (save && read.size() != 1)) {
    job.problem = save ? &batch_text::kNoStream : &batch_text::kNoStreams;
    return;
  }
  job.words.insert(job.words.end(), {save ? "--stream" : "--drop", numbers});
  if (save) {
    job.extract.path = job.words[1];
    job.extract.stream = read[0];
  } else {
    job.select.path = job.words[1];
    job.select.drop = read;
  }
}

const char* const kCommands[] = {"split", "split", "cut", "repair", "extract", "streams"};

// The value after option in words (from index 2), or "" with *found false.
std::string ValueOf(const std::vector<std::string>& words, const char* option, bool* found) {
  for (size_t i = 2; i + 1 < words.size(); ++i)
    if (words[i] == option) {
      *found = true;
      return words[i + 1];
    }
  *found = false;
  return "";
}

// Which operation the words are, from their command and options.
bool OperationOf(const std::vector<std::string>& words, BatchOperation* operation) {
  bool has = false;
  const std::string& command = words[0];
  if (command == "split") {
    ValueOf(words, "--seconds", &has);
    *operation = has ? BatchOperation::SplitAt : BatchOperation::Pieces;
  } else if (command == "cut") {
    *operation = BatchOperation::Cut;
  } else if (command == "repair") {
    *operation = BatchOperation::Repair;
  } else if (command == "extract") {
    *operation = BatchOperation::SaveSound;
  } else if (command == "streams") {
    *operation = BatchOperation::LeaveOut;
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::string ListBeside(const std::string& recording) {
  const size_t slash = recording.find_last_of("/\\");
  const size_t dot = recording.rfind('.');
  const std::string stem = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                               ? recording
                               : recording.substr(0, dot);
  for (const char* extension : {".edl", ".txt", ".csv"})
    if (filesys::Exists(stem + extension)) return stem + extension;
  return "";
}

BatchJob MakeBatchJob(const BatchSettings& settings, const std::string& recording) {
  BatchJob job;
  job.operation = settings.operation;
  job.words = {kCommands[int(settings.operation)], recording};
  switch (settings.operation) {
    case BatchOperation::SplitAt: MakeSplitAt(settings, job); break;
    case BatchOperation::Pieces: MakePieces(settings, job); break;
    case BatchOperation::Cut: MakeCut(settings, job); break;
    case BatchOperation::Repair: job.repair.path = recording; break;
    default: MakeStreams(settings, job); break;
  }
  return job;
}

std::vector<std::string> BatchJobFileWords(const BatchJob& job, const std::string& folder) {
  std::vector<std::string> words = job.words;
  words[1] = InFolder(words[1], folder);
  if (job.operation == BatchOperation::Cut && words.size() > 3) words[3] = InFolder(words[3], folder);
  return words;
}

const TextPair* ReadBatchLine(const std::vector<std::string>& words, const std::string& folder, BatchSettings* settings,
                          std::string* recording) {
  BatchOperation operation;
  if (words.size() < 2 || !OperationOf(words, &operation)) return &batch_text::kNotShown;
  BatchSettings read = *settings;
  read.operation = operation;
  bool has = false;
  if (operation == BatchOperation::SplitAt) read.splitSeconds = ValueOf(words, "--seconds", &has);
  if (operation == BatchOperation::SplitAt || operation == BatchOperation::Cut)
    read.exact = std::find(words.begin(), words.end(), "--exact") != words.end();
  if (operation == BatchOperation::Pieces) {
    read.piecesEvery = ValueOf(words, "--every", &has);
    if (!has) read.piecesMegabytes = ValueOf(words, "--size-mb", &has), read.piecesBySize = true;
    else read.piecesBySize = false;
  }
  if (operation == BatchOperation::Cut) {
    const std::string list = FromFolder(folder, ValueOf(words, "--list", &has));
    read.cutOneList = has && list != ListBeside(FromFolder(folder, words[1]));
    if (read.cutOneList) read.cutList = list;
  }
  if (operation == BatchOperation::SaveSound) read.soundStream = ValueOf(words, "--stream", &has);
  if (operation == BatchOperation::LeaveOut) read.leaveOut = ValueOf(words, "--drop", &has);
  if (operation == BatchOperation::Repair) has = true;
  *recording = FromFolder(folder, words[1]);
  // The line must be the very words this dialog would write for it.
  BatchJob again = MakeBatchJob(read, *recording);
  std::vector<std::string> relative = words;
  relative[1] = *recording;
  if (operation == BatchOperation::Cut && relative.size() > 3) relative[3] = FromFolder(folder, words[3]);
  if (!has || again.problem || again.words != relative) return &batch_text::kNoField;
  *settings = read;
  return nullptr;
}

namespace {

// An exact job's cut request with the host's coder in it.
CutRequest WithCoder(const CutRequest& request, ExactCoder* coder) {
  CutRequest ready = request;
  ready.coder = coder;
  return ready;
}

}  // namespace

BatchJobEnd RunBatchJob(const BatchJob& job, JobSink& sink, ExactCoder* coder) {
  BatchJobEnd end;
  const bool exactSplit = job.operation == BatchOperation::SplitAt && job.cut.exact;
  switch (exactSplit ? BatchOperation::Cut : job.operation) {
    case BatchOperation::SplitAt: {
      const SplitOutcome o = SplitJob(job.split, sink);
      end.succeeded = o.result == SplitResult::Completed;
      end.cancelled = o.result == SplitResult::Cancelled;
      break;
    }
    case BatchOperation::Pieces: {
      const PiecesOutcome o = SplitPiecesJob(job.pieces, sink);
      end.succeeded = o.result == SplitResult::Completed;
      end.cancelled = o.result == SplitResult::Cancelled;
      break;
    }
    case BatchOperation::Cut: {
      const CutOutcome o = CutJob(WithCoder(job.cut, coder), sink);
      end.succeeded = o.result == CutResult::Completed;
      end.cancelled = o.result == CutResult::Cancelled;
      break;
    }
    case BatchOperation::Repair: {
      const RepairOutcome o = RepairJob(job.repair, sink);
      end.succeeded = o.result == RepairResult::Repaired || o.result == RepairResult::NothingToRepair;
      end.cancelled = o.result == RepairResult::Cancelled;
      break;
    }
    default: {
      const bool save = job.operation == BatchOperation::SaveSound;
      const StreamsOutcome o = save ? ExtractJob(job.extract, sink) : StreamSelectJob(job.select, sink);
      end.succeeded = o.result == StreamsResult::Completed;
      end.cancelled = o.result == StreamsResult::Cancelled;
      break;
    }
  }
  return end;
}
