#include "job/native_sink.h"

bool NativeSink::BeginCommit() {
  // Closed first, then looked at: a cancel set before the look is seen
  // here, one set after it is too late.
  committing.store(true);
  if (cancelRequested.load() == 0) return true;
  committing.store(false);
  return false;
}

void NativeSink::Progress(int cells) {
  progressCells.push_back(cells);
  if (onProgress) onProgress(lastStatus.c_str(), cells);
}

void NativeSink::Status(const char* text, int cells) {
  lastStatus = text;
  Progress(cells);
}

void NativeSink::Message(const char* text, MessageOwner owner) {
  messages.push_back(text);
  messageOwners.push_back(owner);
  if (onMessage) onMessage(*this);
}
