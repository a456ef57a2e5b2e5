// SHGetFileInfoA for drive roots: display name and icon index of a drive.
#include <cstring>
#include <string>

#include "platform/cp932.h"
#include "platform/drive_letter.h"
#include "platform/drives.h"
#include "platform/host_fs.h"
#include "platform/paths.h"
#include "platform/win32.h"

namespace platform {
namespace {

const char* KindName(unsigned type) {
    switch (type) {
    case DRIVE_FIXED: return "ローカル ディスク";
    case DRIVE_REMOVABLE: return "リムーバブル ディスク";
    case DRIVE_CDROM: return "CD ドライブ";
    case DRIVE_REMOTE: return "ネットワーク ドライブ";
    case DRIVE_RAMDISK: return "RAM ディスク";
    default: return "ドライブ";
    }
}

int IconOf(unsigned type) {
    switch (type) {
    case DRIVE_FIXED: return SHELL_ICON_FIXED;
    case DRIVE_REMOVABLE: return SHELL_ICON_REMOVABLE;
    case DRIVE_CDROM: return SHELL_ICON_OPTICAL;
    case DRIVE_REMOTE: return SHELL_ICON_NETWORK;
    case DRIVE_RAMDISK: return SHELL_ICON_RAMDISK;
    default: return SHELL_ICON_UNKNOWN;
    }
}

void CopyCp932(char* dst, size_t capacity, const std::string& cp932) {
    size_t n = Cp932SafeCut(cp932, capacity - 1);
    std::memcpy(dst, cp932.data(), n);
    dst[n] = '\0';
}

}  // namespace
}  // namespace platform

DWORD_PTR SHGetFileInfoA(LPCSTR pszPath, DWORD, SHFILEINFOA* psfi, UINT cbFileInfo, UINT uFlags) {
    using namespace platform;
    // Only drive roots are answered: "X:\" (also "X:" and "X:/").
    if (!pszPath || (uFlags & SHGFI_PIDL)) return 0;
    const auto letter = DriveLetter::OfRoot(pszPath);
    if (!letter) return 0;
    const int drive = letter->Number();
    unsigned type = DriveType(drive);
    if (type == DRIVE_NO_ROOT_DIR) return 0;
    if (!psfi || cbFileInfo < sizeof(SHFILEINFOA)) return 1;  // the drive exists; nothing to fill

    psfi->hIcon = nullptr;
    psfi->dwAttributes = 0;
    if (uFlags & SHGFI_SYSICONINDEX) psfi->iIcon = IconOf(type);
    if (uFlags & SHGFI_DISPLAYNAME) {
        // The volume label, or the kind of drive when it has none (or no medium).
        std::string name = DriveHasMedium(drive) ? DriveLabel(drive) : std::string();
        if (name.empty()) name = KindName(type);
        name += " (";
        name += letter->Name() + ")";
        CopyCp932(psfi->szDisplayName, sizeof psfi->szDisplayName, Utf8ToCp932(name));
    }
    if (uFlags & SHGFI_TYPENAME) CopyCp932(psfi->szTypeName, sizeof psfi->szTypeName, Utf8ToCp932(KindName(type)));
    return 1;
}
