// What FFmpeg's libraries in this build are and hold: the versions found at
// run time against those built against, their licence, and every decoder,
// encoder, parser and bitstream filter the program relies on that is
// missing. The Windows build ships the libraries as DLLs of its own making
// (scripts/ffmpeg_win.sh), so a check of what they hold guards that build.
#pragma once
#include <string>
#include <vector>

struct LibraryCheck {
  bool versionsMatch = false;        // avcodec, avutil and swscale as built against
  std::string avcodecLicence;        // "LGPL version 2.1 or later" for an LGPL-only build
  std::string swscaleLicence;
  std::string avcodecFile;           // the avcodec DLL's name on Windows ("avcodec-59.dll")
  std::vector<std::string> missing;  // "decoder mpeg4", "parser h264", "filter mpeg4_unpack_bframes"
};

LibraryCheck CheckLibrary();
