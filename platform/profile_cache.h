// Parsed profile files kept between calls. Every call checks the file with one
// stat() (device, inode, size, modification and change times to the nanosecond),
// so a change by any other writer is seen at the next call.
#pragma once

#include <sys/stat.h>

#include <memory>
#include <mutex>
#include <string>

#include "platform/profile_file.h"
#include "platform/win32.h"

namespace platform::profile {

// Where a profile file name leads on the host.
struct ProfileTarget {
    DWORD error = 0;            // nonzero: the name cannot be used (3, 5, 123)
    std::string host;           // host path
    bool exists = false;        // `info` holds its stat
    bool parentExists = false;
    struct stat info {};
};

// A name without '\' or '/' lies in %WINDIR%; NULL means "win.ini" there; "" and
// folders give 5, wildcards 123, a missing drive 3.
ProfileTarget ResolveProfileName(const char* fileName);

// Held around every use of the cache; a write holds it from reading the old text
// to storing the new one, so writes in this process never interleave.
std::mutex& CacheMutex();

// With CacheMutex() held: the parsed file, or nullptr with *error set
// (2 missing, 3 folder missing, 5 folder or unreadable). The pointer stays valid
// while the lock is held.
const ProfileFile* LoadLocked(const ProfileTarget& target, DWORD* error);

// With CacheMutex() held: after writing `bytes` to `host` ourselves.
void StoreLocked(const std::string& host, std::string bytes);
void DropLocked(const std::string& host);

// Forgets every parsed file (WritePrivateProfileStringA(NULL, NULL, NULL, NULL)).
void ClearCache();

}  // namespace platform::profile
