// The outcome of an operation that can fail for a Windows reason: success, or
// the Windows error code (ERROR_DISK_FULL, ...) with a text that says what
// failed. For every layer above platform/ (C++ only, no Qt): a result that
// cannot be dropped unread.
#pragma once

#include <string>
#include <utility>

#include "platform/win32.h"

namespace platform {

class [[nodiscard]] Status {
public:
    Status() = default;  // success

    [[nodiscard]] static Status Success() { return {}; }
    // A failure never reads as success: an error code of ERROR_SUCCESS (a call
    // that failed without saying why) is kept as ERROR_GEN_FAILURE.
    [[nodiscard]] static Status Failure(DWORD error, std::string text) {
        Status status;
        status.m_error = error == ERROR_SUCCESS ? static_cast<DWORD>(ERROR_GEN_FAILURE) : error;
        status.m_text = std::move(text);
        return status;
    }
    // A failure with the thread's GetLastError().
    [[nodiscard]] static Status LastError(std::string text) { return Failure(GetLastError(), std::move(text)); }

    [[nodiscard]] bool IsOk() const noexcept { return m_error == ERROR_SUCCESS; }
    explicit operator bool() const noexcept { return IsOk(); }
    [[nodiscard]] DWORD Error() const noexcept { return m_error; }             // ERROR_SUCCESS on success
    [[nodiscard]] const std::string& Text() const noexcept { return m_text; }  // CP932; empty on success

private:
    DWORD m_error = ERROR_SUCCESS;
    std::string m_text;
};

}  // namespace platform
