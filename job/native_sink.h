// A job sink without windows: message boxes are collected, progress goes to an
// optional observer, the cancel flag is an atomic set from anywhere (a signal
// handler too). Serves the command line and the tests.
#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "job/job_sink.h"

class NativeSink : public JobSink {
 public:
  explicit NativeSink(int englishUi = 1) : englishUi(englishUi) {}

  int englishUi;
  std::atomic<int32_t> cancelRequested{0};  // non-zero: stop
  // Set by BeginCommit: a cancel is too late from then on, for the rest of
  // this sink's life (one job; a test that runs another clears it).
  std::atomic<bool> committing{false};
  std::vector<std::string> messages;        // message boxes shown, in order
  std::vector<MessageOwner> messageOwners;
  std::vector<int> progressCells;           // every bar value reported
  std::string lastStatus;
  std::function<void(const char*, int)> onProgress;  // optional observer
  std::function<void(NativeSink&)> onMessage;        // optional observer

  int EnglishUi() const override { return englishUi; }
  bool Cancelled() const override { return cancelRequested.load() != 0 && !committing.load(); }
  bool BeginCommit() override;
  void Progress(int cells) override;
  void Status(const char* text, int cells) override;
  void Message(const char* text, MessageOwner owner) override;
  // The last message shown, or "" when none.
  std::string LastMessage() const { return messages.empty() ? std::string() : messages.back(); }
};
