// Ctrl+C during a command: a request to stop at the next safe point, like "中止".
#pragma once

// Installs the SIGINT handler. The first signal only sets the request; a second
// one ends the process the default way.
void InstallInterruptHandler();
bool CancelRequested();
// For tests: sets the request as the handler would.
void RequestCancel();

// Thrown from the front end between two files of a transfer once a stop was requested.
struct TransferCancelled {};
