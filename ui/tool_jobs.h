// The join, pieces, repair, cut and stream jobs run from the window: each under the
// progress dialog (status line, bar, Cancel) on the worker thread, with the
// job's outcome handed back once the dialog has ended. The job each one
// calls can be replaced (tests watch the requests the window builds).
#pragma once
#include <windows.h>

#include "cut/cut_job.h"
#include "dub/dub_job.h"
#include "merge/merge_many.h"
#include "repair/repair_job.h"
#include "pieces/pieces_job.h"
#include "streams/extract_job.h"
#include "streams/stream_select_job.h"

class JobSink;

using JoinJobFunction = JoinOutcome (*)(const JoinJobRequest& request, JobSink& sink);
using PiecesJobFunction = PiecesOutcome (*)(const PiecesRequest& request, JobSink& sink);
using RepairJobFunction = RepairOutcome (*)(const RepairRequest& request, JobSink& sink);
using CutJobFunction = CutOutcome (*)(const CutRequest& request, JobSink& sink);
using ExtractJobFunction = StreamsOutcome (*)(const ExtractRequest& request, JobSink& sink);
using StreamSelectJobFunction = StreamsOutcome (*)(const StreamSelectRequest& request, JobSink& sink);
using DubJobFunction = DubOutcome (*)(const DubRequest& request, JobSink& sink);
// nullptr restores the real job.
void SetJoinJobFunction(JoinJobFunction job);
void SetPiecesJobFunction(PiecesJobFunction job);
void SetRepairJobFunction(RepairJobFunction job);
void SetCutJobFunction(CutJobFunction job);
void SetExtractJobFunction(ExtractJobFunction job);
void SetStreamSelectJobFunction(StreamSelectJobFunction job);
void SetDubJobFunction(DubJobFunction job);

// When no worker could be started, the outcome is a failure to write.
JoinOutcome RunJoinProgress(HWND owner, const JoinJobRequest& request);
PiecesOutcome RunPiecesProgress(HWND owner, const PiecesRequest& request);
RepairOutcome RunRepairProgress(HWND owner, const RepairRequest& request);
CutOutcome RunCutProgress(HWND owner, const CutRequest& request);
// The Streams dialog's jobs: Save stream..., Write of the checked streams,
// and Write of a dub or a shift (a DubRequest with shift set, as the
// command line builds it).
StreamsOutcome RunExtractProgress(HWND owner, const ExtractRequest& request);
StreamsOutcome RunStreamSelectProgress(HWND owner, const StreamSelectRequest& request);
DubOutcome RunDubProgress(HWND owner, const DubRequest& request);
