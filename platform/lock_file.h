// The file operations of a lock file that several processes, on this machine or
// on others sharing a network drive, race for: an exclusive create (O_EXCL works
// over NFS and SMB, where flock does not), a bounded read with the entry's own
// identity, and a remove. Every name is reached from
// its folder, opened once without following a link below the drive root.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The lock of a maintenance folder, inside the folder. "~$" keeps it from being
// taken for a data set's file by the Windows tool, and it does not end like a
// temporary file (IsTransferTempName), so no sweep of stale temporaries removes it.
inline constexpr std::string_view kFolderLockName = "~$maintenance.lock";

// Beside a lock while one run takes it over from a holder that is gone.
inline constexpr std::string_view kTakeOverSuffix = ".takeover";

// Whether a host file name is kFolderLockName or its takeover guard (case
// ignored, as a stick's file system compares): file search never returns them.
bool IsFolderLockName(std::string_view name);

// Creates `host` with O_CREAT|O_EXCL|O_NOFOLLOW (mode 0644 less the umask),
// writes `bytes` and flushes it. 0, or the errno: EEXIST when the name is taken.
// A file whose write failed is removed again.
int CreateExclusiveFile(const std::string& host, std::string_view bytes);

// What is at a lock's name now: *st gets its lstat (the entry itself, a link or
// folder included) and, for a regular file, *bytes its first `limit` bytes
// (empty otherwise). 0, or the errno (ENOENT: nothing there).
int ReadLockEntry(const std::string& host, size_t limit, std::string* bytes, struct stat* st);

// Removes the file `host` (0 or errno), or the folder `host` when it is empty.
int RemoveFileEntry(const std::string& host);
int RemoveEmptyFolder(const std::string& host);

// This machine's name (gethostname), "" when it has none.
std::string ThisHostName();
// The boot id of this machine's kernel, "" when unknown.
std::string ThisBootId();
// Start time of process `pid` in clock ticks after boot (/proc/<pid>/stat field
// 22); -1 when there is no such process. Together with the pid it names one
// process: a pid used again later has another start time.
int64_t ProcessStartTicks(int pid);

}  // namespace platform
