// CopyFileA as Windows copies, writing its destination atomically.
#include "platform/copy_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <vector>

#include "platform/beneath.h"
#include "platform/host_fs.h"
#include "platform/paths.h"

namespace platform {

namespace {

constexpr DWORD kErrorFileTooLarge = 223;  // ERROR_FILE_TOO_LARGE
constexpr size_t kCopyBuffer = 256 * 1024;
constexpr size_t kProgressChunk = 8 * 1024 * 1024;
constexpr size_t kMaxTempBase = 200;  // bytes of the target's name kept in the temporary name
constexpr size_t kRandomLength = 8;
constexpr std::string_view kTempHead = "~$";
constexpr std::string_view kTempTail = ".tmp";
constexpr time_t kStaleTempSeconds = 60;
constexpr int kSourceChanged = -1;  // CopyData: the source's length changed while it was read

void (*g_copyHook)(const char*) = nullptr;
void (*g_sourceReadHook)(size_t) = nullptr;

std::string FolderOf(const std::string& host) {
    size_t slash = host.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : host.substr(0, slash);
}

// Eight characters a-z 0-9 from a generator seeded once per thread from the
// kernel: a save of thousands of files spends no call per name on randomness,
// and O_EXCL still refuses any name that exists.
std::string RandomSuffix() {
    struct State {
        uint64_t s = 0;
        State() {
            if (getrandom(&s, sizeof s, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof s)) {
                static std::atomic<unsigned> counter{0};
                s = (static_cast<uint64_t>(getpid()) << 32) ^ static_cast<uint64_t>(time(nullptr)) ^
                    (static_cast<uint64_t>(counter.fetch_add(1)) << 48);
            }
        }
        uint64_t Next() {  // splitmix64
            uint64_t z = (s += 0x9E3779B97F4A7C15ull);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            return z ^ (z >> 31);
        }
    };
    thread_local State state;
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    uint64_t v = state.Next();
    std::string s;
    for (size_t i = 0; i < kRandomLength; ++i) {
        s += digits[v % 36];
        v /= 36;
    }
    return s;
}

struct FolderFd {
    int fd = -1;
    ~FolderFd() {
        if (fd >= 0) close(fd);
    }
};

bool SameContentStamp(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ino == b.st_ino && a.st_dev == b.st_dev;
}

void SyncFolder(const std::string& folder) {
    int dfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return;
    fsync(dfd);  // the rename is done; a folder that cannot be flushed changes nothing
    close(dfd);
}

// Moves every byte of `in` to `out`: in the kernel when it can (and clones where
// the filesystem supports it), else through a buffer. Returns 0 or an errno value.
// `progress` (may be null) hears the bytes written so far after every chunk; a
// false answer stops the copy with ECANCELED.
int CopyData(int in, int out, off_t sourceSize, platform::CopyProgress progress, void* data,
             const platform::CopyTap* tap) {
    off_t copied = 0;
    bool inKernel = tap == nullptr;  // a tap hears the bytes, so they pass through our buffer
    // Chunks small enough that a watcher sees a large file move and a stop
    // request is heard within a fraction of a second even on a slow stick.
    const size_t chunk = progress ? kProgressChunk : size_t(1) << 30;
    while (inKernel) {
        ssize_t n = copy_file_range(in, nullptr, out, nullptr, chunk, 0);
        if (n > 0) {
            if (g_sourceReadHook) g_sourceReadHook(static_cast<size_t>(n));
            copied += n;
            if (progress && !progress(static_cast<uint64_t>(copied), data)) return ECANCELED;
            // The size it was opened with is done: a source that grew since shows in
            // the caller's stamp check, so no call is spent on reading its end.
            if (copied == sourceSize) return 0;
            continue;
        }
        if (n == 0) {
            // Some filesystems answer 0 at once for a file that has data.
            if (copied == 0 && sourceSize > 0) break;
            return 0;
        }
        if (errno == EINTR) continue;
        if (copied == 0 && (errno == ENOSYS || errno == EXDEV || errno == EOPNOTSUPP || errno == EINVAL ||
                            errno == EBADF || errno == ETXTBSY))
            break;
        return errno;
    }
    // One buffer per thread: a save of thousands of small files allocates once.
    thread_local std::vector<char> buf(kCopyBuffer);
    while (true) {
        ssize_t n = read(in, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) {
            // A source cut short while it was read is no copy of it.
            if (tap && copied != sourceSize) return kSourceChanged;
            return 0;
        }
        if (g_sourceReadHook) g_sourceReadHook(static_cast<size_t>(n));
        if (tap) tap->bytes(buf.data(), static_cast<size_t>(n), tap->data);
        size_t done = 0;
        while (done < static_cast<size_t>(n)) {
            ssize_t w = write(out, buf.data() + done, static_cast<size_t>(n) - done);
            if (w < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            if (w == 0) return EIO;
            done += static_cast<size_t>(w);
        }
        copied += n;
        if (progress && !progress(static_cast<uint64_t>(copied), data)) return ECANCELED;
        if (copied == sourceSize) return 0;  // as above: growth shows in the stamp check
    }
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

}  // namespace

DWORD WriteErrorOf(int err) {
    switch (err) {
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EFBIG: return kErrorFileTooLarge;
    case EROFS: return ERROR_WRITE_PROTECT;
    default: return static_cast<DWORD>(ErrnoToWin32(err));
    }
}

bool IsTransferTempName(std::string_view name) {
    const size_t fixed = kTempHead.size() + 1 + kRandomLength + kTempTail.size();
    if (name.size() < fixed || name.substr(0, kTempHead.size()) != kTempHead) return false;
    if (name.substr(name.size() - kTempTail.size()) != kTempTail) return false;
    std::string_view random = name.substr(name.size() - kTempTail.size() - kRandomLength, kRandomLength);
    if (name[name.size() - kTempTail.size() - kRandomLength - 1] != '.') return false;
    for (char c : random)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

int CreateTempIn(int dirFd, std::string_view targetName, std::string* tempName) {
    std::string base(targetName);
    if (base.size() > kMaxTempBase) {
        size_t cut = kMaxTempBase;
        while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) --cut;  // whole UTF-8 characters
        base.resize(cut);
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = std::string(kTempHead) + base + "." + RandomSuffix() + std::string(kTempTail);
        int fd = openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            *tempName = std::move(name);
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

int CreateTempBeside(const std::string& hostTarget, std::string* tempPath) {
    std::string folder = FolderOf(hostTarget);
    std::string base;
    FolderFd dir;
    dir.fd = OpenParentFolder(hostTarget, &base);
    if (dir.fd < 0) return -1;
    std::string name;
    int fd = CreateTempIn(dir.fd, base, &name);
    if (fd >= 0) *tempPath = (folder == "/" ? "" : folder) + "/" + name;
    return fd;
}

int RemoveStaleTemps(const char* winFolder) {
    if (!winFolder) return 0;
    HostPath hp = ResolvePath(winFolder);
    if (!hp.ok || !hp.exists || !S_ISDIR(hp.info.st_mode)) return 0;
    int fd = OpenUnderDrive(hp.host, O_RDONLY | O_DIRECTORY);
    if (fd < 0) return 0;
    DIR* d = fdopendir(fd);
    if (!d) {
        close(fd);
        return 0;
    }
    const time_t now = time(nullptr);
    int removed = 0;
    while (dirent* e = readdir(d)) {
        if (!IsTransferTempName(e->d_name)) continue;
        struct stat st {};
        if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
        if (now - st.st_mtim.tv_sec < kStaleTempSeconds) continue;
        if (unlinkat(dirfd(d), e->d_name, 0) == 0) ++removed;
    }
    closedir(d);
    return removed;
}

void SetCopyHookForTesting(void (*hook)(const char*)) { g_copyHook = hook; }

void SetSourceReadHookForTesting(void (*hook)(size_t bytes)) { g_sourceReadHook = hook; }

void NoteSourceRead(size_t bytes) {
    if (g_sourceReadHook) g_sourceReadHook(bytes);
}

void DiscardTemp(int fd, const std::string& tempPath) {
    int saved = errno;
    if (fd >= 0) close(fd);
    std::string name;
    FolderFd dir;
    dir.fd = OpenParentFolder(tempPath, &name);
    if (dir.fd >= 0) unlinkat(dir.fd, name.c_str(), 0);
    errno = saved;
}

int CommitTemp(int fd, const std::string& tempPath, const std::string& hostTarget, bool noReplace, bool flushFolder) {
    // A full disk or a failing medium may first show at the flush or the close.
    if (fsync(fd) != 0 && errno != EINVAL) {
        int err = errno;
        DiscardTemp(fd, tempPath);
        return err;
    }
    if (close(fd) != 0) {
        int err = errno;
        DiscardTemp(-1, tempPath);
        return err;
    }
    return RenameTemp(tempPath, hostTarget, noReplace, flushFolder);
}

int RenameInFolder(int dirFd, const std::string& tempName, const std::string& targetName, bool noReplace) {
    const int rc = noReplace ? RenameAtNoReplace(dirFd, tempName.c_str(), targetName.c_str())
                             : renameat(dirFd, tempName.c_str(), dirFd, targetName.c_str());
    if (rc == 0) return 0;
    const int err = errno;
    unlinkat(dirFd, tempName.c_str(), 0);
    return err;
}

int RenameTemp(const std::string& tempPath, const std::string& hostTarget, bool noReplace, bool flushFolder) {
    // Both names are in one folder, reached once without following links.
    std::string tempName;
    FolderFd dir;
    dir.fd = OpenParentFolder(tempPath, &tempName);
    if (dir.fd < 0) {
        int err = errno;
        DiscardTemp(-1, tempPath);
        return err;
    }
    size_t slash = hostTarget.rfind('/');
    const std::string targetName = slash == std::string::npos ? hostTarget : hostTarget.substr(slash + 1);
    const int err = RenameInFolder(dir.fd, tempName, targetName, noReplace);
    if (err != 0) return err;
    if (flushFolder) SyncFolder(FolderOf(hostTarget));
    return 0;
}

bool FlushFilesystemOf(const char* winPath) {
    if (!winPath) return false;
    HostPath hp = ResolvePath(winPath);
    if (!hp.ok) return false;
    std::string root = DriveHostRoot(hp.drive);
    std::string path = hp.host;
    // The nearest existing folder of the path, never above the drive's root.
    while (path.size() >= root.size() && !path.empty()) {
        // Folders only, reached without links: a device or FIFO is never opened.
        int fd = OpenUnderDrive(path, O_RDONLY | O_DIRECTORY | O_NONBLOCK);
        if (fd >= 0) {
            int rc = syncfs(fd);
            close(fd);
            return rc == 0;
        }
        if (path == "/" || path == root) break;
        path = FolderOf(path);
    }
    return false;
}

}  // namespace platform

BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
    return platform::CopyFileWithProgress(lpExistingFileName, lpNewFileName, bFailIfExists, nullptr, nullptr);
}

BOOL platform::CopyFileWithProgress(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists,
                                    CopyProgress progress, void* progressData, const CopyTap* tap) {
    return CopyFileToTemp(lpExistingFileName, lpNewFileName, bFailIfExists, progress, progressData, nullptr, tap);
}

BOOL platform::CopyFileToTemp(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists,
                              CopyProgress progress, void* progressData, PendingCopy* pending, const CopyTap* tap) {
    using namespace platform;
    if (!lpExistingFileName || !lpNewFileName) return Fail(ERROR_PATH_NOT_FOUND);

    // The source is opened first: a missing source reports 2 whatever the destination.
    HostPath src = ResolvePath(lpExistingFileName);
    if (!src.ok) return Fail(src.error ? static_cast<DWORD>(src.error) : ERROR_PATH_NOT_FOUND);
    // A link is never followed: it reads as a missing source.
    if (!src.exists) return Fail(src.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    struct stat sst {};
    // Folders, FIFOs, devices and sockets are refused without being opened for reading.
    int in = OpenRegularFile(src.host, &sst);
    if (in < 0) {
        if (errno == ENOENT || errno == ELOOP)
            return Fail(src.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        return Fail(static_cast<DWORD>(ErrnoToWin32(errno == EISDIR ? EACCES : errno)));
    }
    struct InCloser {
        int fd;
        ~InCloser() { close(fd); }
    } inCloser{in};
    if (src.trailingSeparator) return Fail(ERROR_ACCESS_DENIED);

    HostPath dst = ResolvePath(lpNewFileName);
    if (!dst.ok) return Fail(dst.error ? static_cast<DWORD>(dst.error) : ERROR_PATH_NOT_FOUND);
    if (dst.trailingSeparator) return Fail(dst.exists ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
    if (!dst.parentExists) return Fail(ERROR_PATH_NOT_FOUND);

    std::string name;
    FolderFd dir;
    const std::string folder = FolderOf(dst.host);
    dir.fd = OpenParentFolder(dst.host, &name);
    if (dir.fd < 0) return Fail(WriteErrorOf(errno));
    const CopySource source{in, sst, &src.host, {}};
    const CopyTarget target{dir.fd, &folder, name};
    return CopyOpenedToTemp(source, target, bFailIfExists, progress, progressData, pending, tap);
}

BOOL platform::CopyOpenedToTemp(const CopySource& src, const CopyTarget& dst, BOOL bFailIfExists, CopyProgress progress,
                                void* progressData, PendingCopy* pending, const CopyTap* tap) {
    using namespace platform;
    const struct stat& sst = src.st;
    const char* dstName = dst.name.c_str();
    struct stat dl = dst.seen;
    const bool dstExists = dst.looked ? dst.exists : fstatat(dst.dirFd, dstName, &dl, AT_SYMLINK_NOFOLLOW) == 0;
    // A link in the destination's place is replaced, never written through.
    const bool dstFollows = dstExists && !S_ISLNK(dl.st_mode);
    if (dstExists) {
        if (dstFollows && dl.st_dev == sst.st_dev && dl.st_ino == sst.st_ino)
            return Fail(bFailIfExists ? ERROR_FILE_EXISTS : ERROR_SHARING_VIOLATION);
        if (bFailIfExists) return Fail(ERROR_FILE_EXISTS);
        if (S_ISDIR(dl.st_mode)) return Fail(ERROR_ACCESS_DENIED);
        // Windows also refuses a hidden destination. Here "hidden" is only a name
        // that starts with a dot, which a settings folder may hold on purpose: a
        // second save of such a file must not fail, so only read-only refuses.
        if (AttributesOf(dl, dst.name) & FILE_ATTRIBUTE_READONLY) return Fail(ERROR_ACCESS_DENIED);
        if (dstFollows && faccessat(dst.dirFd, dstName, W_OK, 0) != 0) return Fail(WriteErrorOf(errno));
    }

    std::string temp;
    int out = CreateTempIn(dst.dirFd, dst.name, &temp);
    if (out < 0) return Fail(WriteErrorOf(errno));
    const auto discard = [&](int fd) {
        const int saved = errno;
        if (fd >= 0) close(fd);
        unlinkat(dst.dirFd, temp.c_str(), 0);
        errno = saved;
    };
    // Whoever owned the file we replace keeps owning it (when we may give it away).
    if (dstFollows && geteuid() == 0 && fchown(out, dl.st_uid, dl.st_gid) != 0) {
        // Not all filesystems keep owners (FAT); the copy is still good.
    }
    int err = CopyData(src.fd, out, sst.st_size, progress, progressData, tap);
    if (err != 0) {
        discard(out);
        if (err == kSourceChanged) return Fail(ERROR_SHARING_VIOLATION);
        return Fail(err == ECANCELED ? ERROR_REQUEST_ABORTED : WriteErrorOf(err));
    }
    // A source written while it was copied gives a copy that is neither the old
    // file nor the new one: the copy fails rather than keep such a mix.
    if (g_copyHook) {
        std::string host = *src.folder;
        if (!src.name.empty()) host.append("/").append(src.name);
        g_copyHook(host.c_str());
    }
    struct stat after {};
    if (fstat(src.fd, &after) != 0 || !SameContentStamp(sst, after)) {
        discard(out);
        return Fail(ERROR_SHARING_VIOLATION);
    }
    // Attributes and the last-write time go with the data. Filesystems without
    // Unix permissions (FAT) may refuse the mode; that does not fail the copy.
    fchmod(out, sst.st_mode & 0777);
    struct timespec times[2] = {sst.st_atim, sst.st_mtim};
    futimens(out, times);
    // The data is flushed before the rename, so the destination is always the old
    // file or the whole new one. The folder entry is left to the transfer's one
    // flush of the filesystem at its end: a flush per file halves the speed of a
    // save of many small files.
    if (pending) {
        // Flushed, read back and renamed with the rest of its batch.
        if (close(out) != 0) {
            err = errno;
            discard(-1);
            return Fail(WriteErrorOf(err));
        }
        const std::string& folder = *dst.folder;
        const std::string head = folder == "/" ? "" : folder;
        *pending = PendingCopy{head + "/" + temp, head + "/" + dst.name, bFailIfExists != FALSE, temp, dst.name};
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    // A full disk or a failing medium may first show at the flush or the close.
    if (fsync(out) != 0 && errno != EINVAL) {
        err = errno;
        discard(out);
        return Fail(WriteErrorOf(err));
    }
    if (close(out) != 0) {
        err = errno;
        discard(-1);
        return Fail(WriteErrorOf(err));
    }
    err = RenameInFolder(dst.dirFd, temp, dst.name, bFailIfExists != FALSE);
    if (err != 0) return Fail(err == EEXIST ? ERROR_FILE_EXISTS : WriteErrorOf(err));
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
