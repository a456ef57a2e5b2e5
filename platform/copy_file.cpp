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
#include "platform/unique_fd.h"

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

bool SameContentStamp(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ino == b.st_ino && a.st_dev == b.st_dev;
}

void SyncFolder(const std::string& folder) {
    const UniqueFd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Valid()) fsync(dir.Get());  // the rename is done; a folder that cannot be flushed changes nothing
}

constexpr int kUseBuffer = -2;  // CopyInKernel: the kernel cannot copy these files, nothing was moved

// One file's bytes on their way: both ends, the size the source was opened with,
// and who hears them.
struct DataCopy {
    int in = -1, out = -1;
    off_t size = 0;
    CopyProgress progress = nullptr;
    void* data = nullptr;
    const CopyTap* tap = nullptr;
    off_t copied = 0;

    // Counts `n` bytes moved; false when the watcher asks the copy to stop.
    bool Moved(ssize_t n) {
        if (g_sourceReadHook) g_sourceReadHook(static_cast<size_t>(n));
        copied += n;
        return !progress || progress(static_cast<uint64_t>(copied), data);
    }
    // The size it was opened with is done: a source that grew since shows in the
    // caller's stamp check, so no call is spent on reading its end.
    bool Done() const { return copied == size; }
};

bool KernelCopyRefused(int err) {
    return err == ENOSYS || err == EXDEV || err == EOPNOTSUPP || err == EINVAL || err == EBADF || err == ETXTBSY;
}

// In the kernel (a clone where the filesystem supports it). 0 when done,
// kUseBuffer when the kernel cannot and nothing was moved, else an errno value.
int CopyInKernel(DataCopy& c) {
    // Chunks small enough that a watcher sees a large file move and a stop
    // request is heard within a fraction of a second even on a slow stick.
    const size_t chunk = c.progress ? kProgressChunk : size_t(1) << 30;
    while (true) {
        const ssize_t n = copy_file_range(c.in, nullptr, c.out, nullptr, chunk, 0);
        if (n > 0) {
            if (!c.Moved(n)) return ECANCELED;
            if (c.Done()) return 0;
            continue;
        }
        // Some filesystems answer 0 at once for a file that has data.
        if (n == 0) return c.copied == 0 && c.size > 0 ? kUseBuffer : 0;
        if (errno == EINTR) continue;
        return c.copied == 0 && KernelCopyRefused(errno) ? kUseBuffer : errno;
    }
}

int WriteAll(int out, const char* bytes, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t w = write(out, bytes + done, size - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (w == 0) return EIO;
        done += static_cast<size_t>(w);
    }
    return 0;
}

