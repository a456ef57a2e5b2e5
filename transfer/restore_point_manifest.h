// The files of a restore point's folder: its manifest (what the point holds,
// as JSON), and the bounded reads and flushed writes every file of the folder
// goes through. Nothing read here is trusted: see restore_point.h.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "transfer/restore_point.h"

namespace restore_point_files {

inline constexpr const char* kManifest = "manifest.json";
inline constexpr const char* kFiles = "files";  // the kept copies: "files/<n>"

// Reads the manifest of the point folder `dirFd` (host folder `dir`). False when
// it is missing, larger than RestorePointStore::kMaxManifestBytes, malformed, of
// another version, or holds a kept copy not named "files/<n>".
[[nodiscard]] bool ParseManifest(int dirFd, const std::string& dir, RestorePoint* out);
// Writes the manifest of `point` into `dirFd`, flushed with its folder. 0, or the
// errno (EILSEQ for a text that is not CP932, or a host path that is not UTF-8).
[[nodiscard]] int WriteManifestAt(int dirFd, const RestorePoint& point);

// Reads up to `limit` bytes of a regular file `name` in `dirFd`, never through a
// link. 0, EFBIG when it is larger, or errno.
[[nodiscard]] int ReadBounded(int dirFd, const char* name, size_t limit, std::string* out);
// Writes `bytes` as `name` in `dirFd` through a flushed temporary file and a
// rename, then flushes the folder. 0 or errno; a failure before the rename
// leaves the old file, one after it the new one (not known to be durable).
[[nodiscard]] int WriteFileAtomicAt(int dirFd, const std::string& name, const std::string& bytes);
// Writes all of `size` bytes to `fd`. 0 or errno.
[[nodiscard]] int WriteAll(int fd, const char* data, size_t size);

// Flushes `fd` (a file's bytes, or a folder's names) to its medium; SyncFileSystemOf
// the whole file system that holds it. 0, or the errno of the flush. A file system
// that cannot flush that kind of file (EINVAL) counts as flushed.
[[nodiscard]] int SyncFd(int fd);
[[nodiscard]] int SyncFileSystemOf(int fd);

// Whether s[from, to) is a non-empty run of decimal digits.
[[nodiscard]] bool AllDigits(const std::string& s, size_t from, size_t to);

// For tests: runs before every flush of SyncFd and SyncFileSystemOf; an answer
// other than 0 fails that flush with it as the errno. Empty: flushes as usual.
void SetSyncFaultForTesting(std::function<int()> fault);

}  // namespace restore_point_files
