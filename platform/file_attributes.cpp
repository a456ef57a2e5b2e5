// GetFileAttributesA / GetFileAttributesExA on Windows paths.
#include <sys/stat.h>

#include <cstring>

#include "platform/host_fs.h"
#include "platform/paths.h"
#include "platform/win32.h"

namespace platform {
namespace {

// Resolves `path` to an existing file or folder, or sets the Windows error.
[[nodiscard]] bool Lookup(LPCSTR path, HostPath* r) {
    if (!path) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    *r = ResolvePath(path);
    if (!r->ok || !r->exists || !IsPlainFileOrFolder(r->info)) {
        SetLastError(MissingPathError(*r));
        return false;
    }
    // "file.txt\" names a folder that cannot exist.
    if (r->trailingSeparator && !S_ISDIR(r->info.st_mode)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    return true;
}

DWORD AttributesOfResolved(const HostPath& r) {
    if (IsDriveRoot(r)) return FILE_ATTRIBUTE_DIRECTORY;
    return AttributesOf(r.info, std::string_view(r.host).substr(r.host.rfind('/') + 1));
}

}  // namespace
}  // namespace platform

DWORD GetFileAttributesA(LPCSTR lpFileName) {
    platform::HostPath r;
    if (!platform::Lookup(lpFileName, &r)) return INVALID_FILE_ATTRIBUTES;
    return platform::AttributesOfResolved(r);
}

BOOL GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS level, LPVOID info) {
    if (level != GetFileExInfoStandard || !info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    platform::HostPath r;
    if (!platform::Lookup(lpFileName, &r)) return FALSE;
    WIN32_FILE_ATTRIBUTE_DATA d;
    std::memset(&d, 0, sizeof d);
    d.dwFileAttributes = platform::AttributesOfResolved(r);
    const struct stat& st = r.info;
    d.ftCreationTime = platform::CreationTimeOf(st);
    d.ftLastAccessTime = platform::ToFileTime(st.st_atim);
    d.ftLastWriteTime = platform::ToFileTime(st.st_mtim);
    if (!S_ISDIR(st.st_mode)) {
        uint64_t size = static_cast<uint64_t>(st.st_size);
        d.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        d.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    }
    std::memcpy(info, &d, sizeof d);
    return TRUE;
}
