// The split's user-visible texts (English and Japanese side by side) and the
// mapping from engine result codes to the message the job shows.
#pragma once
#include <cstdint>

#include "app/texts.h"

enum SplitTextId {
  kTextOverlapInvalid,
  kTextOverlapRange,
  kTextPluginCompleted,
  kTextPluginError,
  kTextHoursInvalid,
  kTextMinutesInvalid,
  kTextSecondsInvalid,
  kTextTimeZero,
  kTextFileNotOpen,
  kTextFileTooLarge,
  kTextNotRiff,
  kTextAnalyzing,
  kTextFileCreating,
  kTextSplitCompleted,
  kTextUnsupportedFile,
  kTextCannotSplitAtTime,
  kTextCannotCreateFile,
  kTextOverlapTooLong,
  kTextCannotSplitAtOverlap,
  kTextTimeTooLong,
  kTextError,
  kTextSizeInvalid,
  kTextAlreadyFits,
  kTextSizeTooSmall,
  kSplitTextCount
};

const TextPair& SplitText(SplitTextId id);

// The message for an engine result code ("Error" for codes without their own).
const TextPair& SplitResultText(int32_t code);
