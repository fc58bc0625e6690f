// FFmpeg's DLLs as the Windows build ships them (avcodec, avutil, swscale,
// built by scripts/ffmpeg_win.sh and copied beside the programs): they load
// from beside this program, match the headers built against, are LGPL only,
// and hold every decoder, parser and encoder the program relies on. (That
// they decode and encode is shown by tavrin-cli.exe's frame and exact-cut
// tests, which run on the same DLLs.)
#include <string>

#include "codec/library_check.h"
#include "tests/win/lib/check.h"

using namespace wt;

namespace {

std::string Folder(const std::string& path) { return path.substr(0, path.find_last_of("\\/")); }

std::string ModuleFolder(HMODULE module) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  return Folder(path);
}

}  // namespace

int main() {
  if (!Begin(60000)) return Summary();
  const LibraryCheck library = CheckLibrary();

  Case("the DLLs beside the program load, match the headers and are LGPL only");
  {
    HMODULE module = GetModuleHandleA(library.avcodecFile.c_str());
    if (WT_CHECK(module != nullptr)) WT_CHECK_EQ(ModuleFolder(module), ModuleFolder(nullptr));
    WT_CHECK(library.versionsMatch);
    WT_CHECK_EQ(library.avcodecLicence, std::string("LGPL version 2.1 or later"));
    WT_CHECK_EQ(library.swscaleLicence, std::string("LGPL version 2.1 or later"));
  }

  Case("the decoders, parsers, encoders and filter the program relies on are there");
  for (const std::string& what : library.missing) WT_CHECK_EQ(what, std::string("present"));

  return Summary();
}
