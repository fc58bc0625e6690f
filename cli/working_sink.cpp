#include "cli/working_sink.h"

#include <cstdio>

#include "cli/console.h"

WorkingSink::WorkingSink(int englishUi) : NativeSink(englishUi) {
  if (!ErrorStreamIsTerminal()) return;  // quiet when stderr is no terminal
  onProgress = [](const char* status, int cells) {
    const int width = 40;
    const int filled = cells < 0 ? 0 : cells > 100 ? width : cells * width / 100;
    char bar[width + 1];
    for (int i = 0; i < width; ++i) bar[i] = i < filled ? '#' : '.';
    bar[width] = 0;
    std::fprintf(stderr, "\r[%s] %3d%% %-24.24s", bar, cells, status);
    std::fflush(stderr);
  };
}

void WorkingSink::EndBar() {
  if (onProgress && !progressCells.empty()) std::fputc('\n', stderr);
}