// Through a buffer, the tap hearing every byte. 0 or an errno value (or kSourceChanged).
int CopyThroughBuffer(DataCopy& c) {
    // One buffer per thread: a save of thousands of small files allocates once.
    thread_local std::vector<char> buf(kCopyBuffer);
    while (true) {
        const ssize_t n = read(c.in, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        // A source cut short while it was read is no copy of it.
        if (n == 0) return c.tap && !c.Done() ? kSourceChanged : 0;
        if (c.tap) c.tap->bytes(buf.data(), static_cast<size_t>(n), c.tap->data);
        if (const int err = WriteAll(c.out, buf.data(), static_cast<size_t>(n)); err != 0) return err;
        if (!c.Moved(n)) return ECANCELED;
        if (c.Done()) return 0;
    }
}

// Moves every byte of `in` to `out`: in the kernel when it can, else through a
// buffer. Returns 0 or an errno value. `progress` (may be null) hears the bytes
// written so far after every chunk; a false answer stops the copy with ECANCELED.
int CopyData(int in, int out, off_t sourceSize, CopyProgress progress, void* data, const CopyTap* tap) {
    DataCopy c{in, out, sourceSize, progress, data, tap};
    if (!tap) {  // a tap hears the bytes, so they pass through our buffer
        const int err = CopyInKernel(c);
        if (err != kUseBuffer) return err;
    }
    return CopyThroughBuffer(c);
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

int CreateTempIn(int dirFd, std::string_view targetName, std::string* tempName, mode_t mode) {
    std::string base(targetName);
    if (base.size() > kMaxTempBase) {
        size_t cut = kMaxTempBase;
        while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) --cut;  // whole UTF-8 characters
        base.resize(cut);
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = std::string(kTempHead) + base + "." + RandomSuffix() + std::string(kTempTail);
        int fd = openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
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
    const UniqueFd dir(OpenParentFolder(hostTarget, &base));
    if (!dir.Valid()) return -1;
    std::string name;
    int fd = CreateTempIn(dir.Get(), base, &name);
    if (fd >= 0) *tempPath = (folder == "/" ? "" : folder) + "/" + name;
    return fd;
}

int RemoveStaleTemps(const char* winFolder) {
    if (!winFolder) return 0;
    HostPath hp = ResolvePath(winFolder);
    if (!hp.ok || !hp.exists || !S_ISDIR(hp.info.st_mode)) return 0;
    UniqueFd fd(OpenUnderDrive(hp.host, O_RDONLY | O_DIRECTORY));
    if (!fd.Valid()) return 0;
    DIR* d = fdopendir(fd.Get());
    if (!d) return 0;
    (void)fd.Release();  // the listing owns it now
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
    const UniqueFd dir(OpenParentFolder(tempPath, &name));
    if (dir.Valid()) unlinkat(dir.Get(), name.c_str(), 0);
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
    const UniqueFd dir(OpenParentFolder(tempPath, &tempName));
    if (!dir.Valid()) {
        int err = errno;
        DiscardTemp(-1, tempPath);
        return err;
    }
    size_t slash = hostTarget.rfind('/');
    const std::string targetName = slash == std::string::npos ? hostTarget : hostTarget.substr(slash + 1);
    const int err = RenameInFolder(dir.Get(), tempName, targetName, noReplace);
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
        const UniqueFd fd(OpenUnderDrive(path, O_RDONLY | O_DIRECTORY | O_NONBLOCK));
        if (fd.Valid()) return syncfs(fd.Get()) == 0;
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
    const UniqueFd in(OpenRegularFile(src.host, &sst));
    if (!in.Valid()) {
        if (errno == ENOENT || errno == ELOOP)
            return Fail(src.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        return Fail(static_cast<DWORD>(ErrnoToWin32(errno == EISDIR ? EACCES : errno)));
    }
    if (src.trailingSeparator) return Fail(ERROR_ACCESS_DENIED);

    HostPath dst = ResolvePath(lpNewFileName);
    if (!dst.ok) return Fail(dst.error ? static_cast<DWORD>(dst.error) : ERROR_PATH_NOT_FOUND);
    if (dst.trailingSeparator) return Fail(dst.exists ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
    if (!dst.parentExists) return Fail(ERROR_PATH_NOT_FOUND);

    std::string name;
    const std::string folder = FolderOf(dst.host);
    const UniqueFd dir(OpenParentFolder(dst.host, &name));
    if (!dir.Valid()) return Fail(WriteErrorOf(errno));
    const CopySource source{in.Get(), sst, &src.host, {}};
    CopyTarget target;
    target.dirFd = dir.Get();
    target.folder = &folder;
    target.name = name;
    return CopyOpenedToTemp(source, target, bFailIfExists, progress, progressData, pending, tap);
}

namespace platform {
namespace {

// Whether a file created with `mode`'s permission bits gets exactly them where
// a create takes `createMask` away, so that the copy needs no chmod. A create sets
// no read-only mark on FAT-like filesystems, whatever its mode: a source without
// its owner's write bit is always given its mode by a chmod.
bool CreateGivesMode(mode_t mode, int createMask) {
    return createMask >= 0 && (mode & static_cast<mode_t>(createMask)) == 0 && (mode & S_IWUSR) != 0;
}

// The destination rules of CopyFileA for what the target's name holds now (`dl`):
// ERROR_SUCCESS, or why the copy is refused.
DWORD RefusedDestination(const CopySource& src, const CopyTarget& dst, const struct stat& dl, bool failIfExists) {
    // A link in the destination's place is replaced, never written through.
    const bool follows = !S_ISLNK(dl.st_mode);
    if (follows && dl.st_dev == src.st.st_dev && dl.st_ino == src.st.st_ino)
        return failIfExists ? ERROR_FILE_EXISTS : ERROR_SHARING_VIOLATION;
    if (failIfExists) return ERROR_FILE_EXISTS;
    if (S_ISDIR(dl.st_mode)) return ERROR_ACCESS_DENIED;
    // Windows also refuses a hidden destination. Here "hidden" is only a name
    // that starts with a dot, which a settings folder may hold on purpose: a
    // second save of such a file must not fail, so only read-only refuses.
    if (AttributesOf(dl, dst.name) & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
    if (follows && faccessat(dst.dirFd, dst.name.c_str(), W_OK, 0) != 0) return WriteErrorOf(errno);
    return ERROR_SUCCESS;
}

// The temporary file of one copy beside its target, removed when it goes out of
// scope unless it was renamed or handed over whole.
class TempFile {
public:
    explicit TempFile(const CopyTarget& dst) : m_dst(dst) {}
    ~TempFile() {
        if (m_name.empty()) return;
        const int saved = errno;
        m_fd.Reset();
        unlinkat(m_dst.dirFd, m_name.c_str(), 0);
        errno = saved;
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    [[nodiscard]] DWORD Create(mode_t mode) {
        m_fd.Reset(CreateTempIn(m_dst.dirFd, m_dst.name, &m_name, mode));
        return m_fd.Valid() ? ERROR_SUCCESS : WriteErrorOf(errno);
    }
    int Fd() const { return m_fd.Get(); }

    // Closed whole and described in *pending, to be flushed and renamed with its batch.
    [[nodiscard]] DWORD Hand(PendingCopy* pending, bool noReplace) {
        if (const DWORD error = Close(); error != ERROR_SUCCESS) return error;
        const std::string head = *m_dst.folder == "/" ? "" : *m_dst.folder;
        *pending = PendingCopy{head + "/" + m_name, head + "/" + m_dst.name, noReplace, m_name, m_dst.name};
        m_name.clear();
        return ERROR_SUCCESS;
    }

    // Flushed, closed and renamed over the target.
    [[nodiscard]] DWORD Commit(bool noReplace) {
        // A full disk or a failing medium may first show at the flush or the close.
        if (fsync(m_fd.Get()) != 0 && errno != EINVAL) return WriteErrorOf(errno);
        if (const DWORD error = Close(); error != ERROR_SUCCESS) return error;
        const int err = RenameInFolder(m_dst.dirFd, m_name, m_dst.name, noReplace);
        m_name.clear();  // renamed, or removed by the failed rename
        if (err != 0) return err == EEXIST ? ERROR_FILE_EXISTS : WriteErrorOf(err);
        return ERROR_SUCCESS;
    }

private:
    DWORD Close() { return close(m_fd.Release()) == 0 ? ERROR_SUCCESS : WriteErrorOf(errno); }

    const CopyTarget& m_dst;
    UniqueFd m_fd;
    std::string m_name;
};

// The source's bytes into `out`, checked against the stamp the source was opened
// with, then its mode (by a chmod when `chmod`) and times: ERROR_SUCCESS or why not.
DWORD FillTemp(const CopySource& src, int out, bool chmod, CopyProgress progress, void* data, const CopyTap* tap) {
    const int err = CopyData(src.fd, out, src.st.st_size, progress, data, tap);
    if (err == kSourceChanged) return ERROR_SHARING_VIOLATION;
    if (err != 0) return err == ECANCELED ? ERROR_REQUEST_ABORTED : WriteErrorOf(err);
    // A source written while it was copied gives a copy that is neither the old
    // file nor the new one: the copy fails rather than keep such a mix.
    if (g_copyHook) {
        std::string host = *src.folder;
        if (!src.name.empty()) host.append("/").append(src.name);
        g_copyHook(host.c_str());
    }
    struct stat after {};
    if (fstat(src.fd, &after) != 0 || !SameContentStamp(src.st, after)) return ERROR_SHARING_VIOLATION;
    // Attributes and the last-write time go with the data. Filesystems without
    // Unix permissions (FAT) may refuse the mode; that does not fail the copy.
    if (chmod) fchmod(out, src.st.st_mode & 0777);
    const struct timespec times[2] = {src.st.st_atim, src.st.st_mtim};
    futimens(out, times);
    return ERROR_SUCCESS;
}

bool Root() {
    static const bool root = geteuid() == 0;
    return root;
}

}  // namespace
}  // namespace platform

BOOL platform::CopyOpenedToTemp(const CopySource& src, const CopyTarget& dst, BOOL bFailIfExists, CopyProgress progress,
                                void* progressData, PendingCopy* pending, const CopyTap* tap) {
    const bool failIfExists = bFailIfExists != FALSE;
    struct stat dl = dst.seen;
    const bool exists = dst.looked ? dst.exists : fstatat(dst.dirFd, dst.name.c_str(), &dl, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists) {
        if (const DWORD refused = RefusedDestination(src, dst, dl, failIfExists); refused != ERROR_SUCCESS)
            return Fail(refused);
    }
    const mode_t mode = src.st.st_mode & 0777;
    const bool modeAtCreate = CreateGivesMode(mode, dst.createMask);
    TempFile temp(dst);
    if (const DWORD error = temp.Create(modeAtCreate ? mode : 0666); error != ERROR_SUCCESS) return Fail(error);
    // Whoever owned the file we replace keeps owning it (when we may give it away).
    if (exists && !S_ISLNK(dl.st_mode) && Root() && fchown(temp.Fd(), dl.st_uid, dl.st_gid) != 0) {
        // Not all filesystems keep owners (FAT); the copy is still good.
    }
    if (const DWORD error = FillTemp(src, temp.Fd(), !modeAtCreate, progress, progressData, tap);
        error != ERROR_SUCCESS)
        return Fail(error);
    // The data is flushed before the rename, so the destination is always the old
    // file or the whole new one. With `pending` the file is flushed, read back and
    // renamed with the rest of its batch, the folder entry left to the transfer's
    // one flush of the filesystem at its end: a flush per file halves the speed of
    // a save of many small files. A name the folder's listing did not hold is
    // renamed to without replacing what may have come there since.
    const bool noReplace = failIfExists || dst.listedAbsent;
    const DWORD error = pending ? temp.Hand(pending, noReplace) : temp.Commit(noReplace);
    if (error != ERROR_SUCCESS) return Fail(error);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
