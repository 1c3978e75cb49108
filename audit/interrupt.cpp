#include "audit/interrupt.h"

#include <csignal>

namespace varnic::audit {
namespace {

// Lock-free atomics are what a signal handler may touch.
std::atomic<bool> g_interrupted{false};
std::atomic<int> g_signal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

using Handler = void (*)(int);
Handler g_previousInt = SIG_DFL;
Handler g_previousTerm = SIG_DFL;

extern "C" void OnSignal(int signal) {
  if (g_interrupted.exchange(true)) {
    // Asked twice: the person means it now.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  g_signal.store(signal);
  // Some systems reset the handler on delivery; the second signal must still reach us.
  std::signal(signal, OnSignal);
}

}  // namespace

CInterruptScope::CInterruptScope() {
  g_interrupted.store(false);
  g_signal.store(0);
  g_previousInt = std::signal(SIGINT, OnSignal);
  g_previousTerm = std::signal(SIGTERM, OnSignal);
}

CInterruptScope::~CInterruptScope() {
  std::signal(SIGINT, g_previousInt == SIG_ERR ? SIG_DFL : g_previousInt);
  std::signal(SIGTERM, g_previousTerm == SIG_ERR ? SIG_DFL : g_previousTerm);
}

const std::atomic<bool>& CInterruptScope::Flag() const { return g_interrupted; }

int CInterruptScope::Signal() const { return g_signal.load(); }

}  // namespace varnic::audit
