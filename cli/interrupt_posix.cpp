#include "cli/interrupt.h"

#include <csignal>
#include <cstdio>

namespace {
std::atomic<int32_t>* g_cancelFlag = nullptr;
volatile std::sig_atomic_t g_interruptSeen = 0;
constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnInterrupt(int) {
  if (g_cancelFlag) g_cancelFlag->store(-2);
  g_interruptSeen = 1;
}

// The handlers before the outermost object took the signals.
struct sigaction g_previous[3] = {};
int g_depth = 0;
}  // namespace

InterruptAsCancel::InterruptAsCancel(NativeSink& sink) : outerFlag_(g_cancelFlag) {
  g_cancelFlag = &sink.cancelRequested;
  if (g_depth++ > 0) return;
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESTART;  // a write blocked on a full pipe goes on after the signal
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &g_previous[i]);
}

InterruptAsCancel::~InterruptAsCancel() {
  std::fflush(stdout);
  g_cancelFlag = outerFlag_;
  if (--g_depth > 0) return;
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
}

bool InterruptSeen() { return g_interruptSeen != 0; }
