#include "transfer/verify.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/beneath.h"
#include "platform/folder_session.h"
#include "platform/paths.h"
#include "platform/unique_fd.h"

namespace verify {

namespace {
constexpr size_t kReadBuffer = 1 << 20;
constexpr size_t kDirectBuffer = 4 << 20;
constexpr size_t kDirectAlign = 4096;

std::function<void(const std::string&)>& BeforeReadBack() {
    static std::function<void(const std::string&)> hook;
    return hook;
}

using FdCloser = platform::UniqueFd;

// Thread-local so that a save of thousands of small files allocates once.
std::vector<char>& ReadBuffer() {
    thread_local std::vector<char> buffer(kReadBuffer);
    return buffer;
}

// Hashes a regular file open at offset 0 from large reads into `buffer`, stopping
// at the size fstat gives once a read comes back short, so that a small file costs
// one read. A file that grew or shrank meanwhile hashes with its other size and
// fails the caller's comparison. Returns 0 or an errno value.
int HashKnownSize(int fd, char* buffer, size_t size, Digest* out) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return EACCES;
    const auto known = static_cast<uint64_t>(st.st_size);
    StreamHasher hasher;
    if (!hasher.Reset()) return ENOMEM;
    uint64_t total = 0;
    while (true) {
        // No more than the rest and one block past it: the short read that ends a
        // file touches (and, for a direct read, pins) only the pages it needs.
        const uint64_t rest = known > total ? known - total : 0;
        const size_t want = static_cast<size_t>(std::min<uint64_t>(size, (rest / kDirectAlign + 1) * kDirectAlign));
        const ssize_t n = read(fd, buffer, want);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) break;
        hasher.Add(buffer, static_cast<size_t>(n));
        total += static_cast<uint64_t>(n);
        if (total >= known && static_cast<size_t>(n) < want) break;
    }
    *out = hasher.Result();
    return 0;
}

// Writes out the dirty pages of `fd` and drops its pages from the cache. False
// when the write-out fails.
bool WriteOutAndDrop(int fd) {
    // Durability is the copy's and the transfer's flush; an fdatasync here would
    // add a device cache flush per file (3 ms each on a disk), doubling the time
    // of a small-file save.
    if (sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER) !=
            0 &&
        errno != ESPIPE && errno != EINVAL)
        return false;
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    return true;
}

// Large aligned reads straight from the device, around the page cache: 4 MiB
// requests read the disk here as fast as 16 MiB ones (2-4 GB/s, dd iflag=direct),
// 2 MiB ones at half that, reads through the cache's read-ahead far slower.
// Allocated once per thread; only what a read asks for is ever touched.
char* DirectBuffer() {
    struct Aligned {
        void* p = nullptr;
        Aligned() {
            if (posix_memalign(&p, kDirectAlign, kDirectBuffer) != 0) p = nullptr;
        }
        Aligned(const Aligned&) = delete;
        Aligned& operator=(const Aligned&) = delete;
        ~Aligned() { std::free(p); }
    };
    thread_local Aligned buffer;
    return static_cast<char*>(buffer.p);
}

// A regular file below its drive root, reached without links, for reading.
int OpenToRead(const std::string& hostPath, int extraFlags) {
    const int fd = platform::OpenUnderDrive(hostPath, O_RDONLY | O_NONBLOCK | O_NOCTTY | extraFlags);
    if (fd < 0) return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EACCES;
        return -1;
    }
    return fd;
}
}  // namespace

StreamHasher::StreamHasher() : m_state(XXH3_createState(), [](XXH3_state_s* s) { XXH3_freeState(s); }) {
    m_tap.bytes = [](const void* chunk, size_t size, void* data) {
        static_cast<StreamHasher*>(data)->Add(chunk, size);
    };
    m_tap.data = this;
    // Every user resets before the first bytes and learns there whether the state can be had.
    static_cast<void>(Reset());
}

StreamHasher::~StreamHasher() = default;

bool StreamHasher::Reset() {
    m_size = 0;
    return m_state && XXH3_64bits_reset(m_state.get()) == XXH_OK;
}

void StreamHasher::Add(const void* bytes, size_t size) {
    if (m_state) XXH3_64bits_update(m_state.get(), bytes, size);
    m_size += size;
}

Digest StreamHasher::Result() const {
    Digest d;
    d.hash = m_state ? XXH3_64bits_digest(m_state.get()) : 0;
    d.size = m_size;
    return d;
}

bool HashHostFile(const std::string& hostPath, Digest* out) {
    const int fd = OpenToRead(hostPath, 0);
    if (fd < 0) return false;
    FdCloser closer{fd};
    return HashOpenFile(fd, out);
}

bool HashOpenFile(int fd, Digest* out) {
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return HashKnownSize(fd, ReadBuffer().data(), kReadBuffer, out) == 0;
}

bool DropFromCache(const std::string& hostPath) {
    if (BeforeReadBack()) BeforeReadBack()(hostPath);
    const int fd = OpenToRead(hostPath, 0);
    if (fd < 0) return false;
    FdCloser closer{fd};
    return WriteOutAndDrop(fd);
}

