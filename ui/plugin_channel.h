// Tavrin.exe's end of the plug-in channel: while a ChannelCall lives, the
// exported TavrinPluginChannel() returns its record (app/plugin_channel.h).
#pragma once
#include <string>

#include "app/plugin_channel.h"
#include "job/hand_over.h"

class JobSink;

class ChannelCall {
 public:
  // The record for a TestFunc call about work, with progress, cancel and
  // messages going to sink.
  ChannelCall(const HandOver& work, JobSink& sink);
  ~ChannelCall();
  ChannelCall(const ChannelCall&) = delete;
  ChannelCall& operator=(const ChannelCall&) = delete;

 private:
  TavrinChannel record_{};
  std::string texts_[3];
};
