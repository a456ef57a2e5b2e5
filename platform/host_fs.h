// Helpers shared by the platform's file services (not part of the Windows API).
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "platform/win32.h"

namespace platform {

// "<prefix>/dosdevices/<l>:" of drive `drive` (0 = A:).
std::string DriveLinkPath(int drive);

// Whether two UTF-8 names are equal ignoring case the way Windows file systems
// compare: ASCII, Latin-1, Greek, Cyrillic and full-width letters fold.
bool NamesEqualIgnoringCase(std::string_view a, std::string_view b);

// Upper-cased code points of a UTF-8 name (invalid bytes are kept as themselves).
std::u32string FoldName(std::string_view utf8);

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9, with or without an extension.
bool IsReservedDeviceName(std::string_view name);

// Seconds and nanoseconds since 1970 as a FILETIME (100 ns since 1601).
FILETIME ToFileTime(const struct timespec& ts);

// The creation time shown for a host file: the earlier of its change and
// modification times (the host keeps no reliable birth time everywhere).
FILETIME CreationTimeOf(const struct stat& st);

// Attributes Windows would report for a host file or folder.
// `name` is the last component (UTF-8); a name starting with '.' is HIDDEN, as in
// Wine's default view of Unix dot files; drive roots pass an empty name.
DWORD AttributesOf(const struct stat& st, std::string_view name);

// renameat within the folder `dirFd` that never replaces an existing `to`
// (EEXIST): renameat2(RENAME_NOREPLACE), or where the file system lacks it a hard
// link and an unlink. 0, or -1 with errno.
int RenameAtNoReplace(int dirFd, const char* from, const char* to);

// Whether the host object is something a Windows file system holds: a regular
// file or a folder. FIFOs, sockets and devices are never shown.
inline bool IsPlainFileOrFolder(const struct stat& st) { return S_ISREG(st.st_mode) || S_ISDIR(st.st_mode); }

// True when `drive` has a link whose target is missing or unreadable and whose
// type is one with removable media (floppy, removable, CD): such paths answer
// ERROR_NOT_READY instead of ERROR_PATH_NOT_FOUND.
bool DriveIsNotReady(int drive);

struct HostPath;

// The Windows error for a path that resolved but names nothing: the resolver's own
// error, 21 on a removable drive without medium, 3 when a folder above is missing,
// else 2.
DWORD MissingPathError(const HostPath& r);

// Whether the resolved path is the root folder of its drive.
bool IsDriveRoot(const HostPath& r);

// Lets tests read a made-up mount table ("/proc/self/mountinfo" format) and a
// made-up /sys/dev/block folder; empty strings restore the real ones.
void SetMountTableForTesting(const std::string& mountInfoPath, const std::string& sysDevBlockDir);

}  // namespace platform
