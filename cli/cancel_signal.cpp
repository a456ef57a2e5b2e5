#include "cli/cancel_signal.h"

#include <atomic>
#include <csignal>

namespace {
std::atomic<bool> g_cancel{false};

extern "C" void OnInterrupt(int) { g_cancel.store(true); }
}  // namespace

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = static_cast<int>(SA_RESETHAND);  // a second Ctrl+C ends the program at once
    sigaction(SIGINT, &action, nullptr);
    // A caller that started us with SIGINT blocked still gets its interrupt, now
    // as a stop request (one already pending arrives here).
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    sigprocmask(SIG_UNBLOCK, &interrupt, nullptr);
}

bool CancelRequested() { return g_cancel.load(); }

const std::atomic<bool>* CancelFlagOfInterrupt() { return &g_cancel; }

void RequestCancel() { g_cancel.store(true); }
