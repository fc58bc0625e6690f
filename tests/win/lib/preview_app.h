// The preview of the program's own main dialog run inside the test (see
// tests/win/lib/inproc.h): opening it on the Split tab's file, moving it,
// checking its picture against ffmpeg's decoding of the sample files of
// tools/make_samples.sh (preview/NAME.avi and NAME.bgr: 40 frames of
// 160x120 that all differ).
#pragma once
#include "io/wide_path.h"
#include "tests/win/lib/inproc.h"
#include "tests/win/lib/preview.h"

namespace wt {

constexpr int kPreviewWidth = 160, kPreviewHeight = 120;

inline std::string PreviewSample(const std::string& name) { return Env("TAVRIN_SAMPLES") + "\\preview\\" + name; }

inline void SetField(const InProcess& app, int id, const std::string& text) {
  SendMessageW(app.Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(WideFromUtf8(text).c_str()));
}

// Names file in the Split tab and opens the preview as the Operate menu's
// item does (the open preview follows the field by itself).
inline PreviewFacts OpenFromSplitTab(const InProcess& app, const std::string& file) {
  SetField(app, IDC_SRC_FILE, file);
  if (!PreviewWindow()) PostMessageA(app.main, WM_COMMAND, MAKEWPARAM(IDM_PREVIEW, 0), 0);
  WaitUntil([] { return PreviewWindow() != nullptr; });
  WaitUntil([&] { return CurrentPreviewFacts().path == file; });
  return WaitPreview(0);
}

// The preview moves to frame as a click on the track bar at its place does.
inline void Seek(uint32_t frame) { SendMessageW(PreviewWindow(), WM_APP + 0x52, frame, 0); }

// Checks that the picture shown is ffmpeg's frame `frame`; prints the distances.
inline void CheckPicture(const std::string& what, const std::vector<Grid>& references, long frame) {
  const PreviewFacts f = WaitPreview(frame);
  if (!Check(f.pictureShown, what + ": a picture for frame " + std::to_string(frame) + ": " + Show(f), __FILE__,
             __LINE__))
    return;
  const Match m = BestMatch(ShownGrid(f), references);
  std::printf("   %s frame %ld: best match %d at %.2f, next best %.2f\n", what.c_str(), frame, m.frame, m.distance,
              m.runnerUp);
  Check(m.frame == frame, what + ": frame " + std::to_string(frame) + " shows ffmpeg's frame " + std::to_string(m.frame),
        __FILE__, __LINE__);
}

}  // namespace wt
