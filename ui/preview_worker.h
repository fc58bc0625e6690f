// The preview's worker thread: it alone reads the file and decodes, so the
// window never waits for either. The window asks (open a file, show a
// frame, plan a split, find a split time) and the worker answers by posting
// kPreviewResult to the window with a PreviewResult the window deletes.
//
// Asks of one kind replace each other: only the newest frame, plan and
// split-time request is done, and a decoding run that a newer frame makes
// useless stops between two frames (one that only moves further along the
// same run goes on with it). Opening a file drops every older ask.
#pragma once
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "avi/key_frame_list.h"
#include "split/split_engine.h"
#include "split/split_request.h"
#include "ui/frame_decoder.h"

constexpr UINT kPreviewResult = WM_APP + 0x51;  // lParam: PreviewResult*, the window deletes it

struct PreviewResult {
  enum class Kind { Progress, Opened, Frame, Plan, SplitTime };
  Kind kind = Kind::Progress;
  uint64_t ask = 0;  // the number of the ask it answers (per kind)

  // Progress: how far the opening read (0..100).
  int cells = 0;

  // Opened: the file's facts, or why it shows nothing (problem).
  const TextPair* problem = nullptr;
  bool problemIsCore = false;  // problem is a core text (UTF-8), not the preview's own
  std::string problemDetail;  // an OpenDML fault, in English
  std::shared_ptr<const KeyFrameList> keys;
  StreamFormat format;
  std::string decoderName;  // empty: no decoder for the format

  // Frame: the frame shown and whether its picture could be drawn.
  enum class Drawn { Picture, NoDecoder, Failed, Missing };
  FrameEntry frame;
  Drawn drawn = Drawn::Missing;
  uint64_t chunksDecoded = 0;  // chunks sent to the decoder since the file was opened

  // Plan: where the split would cut (result Completed) or why it cannot.
  SplitResult result = SplitResult::Completed;
  uint32_t cutFrame = 0;
  uint32_t secondStartFrame = 0;

  // SplitTime: field texts that make the split cut at frame.frame (found).
  bool found = false;
  std::string hours, minutes, seconds;
};

class PreviewWorker {
 public:
  // Texts of answers in the interface language (1 English, 0 Japanese).
  PreviewWorker(HWND window, int englishUi);
  ~PreviewWorker();  // stops the thread and waits for it
  PreviewWorker(const PreviewWorker&) = delete;
  PreviewWorker& operator=(const PreviewWorker&) = delete;

  // Each returns the ask's number, which the answer carries.
  uint64_t Open(const std::string& path);
  uint64_t ShowFrame(uint32_t frame);
  uint64_t Plan(const TimeSplit& time);
  uint64_t FindSplitTime(uint32_t frame);

  // Calls draw with the picture last decoded, under the lock that the
  // worker takes to change it.
  template <class Draw>
  void WithPicture(Draw draw) {
    std::lock_guard<std::mutex> hold(pictureLock_);
    draw(static_cast<const Picture&>(shown_));
  }

 private:
  struct Asks;
  struct File;
  void Run();
  void DoOpen(const std::string& path, uint64_t ask);
  void DoFrame(uint32_t frame, uint64_t ask);
  void DoPlan(const TimeSplit& time, uint64_t ask);
  void DoSplitTime(uint32_t frame, uint64_t ask);
  bool Decode(uint32_t& frame, uint64_t& ask, PreviewResult::Drawn* drawn);
  PreviewResult::Drawn DecodeByLibrary(uint32_t frame);
  void Post(PreviewResult* result);
  bool OpenPending();  // a newer file or the end was asked for

  HWND window_;
  int englishUi_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::unique_ptr<Asks> asks_;
  std::unique_ptr<File> file_;  // the worker's own
  std::mutex pictureLock_;
  Picture shown_;
  Picture spare_;  // the picture shown before, its memory reused for the next one (worker only)
  std::thread thread_;
};
