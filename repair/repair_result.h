// Every way a repair can end, the number reported for it and its message in
// both languages, from one table (repair_texts.cpp) that the compiler checks
// for completeness.
#pragma once
#include <cstdint>
#include <string>

#include "texts/text_pair.h"

enum class RepairResult : int32_t {
  Repaired,
  NothingToRepair,  // the file holds all it claims and its index names every chunk
  Cancelled,
  InputNotOpen,
  NotAvi,           // no RIFF file, or a RIFF of another form (WAVE, ...)
  NoHeader,         // no hdrl list with avih and a stream header
  NoDataList,       // no movi list
  NoWholeChunk,     // the data lists hold no whole chunk
  OutputIsInput,    // the repaired file would replace the input
  CannotCreate,
  WriteFailed,      // reading the input or writing the output failed midway
  TooLarge,         // too many chunks, or no OpenDML layout fits
  ReadError,        // the device failed to read the input (avi/read_fault.h)
  InputChanged,     // the input was cut, replaced or appended to while it was read
  Count
};

int32_t RepairResultNumber(RepairResult result);
// The fixed message of a result; nullptr for Repaired (its own summary) and Cancelled.
const TextPair* RepairResultText(RepairResult result);

extern const TextPair kRepairReading;      // status line while the chunks are read
extern const TextPair kRepairWriting;      // ... while the repaired file is written
extern const TextPair kRepairSummary;      // "Repair completed" with frames, minutes, seconds
extern const TextPair kRepairKeysUntold;   // the codec's key frames cannot be told
