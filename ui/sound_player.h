// The preview's sound: the file's first sound stream (codec/pcm_source.h)
// played through waveOut from a chosen time, on a thread of its own that
// opens the file, keeps a few buffers queued and refills each as the device
// hands it back. The picture follows its clock while it plays.
//
// Where there is nothing to hear (no sound stream, a format the codec room
// cannot read, no sound device: Wine without an audio driver) it stays
// silent and says Off, and the picture keeps the system's clock.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

enum class SoundClock {
  Starting,  // the thread is opening the file or the device: the clock has not begun
  Running,   // the device plays: Clock gives how far
  Off,       // silent (nothing to play, no device, or the sound ended)
};

class SoundPlayer {
 public:
  SoundPlayer();
  ~SoundPlayer();  // stops
  SoundPlayer(const SoundPlayer&) = delete;
  SoundPlayer& operator=(const SoundPlayer&) = delete;

  // Plays the file's sound from micros after its start (what played before stops).
  void Start(const std::string& path, uint64_t micros);
  void Stop();
  // The state, and while Running the microseconds played since Start.
  SoundClock Clock(uint64_t* micros);

  struct Stream;  // the file and its sound, kept between starts (the thread's alone)

 private:
  void Run(std::string path, uint64_t micros);
  bool OpenDevice(uint32_t rate, uint16_t channels);
  void CloseDevice();

  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> state_{int(SoundClock::Off)};
  HANDLE bufferDone_ = nullptr;  // the device's event: a buffer came back
  std::mutex deviceLock_;        // the device handle between the thread and Clock
  HWAVEOUT device_ = nullptr;
  uint32_t rate_ = 0;
  std::unique_ptr<Stream> stream_;
};
