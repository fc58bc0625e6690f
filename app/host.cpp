#include "app/host.h"

#include <cstring>

void SetStatusText(JobState& state, const char* text) {
  std::strncpy(state.statusText, text, kPathBytes - 1);
  state.statusText[kPathBytes - 1] = 0;
}

void ShowMessage(JobState& state, const char* text, MessageOwner owner) {
  if (state.host.messageBox) state.host.messageBox(state.host.context, text, owner);
}
