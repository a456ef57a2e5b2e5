#include "cli/failure_text.h"

#include <cerrno>
#include <cstring>

#include "cli/json_text.h"
#include "platform/cp932.h"

namespace cli_failure {

int ErrnoOf(DWORD windowsError) {
    switch (windowsError) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_SHARING_VIOLATION: return EBUSY;
    case ERROR_NOT_READY: return ENOMEDIUM;
    case ERROR_NOT_ENOUGH_MEMORY: return ENOMEM;
    case ERROR_INVALID_NAME: return EINVAL;
    case 206: return ENAMETOOLONG;  // ERROR_FILENAME_EXCED_RANGE
    case 223: return EFBIG;         // ERROR_FILE_TOO_LARGE
    case 1117: return EIO;          // ERROR_IO_DEVICE
    default: return 0;
    }
}

bool IsFull(DWORD windowsError) { return windowsError == ERROR_DISK_FULL || windowsError == ERROR_HANDLE_DISK_FULL; }

namespace {
int ErrnoFor(DWORD windowsError, int errnoValue) { return errnoValue != 0 ? errnoValue : ErrnoOf(windowsError); }
}  // namespace

std::string Line(const std::string& cp932Path, DWORD windowsError, int errnoValue, bool mismatch) {
    std::string line = cli_json::ValidUtf8(platform::Cp932ToUtf8(cp932Path)) + ": ";
    const int err = ErrnoFor(windowsError, errnoValue);
    if (mismatch && err == 0) return line + "読み戻した内容が書き込んだ内容と違います";
    if (err != 0) {
        const char* name = strerrorname_np(err);
        line +=
            std::string(std::strerror(err)) + " (errno " + std::to_string(err) + (name ? std::string(" ") + name : "");
        line += windowsError != 0 ? ", Windows エラー " + std::to_string(windowsError) + ")" : ")";
        return line;
    }
    return line + (windowsError != 0 ? "Windows エラー " + std::to_string(windowsError) : "原因不明のエラー");
}

std::string Line(const TransferFailure& failure) {
    return Line(failure.path, failure.error, failure.errnoValue, failure.mismatch);
}

nlohmann::json Record(const TransferFailure& failure) {
    nlohmann::json record = nlohmann::json::object();
    cli_json::PutCp932(record, "path", failure.path);
    const int err = ErrnoFor(failure.error, failure.errnoValue);
    record["errno"] = err;
    const char* name = err != 0 ? strerrorname_np(err) : nullptr;
    record["errno_name"] = name ? name : "";
    record["error"] = err != 0 ? std::strerror(err) : "";
    record["windows_error"] = failure.error;
    record["mismatch"] = failure.mismatch;
    return record;
}

}  // namespace cli_failure
