// The steps of ScanForRepair (scan/repair_scan.h), each in a file of its own.
#pragma once
#include "scan/repair_scan.h"

class ByteInput;
class WalkSink;

// Frame bytes read to tell its type: the start codes that decide come within
// the first few hundred bytes (VOL and user data, SPS/PPS/SEI, sequence and
// GOP headers), so a frame that shows none there is not taken for a key frame.
constexpr size_t kKeyFrameLook = 8192;

// Fills the header fields; sets refusal when there is no usable header.
void ReadRepairHeader(ByteInput& in, RepairScan& scan);
// Collects the chunks of the data lists; false when cancelled or too many.
bool CollectChunks(ByteInput& in, RepairScan& scan, WalkSink* sink, int base, int span);
// Matches the surviving idx1 and ix## entries against the chunks.
void MatchIndexes(ByteInput& in, RepairScan& scan);
// Gives every chunk no entry named its key flag; false when cancelled.
bool TellKeyFrames(RepairScan& scan, WalkSink* sink);
