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
    action.sa_flags = SA_RESETHAND;  // a second Ctrl+C ends the program at once
    sigaction(SIGINT, &action, nullptr);
}

bool CancelRequested() { return g_cancel.load(); }

void RequestCancel() { g_cancel.store(true); }
