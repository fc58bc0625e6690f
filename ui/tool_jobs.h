// The join, pieces, repair and cut jobs run from the window: each under the
// progress dialog (status line, bar, Cancel) on the worker thread, with the
// job's outcome handed back once the dialog has ended. The job each one
// calls can be replaced (tests watch the requests the window builds).
#pragma once
#include <windows.h>

#include "cut/cut_job.h"
#include "join/join_job.h"
#include "merge/merge_many.h"
#include "repair/repair_job.h"
#include "pieces/pieces_job.h"

class JobSink;

using JoinJobFunction = JoinOutcome (*)(const JoinJobRequest& request, JobSink& sink);
using PiecesJobFunction = PiecesOutcome (*)(const PiecesRequest& request, JobSink& sink);
using RepairJobFunction = RepairOutcome (*)(const RepairRequest& request, JobSink& sink);
using CutJobFunction = CutOutcome (*)(const CutRequest& request, JobSink& sink);
// nullptr restores the real job.
void SetJoinJobFunction(JoinJobFunction job);
void SetPiecesJobFunction(PiecesJobFunction job);
void SetRepairJobFunction(RepairJobFunction job);
void SetCutJobFunction(CutJobFunction job);

// When no worker could be started, the outcome is a failure to write.
JoinOutcome RunJoinProgress(HWND owner, const JoinJobRequest& request);
PiecesOutcome RunPiecesProgress(HWND owner, const PiecesRequest& request);
RepairOutcome RunRepairProgress(HWND owner, const RepairRequest& request);
CutOutcome RunCutProgress(HWND owner, const CutRequest& request);
