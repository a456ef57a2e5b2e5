// Proving what a transfer wrote: the bytes of a written file are read back from
// the medium, not from the page cache, and compared with those of its source.
// Cheap sticks that claim more room than they have accept writes and return
// other bytes later; this catches them at the save, not at the next machine.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace verify {

struct Digest {
    uint64_t hash = 0;  // XXH3-64 of the bytes
    uint64_t size = 0;
    bool operator==(const Digest&) const = default;
};

// Hashes a host file as it reads now (the page cache may answer). False when it
// cannot be opened or read.
bool HashHostFile(const std::string& hostPath, Digest* out);
// The same for a file opened for reading (read from its start; the caller closes it).
bool HashOpenFile(int fd, Digest* out);

// Writes out a written host file's dirty pages and drops its pages from the
// cache, so that the next read comes from the medium. False when it cannot be
// opened or written out.
bool DropFromCache(const std::string& hostPath);

// DropFromCache, then a hash of what the medium returns: direct reads where the
// filesystem takes them, else reads through the emptied cache.
bool ReadBackFromMedium(const std::string& hostPath, Digest* out);

// Hash of a Windows path's file (CP932), as HashHostFile.
bool HashFile(const char* winPath, Digest* out);

// Runs `write` (a copy of the file at `winSource`) and hashes that source into
// *sourceDigest meanwhile: on a second thread for a large file, so that the hash
// costs no time of its own, else just before. Returns what `write` returned;
// *hashed says whether the source could be hashed.
bool WriteWhileHashing(const char* winSource, const std::function<bool()>& write, Digest* sourceDigest, bool* hashed);

// Whether the file at a Windows path reads back from its medium as `expected`.
bool WrittenAs(const char* winPath, const Digest& expected);

// Runs at every DropFromCache (so before every read-back) with the host path: lets a test play a
// medium that returns other bytes. Empty to clear.
void SetBeforeReadBackForTesting(std::function<void(const std::string& hostPath)> hook);

}  // namespace verify
