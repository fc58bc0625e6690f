// TavrinD.dll, the plug-in behind "File size" and the joined file of a
// merge: a thin shell that finds the program's channel (app/plugin_channel.h)
// and runs the channel's job through the core (app/channel_work.h).
#include <windows.h>

#include <cstdint>

#include "app/channel_work.h"

// Linked with --kill-at, so the export is "TestFunc", not "TestFunc@8".
extern "C" __declspec(dllexport) int32_t __stdcall TestFunc(int32_t, int32_t) {
  auto entry = reinterpret_cast<TavrinPluginChannelEntry>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(nullptr), "TavrinPluginChannel")));
  if (!entry) return 1;  // a program without the channel
  const TavrinChannel* channel = entry();
  return channel ? RunChannelWork(*channel) : 1;
}
