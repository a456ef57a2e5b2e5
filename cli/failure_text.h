// A failure as the command line tells it: the file, the system's error (errno,
// its text, the Windows code), and which exit code it stands for.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "platform/win32.h"
#include "transfer/transfer_engine.h"

namespace cli_failure {

// The POSIX error a Windows error code stands for (ERROR_DISK_FULL -> ENOSPC), 0 when none.
int ErrnoOf(DWORD windowsError);

// One line (UTF-8): "<path>: <errno text> (errno 28 ENOSPC, Windows error 112)".
std::string Line(const std::string& cp932Path, DWORD windowsError, int errnoValue = 0, bool mismatch = false);
std::string Line(const TransferFailure& failure);

// The JSON of a failure: path, errno, errno_name, error (text), windows_error, mismatch.
nlohmann::json Record(const TransferFailure& failure);

// True when the error means the medium is full (exit code kSpace rather than kWrite).
bool IsFull(DWORD windowsError);

}  // namespace cli_failure
