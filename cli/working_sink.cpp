#include "cli/working_sink.h"

#include <cstdio>
#include <string>

#include "cli/console.h"

namespace {

size_t g_batchIndex = 0;
size_t g_batchCount = 0;

std::string BarCells(int percent, int width) {
  const int filled = percent < 0 ? 0 : percent > 100 ? width : percent * width / 100;
  std::string bar(size_t(width), '.');
  for (int i = 0; i < filled; ++i) bar[size_t(i)] = '#';
  return "[" + bar + "]";
}

}  // namespace

void SetBatchBar(size_t index, size_t count) {
  g_batchIndex = index;
  g_batchCount = count;
}

WorkingSink::WorkingSink(int englishUi) : NativeSink(englishUi) {
  if (!ErrorStreamIsTerminal()) return;  // quiet when stderr is no terminal
  onProgress = [](const char* status, int cells) {
    if (g_batchCount == 0) {
      std::fprintf(stderr, "\r%s %3d%% %-24.24s", BarCells(cells, 40).c_str(), cells, status);
    } else {
      const int whole = int((g_batchIndex * 100 + size_t(cells < 0 ? 0 : cells > 100 ? 100 : cells)) / g_batchCount);
      std::fprintf(stderr, "\rjob %zu/%zu %s %s %3d%% %-16.16s", g_batchIndex + 1, g_batchCount,
                   BarCells(whole, 20).c_str(), BarCells(cells, 20).c_str(), cells, status);
    }
    std::fflush(stderr);
  };
}

void WorkingSink::EndBar() {
  if (onProgress && !progressCells.empty()) std::fputc('\n', stderr);
}
