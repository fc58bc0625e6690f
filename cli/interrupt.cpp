#include "cli/interrupt.h"

namespace {
std::atomic<int32_t>* g_cancelFlag = nullptr;

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
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &previous_[i]);
}

InterruptAsCancel::~InterruptAsCancel() {
  std::fflush(stdout);
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &previous_[i], nullptr);
  g_cancelFlag = nullptr;
}
