// Opening host files below a drive root so that the kernel follows no symbolic
// link on the way: a stick or a folder of the system cannot send a read or a write
// anywhere else. The drive's own dosdevices link is the mount and is followed.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <string_view>

namespace platform {

// Opens `rel` (a host path relative to the folder `rootFd`, without "." or ".."
// components; empty for the folder itself) with open(2) `flags`. No component may
// be a symbolic link (ELOOP) and the path may not leave the folder (EXDEV). Uses
// openat2(RESOLVE_NO_SYMLINKS | RESOLVE_BENEATH), or a walk with O_NOFOLLOW on every
// component where the kernel lacks it.
int OpenAtBeneath(int rootFd, std::string_view rel, int flags, mode_t mode = 0);

// Bytes at the start of `host` that name the root of the drive it lies on: a
// dosdevices link path ("<prefix>/dosdevices/e:") or a drive's target folder, the
// longest that fits. std::string::npos when it lies on no drive.
size_t DriveRootLengthOf(const std::string& host);

// Opens a host path as OpenAtBeneath does, below the root of its drive. A path on
// no drive (a tool's own host path) is opened with only its last component
// refused as a link.
int OpenUnderDrive(const std::string& host, int flags, mode_t mode = 0);

// Opens a host path for reading when it names a regular file; a FIFO, device or
// socket is never opened for reading (EACCES). Fills *st with its fstat.
int OpenRegularFile(const std::string& host, struct stat* st);

// OpenRegularFile for the single name `name` in the folder `dirFd`, the name
// itself never followed (a link reads as missing: ENOENT). The type is checked before the open, so a device is never
// opened.
int OpenRegularFileAt(int dirFd, const char* name, struct stat* st);

// The parent folder of `host` opened with O_PATH below its drive root; *name gets
// the last component. For mkdirat, unlinkat and renameat beside it.
int OpenParentFolder(const std::string& host, std::string* name);

// Whether `host` names something without following a link anywhere below its
// drive root; *st gets its lstat. errno ELOOP when a component is a link.
bool StatUnderDrive(const std::string& host, struct stat* st);
// The same for `rel` below the folder `root` (whose own links are followed), when
// the caller knows the drive root already.
bool StatBeneath(const std::string& root, std::string_view rel, struct stat* st);

// Whether the absolute host path names something with no link on any component,
// the folders above the drive root included (one openat2 walk, the quickest check;
// ENOSYS without openat2, ELOOP on any link). A caller that gets ELOOP and allows
// links above the root asks StatBeneath.
bool StatWithoutAnyLink(const std::string& absPath, struct stat* st);

// For tests: false makes every open take the O_NOFOLLOW walk, as on a kernel
// without openat2; true restores openat2.
void UseOpenat2ForTesting(bool use);

}  // namespace platform
