// The merge job's and engine's user-visible texts, English and Japanese side by side.
#pragma once
#include "app/texts.h"

enum class MergeText {
  File1NotOpen,
  File1TooLarge,
  File2NotOpen,
  File2TooLarge,
  File2NotAvi,
  File1NotAvi,
  Unsupported,
  StructureDiffers,
  BadSourceName,
  NoOutputName,
  Error,
  File2Analyzing,
  File1Analyzing,
  Completed,
  Writing,
  JoinedNameIsInput,
  CannotWrite,
  InputDamaged,
  JoinedTooLarge,
  SummaryFormat,  // size MB, minutes, seconds, overlap seconds
};

const TextPair& MergeTextPair(MergeText id);

inline const char* MergeString(MergeText id, int englishUi) {
  return Pick(MergeTextPair(id), englishUi);
}
