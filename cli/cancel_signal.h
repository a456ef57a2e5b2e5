// Ctrl+C during a command: a request to stop at the next safe point, like "中止".
#pragma once

#include <atomic>

// Installs the SIGINT handler. The first signal only sets the request; a second
// one ends the process the default way.
void InstallInterruptHandler();
bool CancelRequested();
// The request itself, for the transfer engine to poll between and inside files.
const std::atomic<bool>* CancelFlagOfInterrupt();
// For tests: sets the request as the handler would.
void RequestCancel();
