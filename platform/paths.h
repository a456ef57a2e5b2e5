// Windows paths on the host: drive letters come from $WINEPREFIX/dosdevices.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

namespace platform {

// The prefix folder: $WINEPREFIX, or ~/.wine when unset. Read at every call.
std::string PrefixDir();

// Host folder of a drive (0 = A:), following its dosdevices link at every call;
// empty when the letter has no link. The target may be missing (no medium).
[[nodiscard]] std::string DriveHostRoot(int drive);

// Result of mapping a Windows path (CP932) to a host path (UTF-8).
struct HostPath {
    bool ok = false;                 // false: no such drive, or a component could not be converted
    std::string host;                // host path; components that do not exist are kept as converted
    int drive = -1;                  // drive number of the path
    bool parentExists = false;       // every folder above the last component exists
    bool trailingSeparator = false;  // the Windows path ended in '\' or '/'
    bool exists = false;             // the host path exists (following links); `info` holds its stat
    struct stat info {};
    unsigned long error = 0;  // when !ok: 3 (no such drive, bad path) or 123 (invalid name)
};

// Maps a Windows path: drive-absolute ("E:\x"), root-relative ("\x", on the current
// drive) or relative (to the Windows current folder); '\' and '/' both separate,
// CP932 lead bytes are respected (表 = 95 5C is one character). "." and ".." are
// resolved without climbing above the drive root; as on Windows, trailing dots and
// spaces of the last component are dropped. Each existing component is matched
// exactly first and, failing that, ignoring case. Components with characters that a
// Windows file system cannot hold (* ? " < > | : control characters) or device names
// (CON, NUL, COM1...) give ok = false with error 123; UNC paths are not supported.
// The drive's dosdevices link is followed (it is the mount); below the drive root
// no symbolic link is: a name that is a link, or lies below one, reads as missing
// (exists = false, error 2 or 3 as for a missing file), so a stick cannot point a
// save or register anywhere else on the machine.
[[nodiscard]] HostPath ResolvePath(std::string_view winPath);

// The host name (UTF-8) that ResolvePath gives the last component of a path:
// trailing dots and spaces dropped (*utf8 empty when nothing is left); false for
// characters a Windows file system cannot hold, device names and names that do
// not convert.
bool HostLeafName(std::string_view cp932Leaf, std::string* utf8);

// The Windows current folder: the host current folder seen through the drives
// ("C:\windows" when it lies under no drive).
std::string CurrentDirectory();

// The Windows folder, %WINDIR%: "C:\windows".
std::string WindowsDirectory();

// Maps errno of a failed host call to the Windows error code that GetLastError
// reports for it (ENOENT 2, ENOTDIR 3, EACCES/EPERM/EROFS 5, ENOSPC 112, ...).
unsigned long ErrnoToWin32(int err);

// Whether a host file name (UTF-8) could be held by a Windows file system and is
// representable in CP932; such names are never handed to Windows-path code.
bool IsWindowsCompatibleName(std::string_view utf8Name);

}  // namespace platform
