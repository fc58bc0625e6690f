// Tavrin.exe's end of the plug-in channel: while a ChannelCall lives, the
// exported TavrinPluginChannel() returns its record (app/plugin_channel.h).
#pragma once
#include <string>

#include "app/plugin_channel.h"
#include "merge/merge_request.h"
#include "split/split_request.h"

class JobSink;

class ChannelCall {
 public:
  // The record for a TestFunc call about a size split of request (the
  // outputs asked for: create) or about the joined file of work, with
  // progress, cancel and messages going to sink.
  ChannelCall(const SplitRequest& request, CreateMode create, JobSink& sink);
  ChannelCall(const JoinedFileWork& work, JobSink& sink);
  ~ChannelCall();
  ChannelCall(const ChannelCall&) = delete;
  ChannelCall& operator=(const ChannelCall&) = delete;

 private:
  void Start(JobSink& sink);

  TavrinChannel record_{};
  std::string texts_[4];
};
