// Running split and merge jobs from the real main window: filling the Split
// page, waiting for the progress dialog and its boxes, and a large generated
// AVI that takes long enough to copy for a Cancel to land during the split.
#pragma once
#include <cstring>

#include "wt_main_driver.h"

namespace shelltest {

inline std::string SamplePath(const char* name) { return Env("TAVRIN_SAMPLES") + "\\" + name; }

// Copies a sample of real muxer output into folder; "" when samples are missing.
inline std::string CopySample(const char* name, const std::string& folder, const char* as) {
  const std::string target = folder + "\\" + as;
  if (!Check(CopyTo(SamplePath(name), target), std::string("sample ") + name + " is there (TAVRIN_SAMPLES)", __FILE__,
             __LINE__))
    return "";
  return target;
}

inline void FillSplitPage(const App& app, const std::string& input, const char* hours, const char* minutes,
                          const char* seconds, const char* overlap, int createRadio) {
  app.SetItemText(101, input);
  app.SetItemText(104, hours);
  app.SetItemText(106, minutes);
  app.SetItemText(108, seconds);
  app.SetItemText(118, overlap);
  app.Click(createRadio);
}

// The progress dialog of the running job (title "Tavrin - Split" / "Tavrin - Merge" in English).
inline HWND WaitForProgress(const App& app, const wchar_t* title, DWORD milliseconds = 15000) {
  HWND dialog = nullptr;
  WaitUntil(
      [&] {
        dialog = FindOf(app.pid(), 2, app.main);
        return dialog != nullptr && (title == nullptr || TextW(dialog) == title);
      },
      milliseconds);
  return dialog;
}

// Waits until the job's dialog has gone and the main window has finished
// with the job's result (Break, deletions, a chained merge started). No
// input reaches the program meanwhile: the dialog must end by itself.
inline bool JobEnded(const App& app, HWND progress, DWORD milliseconds = 10000) {
  const bool gone = WaitUntil([&] { return !IsWindow(progress); }, milliseconds);
  app.Sync();
  return gone;
}

inline std::string StatusOf(HWND progress) { return TextA(GetDlgItem(progress, 310)); }

// The first bytes and the RIFF size of a finished AVI file agree with its length.
inline bool LooksLikeWholeAvi(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  unsigned char head[12] = {};
  const size_t got = std::fread(head, 1, 12, f);
  std::fclose(f);
  const unsigned riffSize = head[4] | (head[5] << 8) | (head[6] << 16) | (unsigned(head[7]) << 24);
  return got == 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "AVI ", 4) == 0 &&
         (long long)riffSize + 8 == FileSize(path);
}

// One video stream of frames chunks of frameBytes each at 25 frames a second,
// a key frame every 25 frames, with a version-1 idx1 index. Written in pieces:
// frames x frameBytes may be large.
inline bool WriteLargeAvi(const std::string& path, unsigned frames, unsigned frameBytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  auto u32 = [&](unsigned v) {
    unsigned char b[4] = {(unsigned char)v, (unsigned char)(v >> 8), (unsigned char)(v >> 16), (unsigned char)(v >> 24)};
    std::fwrite(b, 1, 4, f);
  };
  auto u16 = [&](unsigned v) {
    unsigned char b[2] = {(unsigned char)v, (unsigned char)(v >> 8)};
    std::fwrite(b, 1, 2, f);
  };
  auto code = [&](const char* c) { std::fwrite(c, 1, 4, f); };
  const unsigned strlSize = 4 + (8 + 56) + (8 + 40);
  const unsigned hdrlSize = 4 + (8 + 56) + (8 + strlSize);
  const unsigned moviSize = 4 + frames * (8 + frameBytes);
  const unsigned idx1Size = 16 * frames;
  const unsigned riffSize = 4 + (8 + hdrlSize) + (8 + moviSize) + (8 + idx1Size);

  code("RIFF"); u32(riffSize); code("AVI ");
  code("LIST"); u32(hdrlSize); code("hdrl");
  code("avih"); u32(56);
  u32(40000); u32(frameBytes * 25); u32(0); u32(0x10); u32(frames); u32(0); u32(1); u32(frameBytes);
  u32(320); u32(240); u32(0); u32(0); u32(0); u32(0);
  code("LIST"); u32(strlSize); code("strl");
  code("strh"); u32(56);
  code("vids"); code("MJPG"); u32(0); u32(0); u32(0); u32(1); u32(25); u32(0); u32(frames); u32(frameBytes);
  u32(0xFFFFFFFF); u32(0); u16(0); u16(0); u16(320); u16(240);
  code("strf"); u32(40);
  u32(40); u32(320); u32(240); u16(1); u16(24); code("MJPG"); u32(frameBytes); u32(0); u32(0); u32(0); u32(0);
  code("LIST"); u32(moviSize); code("movi");
  std::vector<unsigned char> frame(frameBytes, 0x5A);
  for (unsigned i = 0; i < frames; ++i) {
    code("00dc");
    u32(frameBytes);
    std::fwrite(frame.data(), 1, frame.size(), f);
  }
  code("idx1"); u32(idx1Size);
  for (unsigned i = 0; i < frames; ++i) {
    code("00dc");
    u32(i % 25 == 0 ? 0x10 : 0);
    u32(4 + i * (8 + frameBytes));
    u32(frameBytes);
  }
  const bool ok = std::ferror(f) == 0;
  return std::fclose(f) == 0 && ok;
}

}  // namespace shelltest
