// Parsed profile files kept between calls. A read answers from them only when the
// file is proved unchanged: by the kernel's change notification where it can be
// trusted, else by one stat() (device, inode, size, modification and change times
// to the nanosecond); so a change by any other writer is seen at the next call.
#pragma once

#include <sys/stat.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/profile_file.h"
#include "platform/win32.h"

namespace platform::profile {

// Where a profile file name leads on the host.
struct ProfileTarget {
    DWORD error = 0;   // nonzero: the name cannot be used (3, 5, 123)
    std::string host;  // host path
    int drive = -1;
    bool exists = false;  // `info` holds its stat
    bool parentExists = false;
    struct stat info {};
};

// A name without '\' or '/' lies in %WINDIR%; NULL means "win.ini" there; "" and
// folders give 5, wildcards 123, a missing drive 3.
[[nodiscard]] ProfileTarget ResolveProfileName(const char* fileName);

// Held around every use of the cache; a write holds it from reading the old text
// to storing the new one, so writes in this process never interleave.
std::mutex& CacheMutex();

// With CacheMutex() held: the parsed file, or nullptr with *error set
// (2 missing, 3 folder missing, 5 folder or unreadable). The pointer stays valid
// while the lock is held.
[[nodiscard]] const ProfileFile* LoadLocked(const ProfileTarget& target, DWORD* error);

// With CacheMutex() held: after writing `bytes` to `host` ourselves.
void StoreLocked(const std::string& host, std::string bytes);
void DropLocked(const std::string& host);

// With CacheMutex() held: shared ownership of a file LoadLocked or ReadLocked gave,
// so that it can be read after the lock is released.
std::shared_ptr<const ProfileFile> ShareLocked(const ProfileFile* file);

// The last section looked up in one parsed file, by its exact name: runs of look-ups
// in one section find it once.
struct SectionMemo {
    std::string name;
    const Section* section = nullptr;
    bool valid = false;
};

// The answers of GetPrivateProfileStringA and GetPrivateProfileIntA from a parsed
// file, or from none (`error` then is why), GetLastError included. A memo must
// belong to `file`.
DWORD ReadStringFrom(const ProfileFile* file, DWORD error, LPCSTR app, LPCSTR key, LPCSTR def, LPSTR out, DWORD size,
                     SectionMemo* memo = nullptr);
// The value ReadStringFrom copies for one key (neither `app` nor `key` NULL), whole
// and uncopied: the file's bytes or the default's. Sets no error.
std::string_view ValueFrom(const ProfileFile* file, LPCSTR app, LPCSTR key, LPCSTR def, SectionMemo* memo = nullptr);
// The key lines of the section a look-up of `app` finds, in file order (duplicates
// included), each as its name and the value a look-up of it would answer (quotes
// stripped): for a reader that wants many keys of one section, one pass instead of
// one look-up a key. Nothing for a missing file or section. Sets no error.
void ForEachKeyFrom(const ProfileFile* file, LPCSTR app, SectionMemo* memo,
                    const std::function<void(std::string_view key, std::string_view value)>& each);
// GetPrivateProfileIntA's reading of a value: `def` for an empty one.
UINT IntFromValue(std::string_view value, INT def);
UINT ReadIntFrom(const ProfileFile* file, DWORD error, LPCSTR app, LPCSTR key, INT def, SectionMemo* memo = nullptr);

// Grows whenever a parsed file is released (pointers from LoadLocked go stale).
uint64_t FilesEpochLocked();

// Whether a profile file name holds '\' or '/' (CP932 double-byte characters taken whole).
bool HasSeparator(std::string_view s);

// Forgets every parsed file (WritePrivateProfileStringA(NULL, NULL, NULL, NULL)).
void ClearCache();

}  // namespace platform::profile
