// The steps of ScanForRepair (repair/repair_scan.h), each in a file of its own.
#pragma once
#include "repair/repair_scan.h"

class ByteInput;
class WalkSink;

// Fills the header fields; sets refusal when there is no usable header.
void ReadRepairHeader(ByteInput& in, RepairScan& scan);
// Collects the chunks of the data lists; false when cancelled or too many.
bool CollectChunks(ByteInput& in, RepairScan& scan, WalkSink* sink, int base, int span);
// Matches the surviving idx1 and ix## entries against the chunks.
void MatchIndexes(ByteInput& in, RepairScan& scan);
// Gives every chunk no entry named its key flag; false when cancelled.
bool TellKeyFrames(ByteInput& in, RepairScan& scan, WalkSink* sink);
