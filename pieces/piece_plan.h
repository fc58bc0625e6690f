// Planning a split into many pieces. Every seam follows the two-way split's
// rules: a piece ends at the first usable key frame at or after its target
// frame (a key frame that heads its "rec " group, where the file has them),
// the next piece begins there or, with an overlap, at the last key frame at
// or before (end time - overlap); audio of a constant sample size is cut
// inside chunks at absolute sample positions counted from the input's start
// (floor(U x frame x rate / 10^6) x dwSampleSize bytes, exact), every other
// stream by its share of entries. The pieces are thus what splitting the
// input at each seam in turn gives.
//
// Pieces are planned with a few forward walks over the index, each stream
// followed by two cursors (where the piece begins, where it ends) that only
// move forward: the planning reads the index a fixed number of times
// whatever the number of pieces, and its memory is a few hundred bytes a
// piece.
//
//   PiecesPlan plan;
//   SplitResult r = PlanPiecesEvery(source, seconds, overlap, plan);
//   SplitResult r = PlanPiecesBySize(source, limitBytes, overlap, plan);
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "avi/exact_time.h"
#include "avi/odml_output.h"
#include "share/piece_writer.h"
#include "share/share_builder.h"
#include "share/output_share.h"
#include "share/split_source.h"


// A piece every `seconds`: piece j ends at the first usable key frame at or
// after the frame of time j x seconds; a target whose key frame ends the
// previous piece already is passed over. TimeTooLong when seconds is not
// shorter than the video, NoKeyFrame when not even the first cut can be
// made; the overlap's refusals (OverlapTooLong, OverlapAtFrameZero,
// OverlapAtEntryZero) for the first seam that cannot begin its piece.
SplitResult PlanPiecesEvery(const SplitSource& source, const ExactTime& seconds, const ExactTime& overlap,
                            PiecesPlan& plan);

// Pieces of at most limitBytes (header and index counted, OpenDML layout
// from its threshold on): each ends at the last usable key frame at which it
// still fits. SizeAlreadyFits when the input fits, SizeTooSmall (plan's
// group figures set) when a key-frame group cannot fit in a piece of its
// own, SizeInvalid for a limit of 0, the overlap's refusals as above.
SplitResult PlanPiecesBySize(const SplitSource& source, uint64_t limitBytes, const ExactTime& overlap,
                             PiecesPlan& plan, const OdmlLimits& odml = OdmlLimits());
