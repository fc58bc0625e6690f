// The window's batch (Operate > Batch...): one operation with its settings,
// done to each recording of a list. For each recording this makes both the
// job line the command line runs (`tavrin batch`, batch/job_file.h) and the
// request the window hands to the same core job the command would run, so
// that a saved job file does exactly what the window's Start did. Requests
// are built field by field as cli/cmd_*.cpp build them from those words;
// this room sits between the core and the window (the window does not
// include cli/).
#pragma once
#include <string>
#include <vector>

#include "cut/cut_job.h"
#include "pieces/pieces_job.h"
#include "repair/repair_job.h"
#include "split/split_request.h"
#include "streams/extract_job.h"
#include "streams/stream_select_job.h"
#include "texts/text_pair.h"

class ExactCoder;
class JobSink;

// In the order of the dialog's choices (the number kept in Tavrin.ini).
enum class BatchOperation { SplitAt = 0, Pieces, Cut, Repair, SaveSound, LeaveOut, Count };

struct BatchSettings {
  BatchOperation operation = BatchOperation::SplitAt;
  std::string splitSeconds = "1800";  // SplitAt: where the first file ends
  bool piecesBySize = false;          // Pieces: a piece every so many seconds, or at most so many MB
  std::string piecesEvery = "1800";
  std::string piecesMegabytes = "700";
  bool cutOneList = false;  // Cut: false the list beside each recording, true cutList for all
  std::string cutList;
  std::string soundStream = "1";  // SaveSound: the stream number as `tavrin info` shows it
  std::string leaveOut = "1";     // LeaveOut: the streams left out, "1" or "1,2"
  bool exact = false;  // SplitAt and Cut: --exact, each range from the very frame asked for
};

// One recording's job: its words (a job line) and its request.
struct BatchJob {
  BatchOperation operation = BatchOperation::SplitAt;
  std::vector<std::string> words;  // names as given; see BatchJobFileWords for a job file's
  const TextPair* problem = nullptr;  // why no job can be made for this recording
  SplitRequest split;
  PiecesRequest pieces;
  CutRequest cut;  // Cut, and SplitAt with exact (cut/exact_split.h)
  RepairRequest repair;
  ExtractRequest extract;
  StreamSelectRequest select;
};

// The cut list beside a recording: the file of its name ending .edl, .txt
// or .csv (looked for in that order), or "" when there is none.
std::string ListBeside(const std::string& recording);

// The job for recording.
BatchJob MakeBatchJob(const BatchSettings& settings, const std::string& recording);

// The job's words for a job file in folder: names inside that folder made
// relative to it with '/' (as both Windows and POSIX read them), others
// left whole.
std::vector<std::string> BatchJobFileWords(const BatchJob& job, const std::string& folder);

// A job line read back as the dialog's settings and recording: nullptr or
// why the dialog cannot show it (another command, options it has no field
// for). Names are taken relative to folder (the job file's).
const TextPair* ReadBatchLine(const std::vector<std::string>& words, const std::string& folder, BatchSettings* settings,
                          std::string* recording);

struct BatchJobEnd {
  bool succeeded = false;
  bool cancelled = false;
};
// Runs the job's core job with sink, judged as the command would judge it
// (its exit status 0 is succeeded); an exact job re-encodes with coder (the
// host's, as the command line hands in its own).
BatchJobEnd RunBatchJob(const BatchJob& job, JobSink& sink, ExactCoder* coder = nullptr);
