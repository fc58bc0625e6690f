// The preview window: the picture of a frame (decoded through what Windows
// has, ui/frame_decoder.h), a track bar over the whole recording with the
// key frames marked, the frame's time, number, key flag and size, and
// buttons and keys to step by frame and by key frame. One preview exists at
// a time; opening it again shows the new file in the same window.
//
// Linked to the Split tab it follows the tab's fields as they change: it
// shows the key frame where the split will cut, with the cut and the second
// file's start (the overlap) drawn on the track bar, and "Use as split time"
// fills the fields so that the cut lands exactly at the frame shown. For a
// dialog that marks cuts (the Cut dialog) it offers "Start here" and "End
// here", handing the frame shown to the dialog's callbacks:
//
//   PreviewCutHooks hooks;
//   hooks.startHere = [dialog](const PreviewPosition& p) { ... p.frame, p.micros, p.key ... };
//   hooks.endHere = ...;
//   OpenPreview(dialog, path, PreviewLink::Cut, hooks);   // owned by the dialog
//   ShowPreviewFrame(frame);                                // e.g. when its list's selection moves
//   SetPreviewKeptRanges(dialog, kept);                     // the cut's plan: the track bar shows
//                                                           // kept and dropped frames, "Play kept
//                                                           // ranges" plays only the kept ones
//   ReleasePreview(dialog);                                 // when the dialog ends
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "avi/key_frame_list.h"

// The window's controls.
enum PreviewControl {
  kPreviewPicture = 10,
  kPreviewTimeline,
  kPreviewInfo,
  kPreviewPlan,
  kPreviewFirst,  // the six stepping buttons in this order
  kPreviewPreviousKey,
  kPreviewPrevious,
  kPreviewNext,
  kPreviewNextKey,
  kPreviewLast,
  kPreviewUseAsSplitTime,
  kPreviewStartHere,
  kPreviewEndHere,
  kPreviewPlay,  // Play / Stop
  kPreviewPlayKept,  // Play kept ranges (a cut's plan known)
};

enum class PreviewLink {
  Plain,     // a file to look at (the Join list, the Merge tab)
  SplitTab,  // follows the main window's Split tab
  Cut,       // serves a dialog through PreviewCutHooks
};

// The frame shown: its number, its time (number x avih dwMicroSecPerFrame),
// and whether it is a key frame.
struct PreviewPosition {
  uint32_t frame = 0;
  uint64_t micros = 0;
  bool key = false;
};

struct PreviewCutHooks {
  std::function<void(const PreviewPosition&)> startHere;
  std::function<void(const PreviewPosition&)> endHere;
};

// Opens the preview of path (UTF-8) owned by owner, or shows path in the
// preview already open (owned anew when the owner differs).
void OpenPreview(HWND owner, const std::string& path, PreviewLink link, PreviewCutHooks hooks = PreviewCutHooks());
// The main window calls this whenever a field or choice of the Split tab
// changes; a preview linked to the tab follows it.
void FollowSplitFields();
// Breaks found in a recording (the Cut dialog's Find breaks): the track bar
// marks them while the preview shows that file, and Ctrl+Down / Ctrl+Up
// move to the next / previous one (a black stretch's first frame, a scene
// change's frame). Kept until breaks of another file come.
struct PreviewBreaks {
  struct Run {
    uint32_t first = 0;
    uint32_t count = 0;
  };
  std::string path;  // UTF-8, as OpenPreview's
  std::vector<Run> black;
  std::vector<uint32_t> scenes;
};
void SetPreviewBreaks(const PreviewBreaks& breaks);
// Frames first..end-1, sorted, apart.
struct PreviewRange {
  uint32_t first = 0;
  uint32_t end = 0;
};
// The frames a cut keeps, for the preview owner owns (nothing when another
// owns it); an empty list: no plan (the track bar shows no ranges).
void SetPreviewKeptRanges(HWND owner, std::vector<PreviewRange> kept);
// Moves the open preview to frame.
void ShowPreviewFrame(uint32_t frame);
// Closes the preview if owner owns it (a dialog that ends); any owner when null.
void ReleasePreview(HWND owner);
// The open preview window, or null.
HWND PreviewWindow();

// What the open preview shows, for tests and the screenshot tools (from any
// thread: another thread asks the window's).
struct PreviewFacts {
  bool open = false;
  bool ready = false;         // the file is read and no answer is awaited
  std::string path;
  PreviewLink link = PreviewLink::Plain;
  uint32_t frames = 0;
  uint32_t frameMicros = 0;
  uint32_t current = 0;        // the frame asked for last
  bool entryKnown = false;     // entry below is current's
  FrameEntry entry;
  bool pictureShown = false;   // the picture area shows current's picture
  bool playing = false;        // Play runs (Space or the button stops it)
  bool playingKept = false;    // and plays the kept ranges only
  uint32_t playShown = 0;      // frames Play has shown (each the next one, or a kept range's first)
  std::vector<PreviewRange> kept;  // the cut's kept frames as the track bar shows them
  std::wstring pictureText;    // what it says instead of a picture
  std::string decoderName;
  uint64_t chunksDecoded = 0;  // chunks the decoder was sent for the frames shown since the file opened
  bool hasCut = false;
  uint32_t cut = 0;
  uint32_t secondStart = 0;
  std::wstring infoText;       // the line under the track bar
  std::wstring planText;       // the line after it (the cut, or why there is none)
  HWND picture = nullptr;      // the picture's window and, in its client area,
  RECT pictureRect = {};       // the rectangle the picture is drawn into
  HWND timeline = nullptr;
  int Timeline(uint32_t frame) const;  // the track bar's x of a frame
};
PreviewFacts CurrentPreviewFacts();
