#include "cli/interrupt.h"

#include <csignal>
#include <cstdio>

namespace {
std::atomic<int32_t>* g_cancelFlag = nullptr;
constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous[3] = {};

extern "C" void OnInterrupt(int) {
  if (g_cancelFlag) g_cancelFlag->store(-2);
}
}  // namespace

InterruptAsCancel::InterruptAsCancel(NativeSink& sink) {
  g_cancelFlag = &sink.cancelRequested;
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESTART;  // a write blocked on a full pipe goes on after the signal
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &g_previous[i]);
}

InterruptAsCancel::~InterruptAsCancel() {
  std::fflush(stdout);
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
  g_cancelFlag = nullptr;
}
