#include "platform/beneath.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/change_watch.h"
#include "platform/drive_letter.h"
#include "platform/host_fs.h"
#include "platform/paths.h"
#include "platform/unique_fd.h"

namespace platform {
namespace {

// Cleared after the first ENOSYS (an old kernel) or EPERM (a seccomp filter that
// does not know openat2): the walk below is used from then on.
std::atomic<bool> g_haveOpenat2{true};

using Fd = platform::UniqueFd;

// Opens the component `name` of a walk in `dirFd`: the last one with the
// caller's flags, any other as a folder. A link answers ELOOP.
int OpenComponent(int dirFd, const std::string& name, bool last, int flags, mode_t mode) {
    Fd f(last ? openat(dirFd, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode)
              : openat(dirFd, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (f.Get() < 0) {
        int err = errno;
        if ((err == ENOTDIR || err == ELOOP) && fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(st.st_mode))
            err = ELOOP;
        errno = err;
        return -1;
    }
    // O_PATH | O_NOFOLLOW opens a final link itself: refuse it as well.
    if (last && (flags & O_PATH) && fstat(f.Get(), &st) == 0 && S_ISLNK(st.st_mode)) {
        f.Reset();
        errno = ELOOP;
        return -1;
    }
    return f.Release();
}

// One component at a time, never following a link. Intermediate components must
// be folders; a link anywhere answers ELOOP.
int WalkNoFollow(int rootFd, std::string_view rel, int flags, mode_t mode) {
    Fd cur(fcntl(rootFd, F_DUPFD_CLOEXEC, 0));
    if (cur.Get() < 0) return -1;
    size_t pos = 0;
    while (true) {
        const size_t slash = rel.find('/', pos);
        const bool last = slash == std::string_view::npos;
        const std::string name(rel.substr(pos, last ? std::string_view::npos : slash - pos));
        if (name == "..") {
            errno = EXDEV;
            return -1;
        }
        if (name.empty() || name == ".") {
            if (last) return openat(cur.Get(), ".", flags & ~(O_CREAT | O_EXCL | O_NOFOLLOW), mode);
            pos = slash + 1;
            continue;
        }
        const int f = OpenComponent(cur.Get(), name, last, flags, mode);
        if (f < 0 || last) return f;
        cur.Reset(f);
        pos = slash + 1;
    }
}

int OpenRoot(const std::string& root) { return open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC); }

bool StartsWithFolder(const std::string& host, const std::string& root) {
    if (root.empty()) return false;
    if (root == "/") return !host.empty() && host[0] == '/';
    return host.compare(0, root.size(), root) == 0 && (host.size() == root.size() || host[root.size()] == '/');
}

std::string_view RelativePart(const std::string& host, size_t rootLength) {
    std::string_view rel = std::string_view(host).substr(rootLength);
    while (!rel.empty() && rel.front() == '/') rel.remove_prefix(1);
    return rel;
}

std::string FolderPart(const std::string& host) {
    size_t slash = host.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : host.substr(0, slash);
}

}  // namespace

int OpenAtBeneath(int rootFd, std::string_view rel, int flags, mode_t mode) {
    while (!rel.empty() && rel.back() == '/') rel.remove_suffix(1);
    if (rel.empty()) rel = ".";
    if (g_haveOpenat2.load(std::memory_order_relaxed)) {
        struct open_how how {};
        how.flags = static_cast<decltype(how.flags)>(flags | O_CLOEXEC);
        how.mode = (flags & (O_CREAT | O_TMPFILE)) ? mode : 0;
        how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_BENEATH;
        std::string path(rel);
        long fd;
        do {
            fd = syscall(SYS_openat2, rootFd, path.c_str(), &how, sizeof how);
        } while (fd < 0 && (errno == EINTR || errno == EAGAIN));
        if (fd >= 0 || (errno != ENOSYS && errno != EPERM)) {
            // O_PATH | O_NOFOLLOW would hand back a final link itself; refuse it too.
            if (fd >= 0 && (flags & O_PATH) && (flags & O_NOFOLLOW)) {
                struct stat st {};
                if (fstat(static_cast<int>(fd), &st) == 0 && S_ISLNK(st.st_mode)) {
                    close(static_cast<int>(fd));
                    errno = ELOOP;
                    return -1;
                }
            }
            return static_cast<int>(fd);
        }
        if (errno == ENOSYS) g_haveOpenat2.store(false, std::memory_order_relaxed);
        // EPERM may also be a real answer (a sealed file); the walk tells which.
    }
    return WalkNoFollow(rootFd, rel, flags, mode);
}

namespace {

// The host roots of all drives, read again only when the dosdevices folder reports
// a change: each open below a drive would otherwise read all 26 links. Where the
// folder cannot be watched, nullptr, and the caller reads the links itself.
const std::string* WatchedDriveRoots() {
    struct Roots {
        ChangeWatch watch;
        std::string prefix;
        uint64_t generation = 0;
        uint64_t lost = 0;
        bool valid = false;
        std::string root[kDriveCount];
    };
    thread_local Roots r;
    const std::string prefix = PrefixDir();
    if (prefix != r.prefix) {
        r.watch.Reset();
        r.prefix = prefix;
        r.valid = false;
    }
    if (!r.watch.Ready()) return nullptr;
    if (r.valid && r.lost == r.watch.LostGeneration() && r.generation == r.watch.Generation()) return r.root;
    r.valid = false;
    if (r.lost != r.watch.LostGeneration() || r.generation == 0) {
        if (!WatchDriveLinks(r.watch, prefix + "/dosdevices")) return nullptr;
        r.lost = r.watch.LostGeneration();
    }
    // The queue is emptied before the links are read: a change made meanwhile
    // shows at the next call.
    r.generation = r.watch.Generation();
    for (int d = 0; d < kDriveCount; ++d) r.root[d] = DriveHostRoot(d);
    r.valid = true;
    return r.root;
}

}  // namespace

size_t DriveRootLengthOf(const std::string& host) {
    // The form ResolvePath produces when a name exists as given: through the link.
    std::string links = PrefixDir() + "/dosdevices/";
    if (host.compare(0, links.size(), links) == 0 && host.size() >= links.size() + 2 && host[links.size() + 1] == ':' &&
        (host.size() == links.size() + 2 || host[links.size() + 2] == '/'))
        return links.size() + 2;
    size_t best = std::string::npos;
    const std::string* watched = WatchedDriveRoots();
    for (int d = 0; d < kDriveCount; ++d) {
        const std::string root = watched ? watched[d] : DriveHostRoot(d);
        if (!StartsWithFolder(host, root)) continue;
        size_t len = root.size();
        if (best == std::string::npos || len > best) best = len;
    }
    return best;
}

int OpenUnderDrive(const std::string& host, int flags, mode_t mode) {
    size_t rootLength = DriveRootLengthOf(host);
    if (rootLength == std::string::npos) {
        // Not on a drive: the caller named a host path itself.
        return open(host.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode);
    }
    Fd root(OpenRoot(host.substr(0, rootLength == 0 ? 1 : rootLength)));
    if (root.Get() < 0) return -1;
    return OpenAtBeneath(root.Get(), RelativePart(host, rootLength), flags, mode);
}

int OpenRegularFile(const std::string& host, struct stat* st) {
    // Looked at through O_PATH first: opening a device for reading can have effects.
    Fd probe(OpenUnderDrive(host, O_PATH));
    if (probe.Get() < 0) return -1;
    if (fstat(probe.Get(), st) != 0) return -1;
    if (!S_ISREG(st->st_mode)) {
        errno = S_ISDIR(st->st_mode) ? EISDIR : EACCES;
        return -1;
    }
    // O_NONBLOCK: should the name turn into a FIFO meanwhile, the open does not hang.
    Fd fd(OpenUnderDrive(host, O_RDONLY | O_NONBLOCK | O_NOCTTY));
    if (fd.Get() < 0) return -1;
    if (fstat(fd.Get(), st) != 0) return -1;
    if (!S_ISREG(st->st_mode)) {
        errno = EACCES;
        return -1;
    }
    fcntl(fd.Get(), F_SETFL, fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
    return fd.Release();
}

int OpenRegularFileAt(int dirFd, const char* name, struct stat* st) {
    if (fstatat(dirFd, name, st, AT_SYMLINK_NOFOLLOW) != 0) return -1;
    if (!S_ISREG(st->st_mode)) {
        errno = S_ISLNK(st->st_mode) ? ENOENT : S_ISDIR(st->st_mode) ? EISDIR : EACCES;
        return -1;
    }
    // O_NONBLOCK: should the name turn into a FIFO meanwhile, the open does not hang
    // (and it changes nothing for a regular file).
    const ino_t ino = st->st_ino;
    const dev_t dev = st->st_dev;
    Fd fd(openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.Get() < 0) return errno == ELOOP ? (errno = ENOENT, -1) : -1;
    if (fstat(fd.Get(), st) != 0) return -1;
    if (!S_ISREG(st->st_mode) || st->st_ino != ino || st->st_dev != dev) {
        errno = EACCES;  // replaced between the look and the open
        return -1;
    }
    return fd.Release();
}

int OpenParentFolder(const std::string& host, std::string* name) {
    size_t slash = host.rfind('/');
    *name = slash == std::string::npos ? host : host.substr(slash + 1);
    return OpenUnderDrive(FolderPart(host), O_PATH | O_DIRECTORY);
}

namespace {

bool StatOpened(int fd, struct stat* st) {
    Fd owned(fd);
    if (owned.Get() < 0) return false;
    if (fstat(owned.Get(), st) != 0) return false;
    if (S_ISLNK(st->st_mode)) {
        errno = ELOOP;
        return false;
    }
    return true;
}

}  // namespace

bool StatUnderDrive(const std::string& host, struct stat* st) {
    return StatOpened(OpenUnderDrive(host, O_PATH | O_NOFOLLOW), st);
}

bool StatBeneath(const std::string& root, std::string_view rel, struct stat* st) {
    Fd rootFd(OpenRoot(root));
    if (rootFd.Get() < 0) return false;
    while (!rel.empty() && rel.front() == '/') rel.remove_prefix(1);
    return StatOpened(OpenAtBeneath(rootFd.Get(), rel, O_PATH | O_NOFOLLOW), st);
}

bool StatWithoutAnyLink(const std::string& absPath, struct stat* st) {
    if (!g_haveOpenat2.load(std::memory_order_relaxed)) {
        errno = ENOSYS;
        return false;
    }
    struct open_how how {};
    how.flags = O_PATH | O_NOFOLLOW | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS;
    long fd;
    do {
        fd = syscall(SYS_openat2, AT_FDCWD, absPath.c_str(), &how, sizeof how);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno == EPERM) errno = ENOSYS;  // a seccomp filter: let the caller walk
    return StatOpened(static_cast<int>(fd), st);
}

void UseOpenat2ForTesting(bool use) { g_haveOpenat2.store(use, std::memory_order_relaxed); }

}  // namespace platform
