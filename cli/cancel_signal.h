// Ctrl+C (SIGINT), SIGTERM or SIGHUP during a command: a request to stop at the
// next safe point, like "中止".
#pragma once

#include <atomic>

// Installs the handler of the three signals. The first signal only sets the
// request; a second one of the same kind ends the process the default way.
void InstallInterruptHandler();
bool CancelRequested();
// The name of the signal that asked for the stop ("SIGTERM"), empty when none did.
const char* CancelSignalName();
// The request itself, for the transfer engine to poll between and inside files.
const std::atomic<bool>* CancelFlagOfInterrupt();
// For tests: sets the request as the handler would.
void RequestCancel();
