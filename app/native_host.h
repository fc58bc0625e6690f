// A host without windows: fields and check boxes come from memory, message
// boxes are collected, progress goes to an optional callback. Serves the CLI and tests.
#pragma once
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/host.h"

struct NativeHost {
  std::map<int, std::string> fields;  // control id -> text
  std::set<int> checked;              // checked radio buttons and check boxes
  std::vector<std::string> messages;  // message boxes shown, in order
  std::vector<MessageOwner> messageOwners;
  std::vector<int> progressCells;     // every bar value reported
  std::string lastStatus;
  std::function<void(const char*, int)> onProgress;  // optional observer
  std::function<void(NativeHost&)> onMessage;        // optional observer
  // What stands in for the plug-in's "TestFunc" (none: no plug-in).
  std::function<bool(int32_t, int32_t, int32_t*)> plugin;
};

// Points state.host at host; host must outlive the job run.
void AttachNativeHost(JobState& state, NativeHost& host);
