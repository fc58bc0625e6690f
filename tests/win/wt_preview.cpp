// The preview's pictures, in the program's own main dialog run inside the
// test, for files ffmpeg made with Cinepak, Microsoft Video 1, uncompressed
// BGR24, H.264, MPEG-4 Visual (also with B-frames) and MJPEG, whose 40 frames all differ: the
// picture shown for a frame matches ffmpeg's decoding of that frame better than any other frame
// of the file, for key frames and frames decoded on from the key frame
// before, reached by the buttons, the keys and the track bar; key-frame
// stepping lands on exactly the key frames that tavrin-cli keyframes lists.
// Every one of them decodes through FFmpeg's libraries (the codec room), as
// `tavrin frame` does: frame N is the picture shown at index N.
// Runs in English and Japanese.
#include <memory>

#include "tests/win/lib/preview_app.h"

using namespace wt;

namespace {

// The frames key-frame stepping visits from the first frame to the last.
std::vector<long> SteppedKeyFrames() {
  PressPreviewButton(kPreviewFirst);
  PreviewFacts f = WaitPreview(0);
  std::vector<long> visited;
  if (f.entryKnown && f.entry.key) visited.push_back(0);
  for (int i = 0; i < 100; ++i) {
    PressPreviewButton(kPreviewNextKey);
    const PreviewFacts next = WaitPreview();
    if (next.current == f.current) break;
    visited.push_back(long(next.current));
    f = next;
  }
  return visited;
}

struct Codec {
  const char* name;
  bool mustDecode;  // Wine has its decoder
};

void CheckCodec(const InProcess& app, const Codec& codec, CliKeyFrames& listing) {
  const std::string avi = PreviewSample(std::string(codec.name) + ".avi");
  const std::vector<Grid> references =
      ReferenceFrames(PreviewSample(std::string(codec.name) + ".bgr"), kPreviewWidth, kPreviewHeight);
  const PreviewFacts opened = OpenFromSplitTab(app, avi);
  WT_CHECK_EQ(opened.frames, 40u);
  WT_CHECK_EQ(references.size(), size_t(40));
  const std::vector<long> keys = listing.Frames();
  WT_CHECK(keys.size() >= 3);
  WT_CHECK_EQ(SteppedKeyFrames(), keys);
  if (opened.decoderName.empty()) {
    std::printf("   %s: no decoder on this system: %s\n", codec.name, Show(opened.pictureText).c_str());
    Check(!codec.mustDecode, std::string(codec.name) + " decodes under Wine", __FILE__, __LINE__);
    return;
  }
  std::printf("   %s: %s\n", codec.name, opened.decoderName.c_str());
  WT_CHECK(opened.decoderName.rfind("FFmpeg: ", 0) == 0);  // the library first, not the system's
  long keyBefore33 = -1;
  for (long k : keys)
    if (k < 33) keyBefore33 = k;
  PressPreviewButton(kPreviewFirst);
  CheckPicture(codec.name, references, 0);
  PressPreviewButton(kPreviewNext);  // on from the key frame
  CheckPicture(codec.name, references, 1);
  PressPreviewKey(VK_RIGHT, false, 2);
  CheckPicture(codec.name, references, 2);
  Seek(17);  // decoded from the key frame before it
  CheckPicture(codec.name, references, 17);
  ClickTimeline(33);
  CheckPicture(codec.name, references, 33);
  const PreviewFacts key = PressPreviewKey(VK_LEFT, true, keyBefore33);  // Ctrl+Left: the key frame before
  WT_CHECK_EQ(long(key.current), keyBefore33);
  WT_CHECK(key.entryKnown && key.entry.key);
  CheckPicture(codec.name, references, keyBefore33);
  long keyAfter = keyBefore33;  // the last key frame stays where it is
  for (long k : keys)
    if (keyAfter == keyBefore33 && k > keyBefore33) keyAfter = k;
  WT_CHECK_EQ(long(PressPreviewKey(VK_RIGHT, true, keyAfter).current), keyAfter);  // Ctrl+Right: the next one
  PressPreviewButton(kPreviewLast);
  CheckPicture(codec.name, references, 39);
  PressPreviewButton(kPreviewPrevious);
  CheckPicture(codec.name, references, 38);
}

}  // namespace

int main() {
  if (!Begin(110000)) return Summary();
  const Codec codecs[] = {{"cinepak", true}, {"msvideo1", true}, {"bgr24", true},
                          {"h264", true},    {"mpeg4", true},    {"mjpeg", true},
                          {"mpeg4_bframes", true}};
  // The command line's lists, made meanwhile.
  std::vector<std::unique_ptr<CliKeyFrames>> listings;
  for (const Codec& codec : codecs)
    listings.emplace_back(new CliKeyFrames(PreviewSample(std::string(codec.name) + ".avi")));
  InProcess app;
  app.Start(0, MakeDir("preview"), 0);

  for (size_t i = 0; i < sizeof codecs / sizeof codecs[0]; ++i) {
    const std::string title = std::string(codecs[i].name) +
                              ": each frame's picture is ffmpeg's; key-frame steps land on tavrin-cli keyframes' list";
    Case(title.c_str());
    if (!FileExists(PreviewSample(std::string(codecs[i].name) + ".avi"))) {
      Check(!codecs[i].mustDecode, "the sample (tools/make_samples.sh)", __FILE__, __LINE__);
      continue;
    }
    CheckCodec(app, codecs[i], *listings[i]);
  }

  app.Stop();
  WT_CHECK(PreviewWindow() == nullptr);  // it closes with the main window
  return Summary();
}