bool ReadBackFromMedium(const std::string& hostPath, Digest* out) {
    if (BeforeReadBack()) BeforeReadBack()(hostPath);
    // A direct read is served only after the kernel has written back any dirty
    // pages of its range; filesystems without direct reads (tmpfs, some FUSE)
    // answer EINVAL and are read through the emptied cache instead.
    char* direct = DirectBuffer();
    int fd = direct ? OpenToRead(hostPath, O_DIRECT) : -1;
    if (fd >= 0) {
        FdCloser closer{fd};
        if (!WriteOutAndDrop(fd)) return false;
        const int err = HashKnownSize(fd, direct, kDirectBuffer, out);
        if (err != EINVAL) return err == 0;
    } else if (direct && errno != EINVAL) {
        return false;
    }
    fd = OpenToRead(hostPath, 0);
    if (fd < 0) return false;
    FdCloser closer{fd};
    return WriteOutAndDrop(fd) && HashKnownSize(fd, ReadBuffer().data(), kReadBuffer, out) == 0;
}

namespace {

// Runs `read` on the file `name` of an open folder as its medium returns it:
// direct reads where the folder's filesystem takes them (learnt once per folder),
// else through the emptied cache. `read(fd, buffer, capacity)` returns 0,
// EINVAL (no direct reads here) or another errno value.
template <class Read>
bool FromMediumIn(platform::FolderSession& folder, const std::string& name, Read&& read) {
    if (BeforeReadBack()) BeforeReadBack()(folder.Host() + "/" + name);
    constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC;
    char* direct = DirectBuffer();
    if (direct && folder.direct != platform::FolderSession::Direct::No) {
        // A direct read waits for the kernel to write back its range itself: no
        // write-out or cache drop of our own is needed.
        const FdCloser fd(openat(folder.Fd(), name.c_str(), kFlags | O_DIRECT));
        if (!fd.Valid() && errno != EINVAL) return false;
        if (fd.Valid()) {
            const int err = read(fd.Get(), direct, kDirectBuffer);
            if (err != EINVAL) {
                folder.direct = platform::FolderSession::Direct::Yes;
                return err == 0;
            }
        }
        // tmpfs, some FUSE: through the emptied cache, from now on for this folder
        // unless a direct read has worked there (then only this file's was refused).
        if (folder.direct == platform::FolderSession::Direct::Unknown)
            folder.direct = platform::FolderSession::Direct::No;
    }
    const FdCloser fd(openat(folder.Fd(), name.c_str(), kFlags));
    return fd.Valid() && WriteOutAndDrop(fd.Get()) && read(fd.Get(), ReadBuffer().data(), kReadBuffer) == 0;
}

// Reads `size` bytes of `fd` at `offset` (fewer only at its end); -1 on an error.
ssize_t ReadAt(int fd, char* buffer, size_t size, uint64_t offset) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pread(fd, buffer + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

// Whether the regular file `fd`, read from its start into `buffer` (`capacity`
// bytes), holds the `size` bytes the source `source` holds from its start, each
// chunk compared as it comes. The source is read with pread: its offset stays
// where it was for a copy after a difference. 0 (with *same) or an errno value.
int CompareWithSource(int fd, char* buffer, size_t capacity, int source, uint64_t size, bool* same) {
    *same = false;
    struct stat st {};
    if (fstat(fd, &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return EACCES;
    if (static_cast<uint64_t>(st.st_size) != size) return 0;
    // Its own buffer, allocated once per thread; only what a read asks for is touched.
    thread_local const std::unique_ptr<char[]> theirs(new char[kDirectBuffer]);
    uint64_t total = 0;
    while (true) {
        // No more than the rest and one block past it, as HashKnownSize reads.
        const uint64_t rest = size - total;
        const size_t want = static_cast<size_t>(std::min<uint64_t>(capacity, (rest / kDirectAlign + 1) * kDirectAlign));
        const ssize_t n = read(fd, buffer, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        const auto got = static_cast<size_t>(n);
        if (got > rest) return 0;  // grew since its fstat
        if (got > 0) {
            // A source that cannot be read as far is no match; the copy reports why.
            if (ReadAt(source, theirs.get(), got, total) != n) return 0;
            platform::NoteSourceRead(got);
            if (std::memcmp(buffer, theirs.get(), got) != 0) return 0;
            total += got;
        }
        if (got < want) break;
    }
    *same = total == size;
    return 0;
}

}  // namespace

bool ReadBackIn(platform::FolderSession& folder, const std::string& name, Digest* out) {
    return FromMediumIn(
        folder, name, [&](int fd, char* buffer, size_t capacity) { return HashKnownSize(fd, buffer, capacity, out); });
}

bool SameBytesIn(platform::FolderSession& folder, const std::string& name, int source, uint64_t size) {
    bool same = false;
    return FromMediumIn(folder, name,
                        [&](int fd, char* buffer, size_t capacity) {
                            return CompareWithSource(fd, buffer, capacity, source, size, &same);
                        }) &&
           same;
}

bool HashFile(const char* winPath, Digest* out) {
    const platform::HostPath hp = platform::ResolvePath(winPath ? winPath : "");
    return hp.ok && HashHostFile(hp.host, out);
}

bool WrittenAs(const char* winPath, const Digest& expected) {
    const platform::HostPath hp = platform::ResolvePath(winPath ? winPath : "");
    Digest seen;
    return hp.ok && ReadBackFromMedium(hp.host, &seen) && seen == expected;
}

void SetBeforeReadBackForTesting(std::function<void(const std::string& hostPath)> hook) {
    BeforeReadBack() = std::move(hook);
}

}  // namespace verify
