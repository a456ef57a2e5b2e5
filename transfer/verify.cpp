#include "transfer/verify.h"

#include <fcntl.h>
#include <unistd.h>
#include <xxhash.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "platform/paths.h"

namespace verify {

namespace {
constexpr size_t kReadBuffer = 1 << 20;

std::function<void(const std::string&)>& BeforeReadBack() {
    static std::function<void(const std::string&)> hook;
    return hook;
}

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) close(fd);
    }
};
}  // namespace

bool HashHostFile(const std::string& hostPath, Digest* out) {
    const int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    FdCloser closer{fd};
    std::unique_ptr<XXH3_state_t, decltype(&XXH3_freeState)> state(XXH3_createState(), XXH3_freeState);
    if (!state || XXH3_64bits_reset(state.get()) != XXH_OK) return false;
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    // Thread-local so that a save of thousands of small files allocates once.
    thread_local std::vector<char> buffer(kReadBuffer);
    uint64_t size = 0;
    while (true) {
        const ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        XXH3_64bits_update(state.get(), buffer.data(), static_cast<size_t>(n));
        size += static_cast<uint64_t>(n);
    }
    out->hash = XXH3_64bits_digest(state.get());
    out->size = size;
    return true;
}

bool DropFromCache(const std::string& hostPath) {
    if (BeforeReadBack()) BeforeReadBack()(hostPath);
    const int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    FdCloser closer{fd};
    // Dirty pages cannot be dropped: the data goes to the medium first. Some
    // filesystems refuse a flush of a read-only descriptor (EBADF, EINVAL); the
    // copy has flushed it already then.
    if (fdatasync(fd) != 0 && errno != EINVAL && errno != EBADF && errno != EROFS) return false;
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    return true;
}

bool ReadBackFromMedium(const std::string& hostPath, Digest* out) {
    return DropFromCache(hostPath) && HashHostFile(hostPath, out);
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
