#include "catalogue/file_limits.h"

#include <string>

#include "platform/win32.h"

namespace file_limits {

bool RefusedAsTooLarge(const char* winPath, uint64_t limit) {
    if (!winPath || !winPath[0] || winPath[1] != ':') return false;
    const std::string root = std::string(winPath, 2) + "\\";
    const UINT type = GetDriveTypeA(root.c_str());
    if (type != DRIVE_REMOVABLE && type != DRIVE_CDROM && type != DRIVE_REMOTE) return false;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(winPath, GetFileExInfoStandard, &data)) return false;
    const uint64_t size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return size > limit;
}

}  // namespace file_limits
