// Proving what a transfer wrote: the bytes of a written file are read back from
// the medium, not from the page cache, and compared with those of its source.
// Cheap sticks that claim more room than they have accept writes and return
// other bytes later; this catches them at the save, not at the next machine.
// Every open goes through the link-refusing opens below a drive root, and no
// file is mapped: a file that shrinks under us is a failed check, not a crash.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/copy_file.h"

struct XXH3_state_s;

namespace platform {
class FolderSession;
}

namespace verify {

struct Digest {
    uint64_t hash = 0;  // XXH3-64 of the bytes
    uint64_t size = 0;
    bool operator==(const Digest&) const = default;
};

// Hashes bytes as a copy reads them (platform::CopyTap), so that a source is
// read once: for the copy and for its digest together.
class StreamHasher {
public:
    StreamHasher();
    ~StreamHasher();
    StreamHasher(const StreamHasher&) = delete;
    StreamHasher& operator=(const StreamHasher&) = delete;

    // Starts again from no bytes; false when the hash state cannot be had.
    [[nodiscard]] bool Reset();
    void Add(const void* bytes, size_t size);
    Digest Result() const;
    // A tap that feeds this hasher; valid while the hasher lives.
    const platform::CopyTap* Tap() const { return &m_tap; }

private:
    std::unique_ptr<XXH3_state_s, void (*)(XXH3_state_s*)> m_state;
    uint64_t m_size = 0;
    platform::CopyTap m_tap;
};

// Hashes a host file as it reads now (the page cache may answer). False when it
// cannot be opened or read, or is no regular file.
[[nodiscard]] bool HashHostFile(const std::string& hostPath, Digest* out);
// The same for a file opened for reading (read from its start; the caller closes it).
[[nodiscard]] bool HashOpenFile(int fd, Digest* out);

// Writes out a written host file's dirty pages and drops its pages from the
// cache, so that the next read comes from the medium. False when it cannot be
// opened or written out.
[[nodiscard]] bool DropFromCache(const std::string& hostPath);

// DropFromCache, then a hash of what the medium returns: direct reads where the
// filesystem takes them, else reads through the emptied cache.
[[nodiscard]] bool ReadBackFromMedium(const std::string& hostPath, Digest* out);

// ReadBackFromMedium for the file `name` in an open folder of a transfer: direct
// reads where the folder's filesystem takes them (learnt once per folder), else
// through the emptied cache.
[[nodiscard]] bool ReadBackIn(platform::FolderSession& folder, const std::string& name, Digest* out);

// Whether the file `name` in an open folder of a transfer reads back from its
// medium (as ReadBackIn reads) as the `size` bytes of the open source `source`
// from its start: the bytes compared, not their hashes. The source's offset is
// left where it was.
[[nodiscard]] bool SameBytesIn(platform::FolderSession& folder, const std::string& name, int source, uint64_t size);

// Hash of a Windows path's file (CP932), as HashHostFile.
[[nodiscard]] bool HashFile(const char* winPath, Digest* out);

// Whether the file at a Windows path reads back from its medium as `expected`.
[[nodiscard]] bool WrittenAs(const char* winPath, const Digest& expected);

// Runs at every DropFromCache (so before every read-back) with the host path: lets a test play a
// medium that returns other bytes. Empty to clear.
void SetBeforeReadBackForTesting(std::function<void(const std::string& hostPath)> hook);

}  // namespace verify
