// The preview's sound through waveOut (ui/sound_player.h).
#include "ui/sound_player.h"

#include <mmsystem.h>

#include <vector>

#ifndef TAVRIN_NO_CODEC
#include "avi/avi_source.h"
#include "codec/pcm_source.h"
#endif

namespace {

// Four buffers of 1/10 s: the device never runs dry while one is refilled,
// and Stop is heard at once.
constexpr int kBuffers = 4;
constexpr uint32_t kBuffersPerSecond = 10;
// How long the thread waits for the device before it looks at stop_ again.
constexpr DWORD kWaitMs = 50;

}  // namespace

#ifdef TAVRIN_NO_CODEC
struct SoundPlayer::Stream {};
#else
struct SoundPlayer::Stream {
  std::string path;
  AviSource source;
  AviAnalysis analysis{};
  std::unique_ptr<PcmSource> sound;

  // The file's sound, opened once for the path; false when it has none to play.
  bool Open(const std::string& wanted) {
    if (path == wanted) return sound != nullptr;
    path = wanted;
    sound.reset();
    std::string why;
    if (!source.Open(wanted.c_str()) || !source.Analyse(analysis, nullptr, 0, 100)) return false;
    std::unique_ptr<PcmSource> opened(new PcmSource(source.Input(), analysis));
    if (!opened->Open(&why)) return false;
    sound = std::move(opened);
    return true;
  }
};
#endif

SoundPlayer::SoundPlayer() : bufferDone_(CreateEventW(nullptr, FALSE, FALSE, nullptr)), stream_(new Stream) {}

SoundPlayer::~SoundPlayer() {
  Stop();
  if (bufferDone_) CloseHandle(bufferDone_);
}

void SoundPlayer::Start(const std::string& path, uint64_t micros) {
  Stop();
  stop_ = false;
  state_ = int(SoundClock::Starting);
  thread_ = std::thread(&SoundPlayer::Run, this, path, micros);
}

void SoundPlayer::Stop() {
  if (!thread_.joinable()) return;
  stop_ = true;
  SetEvent(bufferDone_);
  thread_.join();
  state_ = int(SoundClock::Off);
}

SoundClock SoundPlayer::Clock(uint64_t* micros) {
  const SoundClock state = SoundClock(state_.load());
  if (state != SoundClock::Running) return state;
  std::lock_guard<std::mutex> hold(deviceLock_);
  MMTIME time = {};
  time.wType = TIME_SAMPLES;
  if (device_ == nullptr || waveOutGetPosition(device_, &time, sizeof time) != MMSYSERR_NOERROR ||
      time.wType != TIME_SAMPLES || rate_ == 0)
    return SoundClock::Off;
  *micros = uint64_t(time.u.sample) * 1000000u / rate_;
  return SoundClock::Running;
}

bool SoundPlayer::OpenDevice(uint32_t rate, uint16_t channels) {
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = channels;
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = WORD(channels * 2);
  format.nAvgBytesPerSec = rate * format.nBlockAlign;
  std::lock_guard<std::mutex> hold(deviceLock_);
  rate_ = rate;
  // Wine without an audio driver (and a machine without a sound card) fails here: silent.
  return waveOutOpen(&device_, WAVE_MAPPER, &format, DWORD_PTR(bufferDone_), 0, CALLBACK_EVENT) ==
         MMSYSERR_NOERROR;
}

void SoundPlayer::CloseDevice() {
  std::lock_guard<std::mutex> hold(deviceLock_);
  if (device_ == nullptr) return;
  waveOutReset(device_);  // hands every queued buffer back
  waveOutClose(device_);
  device_ = nullptr;
}

#ifdef TAVRIN_NO_CODEC
void SoundPlayer::Run(std::string, uint64_t) { state_ = int(SoundClock::Off); }
#else
void SoundPlayer::Run(std::string path, uint64_t micros) {
  if (!stream_->Open(path) || stop_) {
    state_ = int(SoundClock::Off);
    return;
  }
  PcmSource& sound = *stream_->sound;
  sound.Seek(micros);
  const uint16_t channels = sound.Channels();
  const size_t frames = sound.Rate() / kBuffersPerSecond + 1;
  if (!OpenDevice(sound.Rate(), channels)) {
    state_ = int(SoundClock::Off);
    return;
  }
  std::vector<std::vector<int16_t>> data(kBuffers, std::vector<int16_t>(frames * channels));
  WAVEHDR headers[kBuffers] = {};
  int queued = 0;
  bool ended = false;
  // Fills header i with the next samples and queues it; false at the sound's end.
  auto refill = [&](int i) {
    const size_t got = sound.Read(data[size_t(i)].data(), frames);
    if (got == 0) return false;
    WAVEHDR& h = headers[i];
    h = WAVEHDR{};
    h.lpData = reinterpret_cast<LPSTR>(data[size_t(i)].data());
    h.dwBufferLength = DWORD(got * channels * sizeof(int16_t));
    if (waveOutPrepareHeader(device_, &h, sizeof h) != MMSYSERR_NOERROR) return false;
    if (waveOutWrite(device_, &h, sizeof h) != MMSYSERR_NOERROR) {
      waveOutUnprepareHeader(device_, &h, sizeof h);
      return false;
    }
    ++queued;
    return true;
  };
  // Paused while the first buffers go in, so the clock starts with the sound.
  waveOutPause(device_);
  for (int i = 0; i < kBuffers && !ended; ++i) ended = !refill(i);
  waveOutRestart(device_);
  state_ = int(queued > 0 ? SoundClock::Running : SoundClock::Off);
  while (!stop_ && queued > 0) {
    WaitForSingleObject(bufferDone_, kWaitMs);
    for (int i = 0; i < kBuffers && !stop_; ++i) {
      WAVEHDR& h = headers[i];
      if (h.lpData == nullptr || (h.dwFlags & WHDR_DONE) == 0) continue;
      waveOutUnprepareHeader(device_, &h, sizeof h);
      h.lpData = nullptr;
      --queued;
      if (!ended) ended = !refill(i);
    }
  }
  // The clock leaves the sound before the device goes: the picture carries on alone.
  state_ = int(SoundClock::Off);
  {
    std::lock_guard<std::mutex> hold(deviceLock_);
    if (device_) waveOutReset(device_);
  }
  for (WAVEHDR& h : headers)
    if (h.lpData) waveOutUnprepareHeader(device_, &h, sizeof h);
  CloseDevice();
}
#endif
