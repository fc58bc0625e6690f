#include "app/native_host.h"

#include <cstring>

namespace {

NativeHost& Of(void* context) { return *static_cast<NativeHost*>(context); }

void Progress(void* context, const char* statusText, int cells) {
  NativeHost& host = Of(context);
  host.lastStatus = statusText;
  host.progressCells.push_back(cells);
  if (host.onProgress) host.onProgress(statusText, cells);
}

void ShowMessage(void* context, const char* text, MessageOwner owner) {
  NativeHost& host = Of(context);
  host.messages.push_back(text);
  host.messageOwners.push_back(owner);
  if (host.onMessage) host.onMessage(host);
}

void ReadField(void* context, int controlId, char* buffer) {
  NativeHost& host = Of(context);
  auto found = host.fields.find(controlId);
  const std::string text = found == host.fields.end() ? std::string() : found->second;
  size_t n = text.size() < size_t(kPathBytes - 1) ? text.size() : size_t(kPathBytes - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
}

bool IsChecked(void* context, int controlId) { return Of(context).checked.count(controlId) != 0; }

// Without windows there is no plug-in library; a command or test may stand in for it.
bool CallPlugin(void* context, int32_t first, int32_t second, int32_t* result) {
  NativeHost& host = Of(context);
  return host.plugin && host.plugin(first, second, result);
}

}  // namespace

void AttachNativeHost(JobState& state, NativeHost& host) {
  state.host.context = &host;
  state.host.progress = Progress;
  state.host.messageBox = ShowMessage;
  state.host.readField = ReadField;
  state.host.isChecked = IsChecked;
  state.host.callPlugin = CallPlugin;
}
