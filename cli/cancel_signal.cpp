#include "cli/cancel_signal.h"

#include <atomic>
#include <csignal>

namespace {
std::atomic<bool> g_cancel{false};
std::atomic<int> g_signal{0};

// Ctrl+C, a plain kill and a closed terminal all ask for the same safe stop:
// none of them may leave a temporary file on the medium.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnInterrupt(int signal) {
    int none = 0;
    g_signal.compare_exchange_strong(none, signal);
    g_cancel.store(true);
}
}  // namespace

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = static_cast<int>(SA_RESETHAND);  // a second signal ends the program at once
    sigset_t stops;
    sigemptyset(&stops);
    for (const int signal : kStopSignals) {
        sigaction(signal, &action, nullptr);
        sigaddset(&stops, signal);
    }
    // A caller that started us with these blocked still gets its request, now as a
    // stop request (one already pending arrives here).
    sigprocmask(SIG_UNBLOCK, &stops, nullptr);
}

bool CancelRequested() { return g_cancel.load(); }

const char* CancelSignalName() {
    switch (g_signal.load()) {
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    case SIGINT: return "SIGINT";
    default: return "";
    }
}

const std::atomic<bool>* CancelFlagOfInterrupt() { return &g_cancel; }

void RequestCancel() { g_cancel.store(true); }
