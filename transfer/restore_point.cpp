#include "transfer/restore_point.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <set>
#include <tuple>

#include "platform/beneath.h"
#include "platform/copy_file.h"
#include "platform/cp932.h"
#include "platform/drive_letter.h"
#include "platform/lock_file.h"
#include "platform/paths.h"
#include "platform/unique_fd.h"
#include "transfer/folder_path.h"
#include "transfer/restore_point_manifest.h"
#include "transfer/utc_time.h"
#include "transfer/verify.h"

namespace {

using restore_point_files::AllDigits;
using restore_point_files::kFiles;
using restore_point_files::kManifest;
using restore_point_files::SyncFd;

constexpr const char* kPartial = ".partial";
constexpr const char* kOwner = "owner";
constexpr size_t kBuffer = 1 << 20;
constexpr size_t kMaxOwnerBytes = 512;

using Fd = platform::UniqueFd;

int64_t Ns(const timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec; }
timespec Ts(int64_t ns) {
    timespec t{};
    t.tv_sec = static_cast<time_t>(ns / 1000000000);
    t.tv_nsec = static_cast<long>(ns % 1000000000);
    if (t.tv_nsec < 0) {
        t.tv_nsec += 1000000000;
        --t.tv_sec;
    }
    return t;
}

// The installation's folder as one spelling, so that a point is only offered
// for the installation it was taken from.
std::string CurrentPrefix() { return CurrentInstallationFolder(); }

bool EndsWith(const std::string& s, const char* tail) {
    const size_t n = std::strlen(tail);
    return s.size() > n && s.compare(s.size() - n, n, tail) == 0;
}

bool IsPointName(const std::string& name) {
    return !name.empty() && name[0] != '.' && name.find('/') == std::string::npos;
}

// "20261209T010203Z-0001": the UTC time and the counter of a new-form id.
bool ParseNewId(const std::string& id, std::string* time, uint64_t* counter) {
    if (id.size() < 18 || id.size() > 17 + 9 || id[8] != 'T' || id[15] != 'Z' || id[16] != '-') return false;
    if (!AllDigits(id, 0, 8) || !AllDigits(id, 9, 15) || !AllDigits(id, 17, id.size())) return false;
    *time = id.substr(0, 15);
    *counter = std::strtoull(id.c_str() + 17, nullptr, 10);
    return true;
}

// Order of creation: ids of earlier versions first, by name; then new ones by time and counter.
bool IdBefore(const std::string& a, const std::string& b) {
    std::string ta, tb;
    uint64_t ca = 0, cb = 0;
    const bool na = ParseNewId(a, &ta, &ca), nb = ParseNewId(b, &tb, &cb);
    if (na != nb) return nb;
    if (!na) return a < b;
    return std::tie(ta, ca, a) < std::tie(tb, cb, b);
}

// An id after every one of `names` (points and unfinished points of the store):
// the time of `now`, or the newest time there when the clock is behind it.
std::string NextId(int64_t now, const std::vector<std::string>& names) {
    std::string time = FormatUtc(now, "%Y%m%dT%H%M%S");
    uint64_t counter = 1;
    for (std::string name : names) {
        if (EndsWith(name, kPartial)) name.resize(name.size() - std::strlen(kPartial));
        std::string t;
        uint64_t c = 0;
        if (!ParseNewId(name, &t, &c)) continue;
        if (t > time) {
            time = t;
            counter = c + 1;
        } else if (t == time && c >= counter) {
            counter = c + 1;
        }
    }
    char text[32];
    std::snprintf(text, sizeof text, "Z-%04llu", static_cast<unsigned long long>(counter));
    return time + text;
}

std::vector<std::string> NamesIn(int dirFd) {
    std::vector<std::string> names;
    const int dup = fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    if (dup < 0) return names;
    DIR* dir = fdopendir(dup);
    if (!dir) {
        close(dup);
        return names;
    }
    while (const dirent* d = readdir(dir))
        if (IsPointName(d->d_name)) names.emplace_back(d->d_name);
    closedir(dir);
    return names;
}

// Copies what `in` reads from its current offset to `out`, hashing it. 0 or errno.
int CopyHashing(int in, int out, verify::Digest* digest) {
    verify::StreamHasher hasher;
    if (!hasher.Reset()) return ENOMEM;
    thread_local std::vector<char> buffer(kBuffer);
    while (true) {
        const ssize_t n = read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) break;
        hasher.Add(buffer.data(), static_cast<size_t>(n));
        if (const int err = restore_point_files::WriteAll(out, buffer.data(), static_cast<size_t>(n))) return err;
    }
    *digest = hasher.Result();
    return 0;
}

// ---- processes that own an unfinished point

// The host's name as one word of an owner record.
std::string HostName() {
    std::string name = platform::ThisHostName();
    if (name.empty()) return "?";
    for (char& c : name)
        if (c == ' ' || c == '\n') c = '_';
    return name;
}

// When a process started (field 22 of /proc/<pid>/stat): tells a live owner from
// a later process that got its pid.
bool ProcessStart(pid_t pid, uint64_t* start) {
    const int64_t ticks = platform::ProcessStartTicks(pid);
    if (ticks < 0) return false;
    *start = static_cast<uint64_t>(ticks);
    return true;
}

// Whether the unfinished point `name` may be removed: see the header.
bool IsStalePartial(int rootFd, const std::string& name, int64_t now) {
    Fd dir(openat(rootFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (dir.Get() < 0) return errno != ENOENT;  // a link or a file under that name: never a point
    struct stat st {};
    if (fstat(dir.Get(), &st) != 0) return false;
    if (now - static_cast<int64_t>(st.st_mtim.tv_sec) > RestorePointStore::kStalePartialSeconds) return true;
    std::string record;
    if (restore_point_files::ReadBounded(dir.Get(), kOwner, kMaxOwnerBytes, &record) != 0)
        return false;  // being made, or too young
    char host[256] = {};
    long long pid = 0;
    unsigned long long start = 0;
    if (std::sscanf(record.c_str(), "%255s %lld %llu", host, &pid, &start) != 3) return false;
    if (host != HostName()) return false;  // another machine's: only its age tells
    uint64_t seen = 0;
    return pid <= 0 || pid > INT_MAX || !ProcessStart(static_cast<pid_t>(pid), &seen) || seen != start;
}

// ---- system paths

std::string FolderOf(const std::string& host) {
    const size_t slash = host.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : host.substr(0, slash);
}

std::string NameOf(const std::string& host) {
    const size_t slash = host.rfind('/');
    return slash == std::string::npos ? host : host.substr(slash + 1);
}

bool IsDriveAbsolute(const std::string& winPath) {
    return winPath.size() >= 3 && platform::DriveLetter::OfPath(winPath) && (winPath[2] == '\\' || winPath[2] == '/');
}

// A resolved path as its drive and the part below the drive's root, the same
// whichever spelling of the drive root the resolver gave.
struct DrivePath {
    std::optional<platform::DriveLetter> drive;
    std::string rel;  // "SYS/U/a.ini", no leading or trailing '/'
};

bool ToDrivePath(const std::string& winPath, DrivePath* out) {
    if (!IsDriveAbsolute(winPath)) return false;
    const platform::HostPath hp = platform::ResolvePath(winPath);
    if (!hp.ok) return false;
    const size_t rootLength = platform::DriveRootLengthOf(hp.host);
    if (rootLength == std::string::npos) return false;
    std::string rel = hp.host.substr(rootLength);
    while (!rel.empty() && rel.front() == '/') rel.erase(0, 1);
    while (!rel.empty() && rel.back() == '/') rel.pop_back();
    out->drive = platform::DriveLetter::FromNumber(hp.drive);
    out->rel = std::move(rel);
    return out->drive.has_value();
}

// Whether no component from the drive root down to `host` is a link: the
// deepest one that exists is reached with every link refused.
bool NoLinkOnTheWay(std::string host) {
    const size_t rootLength = platform::DriveRootLengthOf(host);
    if (rootLength == std::string::npos) return false;
    while (host.size() > rootLength) {
        struct stat st {};
        if (platform::StatUnderDrive(host, &st)) return true;
        if (errno != ENOENT && errno != ENOTDIR) return false;  // ELOOP: a link on the way
        host = FolderOf(host);
    }
    return false;
}

// Whether `winPath` names a file strictly below every one of `roots`, reached without a link.
bool Contained(const std::string& winPath, const std::vector<DrivePath>& roots) {
    DrivePath path;
    if (roots.empty() || !ToDrivePath(winPath, &path) || winPath.back() == '\\' || winPath.back() == '/') return false;
    for (const DrivePath& root : roots) {
        if (path.drive != root.drive) return false;
        if (!root.rel.empty() &&
            (path.rel.size() <= root.rel.size() + 1 || path.rel.compare(0, root.rel.size(), root.rel) != 0 ||
             path.rel[root.rel.size()] != '/'))
            return false;
        if (root.rel.empty() && path.rel.empty()) return false;
    }
    return NoLinkOnTheWay(platform::ResolvePath(winPath).host);
}

// The system data roots an undo may write below: the current installation's and
// the one the point recorded (none in points of an earlier version). False when
// one does not resolve.
bool RootsOf(const std::string& current, const std::string& recorded, std::vector<DrivePath>* roots) {
    DrivePath root;
    if (!ToDrivePath(current, &root)) return false;
    roots->push_back(root);
    if (recorded.empty()) return true;
    if (!ToDrivePath(recorded, &root)) return false;
    roots->push_back(root);
    return true;
}

// Whether the kept copy is a regular file of the point's own folder, reached without a link.
bool CopyInside(int pointFd, const std::string& copy) {
    Fd fd(platform::OpenAtBeneath(pointFd, copy, O_PATH | O_NOFOLLOW));
    struct stat st {};
    return fd.Get() >= 0 && fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode);
}

// What Create finds at a destination: a regular file opened for reading, nothing
// (a new file), or a destination that cannot be written.
enum class Found { File, Nothing, Unwritable, Error };

Found OpenDestination(const std::string& winPath, Fd* in, struct stat* st) {
    const platform::HostPath hp = platform::ResolvePath(winPath);
    if (!hp.ok) return Found::Unwritable;
    // Looked at through O_PATH first: opening a device for reading can have effects.
    Fd probe(platform::OpenUnderDrive(hp.host, O_PATH | O_NOFOLLOW));
    if (probe.Get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return Found::Nothing;
        return errno == ELOOP ? Found::Unwritable : Found::Error;
    }
    if (fstat(probe.Get(), st) != 0) return Found::Error;
    if (!S_ISREG(st->st_mode)) return Found::Unwritable;
    in->Reset(platform::OpenUnderDrive(hp.host, O_RDONLY | O_NONBLOCK | O_NOCTTY));
    if (in->Get() < 0) return errno == ELOOP ? Found::Unwritable : Found::Error;
    if (fstat(in->Get(), st) != 0) return Found::Error;
    return S_ISREG(st->st_mode) ? Found::File : Found::Unwritable;
}

// Writes the kept copy of `entry` over its system file, atomically, with its mode
// and times. 0 or errno; EIO when the kept copy no longer matches its checksum.
int PutBack(int pointFd, const RestoreEntry& entry) {
    if (!CreateFolderPath(entry.winPath.c_str())) return ENOENT;  // its drive is gone
    const platform::HostPath hp = platform::ResolvePath(entry.winPath);
    if (!hp.ok) return ENOENT;
    Fd in(platform::OpenAtBeneath(pointFd, entry.copy, O_RDONLY | O_NONBLOCK | O_NOCTTY));
    if (in.Get() < 0) return errno;
    std::string temp;
    const int out = platform::CreateTempBeside(hp.host, &temp);
    if (out < 0) return errno;
    verify::Digest digest;
    int err = CopyHashing(in.Get(), out, &digest);
    if (err == 0 && (digest.hash != entry.hash || digest.size != entry.size)) err = EIO;
    if (err == 0 && fchmod(out, static_cast<mode_t>(entry.mode)) != 0 && errno != EPERM) err = errno;
    const timespec times[2] = {Ts(entry.atimeNs), Ts(entry.mtimeNs)};
    if (err == 0 && futimens(out, times) != 0) err = errno;
    if (err != 0) {
        platform::DiscardTemp(out, temp);
        return err;
    }
    return platform::CommitTemp(out, temp, hp.host, false, true);
}

int RemoveNew(const RestoreEntry& entry) {
    const platform::HostPath hp = platform::ResolvePath(entry.winPath);
    if (!hp.ok) return 0;  // its drive is gone: nothing there to remove
    Fd parent(platform::OpenUnderDrive(FolderOf(hp.host), O_RDONLY | O_DIRECTORY));
    if (parent.Get() < 0) return errno == ENOENT || errno == ENOTDIR ? 0 : errno;
    if (unlinkat(parent.Get(), NameOf(hp.host).c_str(), 0) != 0 && errno != ENOENT && errno != ENOTDIR) return errno;
    return SyncFd(parent.Get());
}

// Whether the system file reads back from its medium as kept (the shared
// read-back opens it beneath the drive root, and refuses anything but a file).
bool IsAsKept(const RestoreEntry& entry) {
    const platform::HostPath hp = platform::ResolvePath(entry.winPath);
    struct stat st {};
    if (!entry.existed)
        return !hp.ok || (!platform::StatUnderDrive(hp.host, &st) && (errno == ENOENT || errno == ENOTDIR));
    verify::Digest seen;
    return hp.ok && verify::ReadBackFromMedium(hp.host, &seen) && seen.hash == entry.hash && seen.size == entry.size;
}

}  // namespace

std::string PartialOwnerRecord(pid_t pid) {
    uint64_t start = 0;
    if (!ProcessStart(pid, &start)) return {};
    return HostName() + " " + std::to_string(pid) + " " + std::to_string(start) + "\n";
}

std::string CurrentInstallationFolder() {
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(platform::PrefixDir(), ec);
    return ec ? platform::PrefixDir() : canonical.string();
}

uint64_t RestorePoint::KeptBytes() const {
    uint64_t total = 0;
    for (const RestoreEntry& e : files)
        if (e.existed) total += e.size;
    return total;
}

RestorePointStore::RestorePointStore(std::string root, std::string systemRoot)
    : m_root(std::move(root)), m_systemRoot(std::move(systemRoot)) {}

namespace {
// The store's own folder, in the user's data folder (no Windows path leads here).
int OpenStoreRoot(const std::string& root) { return open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }
}  // namespace

namespace {
// Makes the ".partial" folder of a new point in the store `rootFd`, its id after
// every one there (point->createdUnix set). 0 or errno.
int MakePartialFolder(int rootFd, RestorePoint* point, std::string* partial) {
    std::vector<std::string> names = NamesIn(rootFd);
    for (int attempt = 0;; ++attempt) {
        point->id = NextId(point->createdUnix, names);
        *partial = point->id + kPartial;
        if (mkdirat(rootFd, partial->c_str(), 0700) == 0) return 0;
        if (errno != EEXIST || attempt >= 1000) return errno;
        names.push_back(*partial);  // another process took it meanwhile
    }
}

// Keeps the system file entry->winPath as it is now, as "files/<n>" of the point
// (`filesFd`): its bytes, mode and times, or that it does not exist (an undo
// then removes it). 0, errno, or RestorePointStore::kDestinationUnwritable.
int KeepFile(int filesFd, size_t n, RestoreEntry* entry) {
    Fd in(-1);
    struct stat st {};
    switch (OpenDestination(entry->winPath, &in, &st)) {
    case Found::Nothing: return 0;
    case Found::Unwritable: return RestorePointStore::kDestinationUnwritable;
    case Found::Error: return errno;
    case Found::File: break;
    }
    entry->existed = true;
    entry->mode = st.st_mode & 0777;
    entry->mtimeNs = Ns(st.st_mtim);
    entry->atimeNs = Ns(st.st_atim);
    const std::string name = std::to_string(n);
    entry->copy = std::string(kFiles) + "/" + name;
    Fd keep(openat(filesFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (keep.Get() < 0) return errno;
    verify::Digest digest;
    if (const int err = CopyHashing(in.Get(), keep.Get(), &digest)) return err;
    if (close(keep.Release()) != 0) return errno;
    entry->size = digest.size;
    entry->hash = digest.hash;
    return 0;
}

// Makes the point's folder `dirFd` whole on the medium: one flush for all the
// kept copies, then the manifest, then the copies' folder. 0 or errno.
int SealPoint(int dirFd, int filesFd, const RestorePoint& point) {
    if (const int err = restore_point_files::SyncFileSystemOf(dirFd)) return err;
    if (const int err = restore_point_files::WriteManifestAt(dirFd, point)) return err;
    if (const int err = SyncFd(filesFd)) return err;
    // A complete point ignores an owner file it still holds.
    unlinkat(dirFd, kOwner, 0);
    return 0;
}
}  // namespace

int RestorePointStore::Create(const std::vector<std::string>& winPaths, const std::string& folder, RestorePoint* out,
                              std::string* failedPath) {
    std::error_code ec;
    std::filesystem::create_directories(m_root, ec);
    if (ec) return ec.value();
    Fd root(OpenStoreRoot(m_root));
    if (root.Get() < 0) return errno;

    RestorePoint point;
    point.createdUnix = m_clock ? m_clock() : static_cast<int64_t>(time(nullptr));
    point.folder = folder;
    point.systemRoot = m_systemRoot;
    point.prefix = CurrentPrefix();
    std::string made;  // the point's folder in the store, once there is one
    if (const int err = MakePartialFolder(root.Get(), &point, &made)) return err;
    point.dir = m_root + "/" + point.id;
    auto fail = [&](int err, const std::string& winPath) {
        std::filesystem::remove_all(m_root + "/" + made, ec);
        if (failedPath) *failedPath = winPath;
        return err;
    };
    Fd dir(openat(root.Get(), made.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (dir.Get() < 0) return fail(errno, "");
    if (const int err = restore_point_files::WriteFileAtomicAt(dir.Get(), kOwner, PartialOwnerRecord(getpid())))
        return fail(err, "");
    if (mkdirat(dir.Get(), kFiles, 0700) != 0) return fail(errno, "");
    Fd files(openat(dir.Get(), kFiles, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (files.Get() < 0) return fail(errno, "");

    std::set<std::string> seen;
    for (const std::string& winPath : winPaths) {
        if (!seen.insert(winPath).second) continue;
        RestoreEntry entry;
        entry.winPath = winPath;
        if (const int err = KeepFile(files.Get(), point.files.size(), &entry)) return fail(err, winPath);
        point.files.push_back(std::move(entry));
    }

    // A crash at any step before the rename leaves only a ".partial" folder; a
    // point whose name cannot be made durable is removed again as well.
    if (const int err = SealPoint(dir.Get(), files.Get(), point)) return fail(err, "");
    if (renameat2(root.Get(), made.c_str(), root.Get(), point.id.c_str(), RENAME_NOREPLACE) != 0)
        return fail(errno, "");
    made = point.id;
    if (const int err = SyncFd(root.Get())) return fail(err, "");
    if (out) *out = std::move(point);
    return 0;
}

bool RestorePointStore::Load(const std::string& id, RestorePoint* out) const {
    if (!IsPointName(id) || EndsWith(id, kPartial)) return false;
    Fd root(OpenStoreRoot(m_root));
    if (root.Get() < 0) return false;
    Fd dir(openat(root.Get(), id.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    RestorePoint point;
    if (dir.Get() < 0 || !restore_point_files::ParseManifest(dir.Get(), m_root + "/" + id, &point) || point.id != id)
        return false;
    *out = std::move(point);
    return true;
}

std::vector<RestorePoint> RestorePointStore::List() const {
    std::vector<RestorePoint> points;
    Fd root(OpenStoreRoot(m_root));
    if (root.Get() < 0) return points;
    const std::string prefix = CurrentPrefix();
    for (const std::string& name : NamesIn(root.Get())) {
        RestorePoint point;
        if (Load(name, &point) && point.prefix == prefix) points.push_back(std::move(point));
    }
    std::sort(points.begin(), points.end(),
              [](const RestorePoint& a, const RestorePoint& b) { return IdBefore(b.id, a.id); });
    return points;
}

bool RestorePointStore::Latest(RestorePoint* out) const {
    for (RestorePoint& point : List()) {
        if (point.used) continue;
        *out = std::move(point);
        return true;
    }
    return false;
}

void RestorePointStore::Prune(int keep) {
    Fd root(OpenStoreRoot(m_root));
    if (root.Get() < 0) return;
    std::error_code ec;
    const int64_t now = static_cast<int64_t>(time(nullptr));
    for (const std::string& name : NamesIn(root.Get()))
        if (EndsWith(name, kPartial) && IsStalePartial(root.Get(), name, now))
            std::filesystem::remove_all(m_root + "/" + name, ec);
    // Only this installation's points count; a folder that is no point here is left alone.
    const std::vector<RestorePoint> points = List();
    for (size_t i = static_cast<size_t>(std::max(keep, 0)); i < points.size(); ++i)
        std::filesystem::remove_all(m_root + "/" + points[i].id, ec);
}

UndoResult RestorePointStore::CheckOpened(const std::string& id, RestorePoint* point, int* pointFd) const {
    UndoResult result;
    auto refuse = [&](std::string what) {
        result.refused = true;
        result.error = EPERM;
        result.failedPath = std::move(what);
        return result;
    };
    if (!IsPointName(id) || EndsWith(id, kPartial)) {
        result.error = ENOENT;
        return result;
    }
    Fd root(OpenStoreRoot(m_root));
    Fd dir(root.Get() < 0 ? -1 : openat(root.Get(), id.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (dir.Get() < 0) {
        struct stat st {};
        if (root.Get() >= 0 && fstatat(root.Get(), id.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode))
            return refuse(platform::Utf8ToCp932(id));  // a link or a file in place of a point folder
        result.error = ENOENT;
        return result;
    }
    if (!restore_point_files::ParseManifest(dir.Get(), m_root + "/" + id, point) || point->id != id)
        return refuse(kManifest);
    if (point->prefix != CurrentPrefix()) {
        result.error = EXDEV;  // taken from another installation
        return result;
    }
    std::vector<DrivePath> roots;
    if (!RootsOf(m_systemRoot, point->systemRoot, &roots)) roots.clear();  // every entry is then refused
    for (const RestoreEntry& entry : point->files) {
        if (!Contained(entry.winPath, roots)) return refuse(entry.winPath);
        if (entry.existed && !CopyInside(dir.Get(), entry.copy)) return refuse(entry.copy);
    }
    result.ok = true;
    if (pointFd) *pointFd = dir.Release();
    return result;
}

UndoResult RestorePointStore::Check(const std::string& id) const {
    RestorePoint point;
    return CheckOpened(id, &point, nullptr);
}

UndoResult RestorePointStore::Undo(const std::string& id, const std::function<bool(size_t)>& beforeFile) {
    RestorePoint point;
    int opened = -1;
    UndoResult result = CheckOpened(id, &point, &opened);
    if (!result.ok) return result;
    Fd dir(opened);
    result.ok = false;
    for (size_t i = 0; i < point.files.size(); ++i) {
        const RestoreEntry& entry = point.files[i];
        if (beforeFile && !beforeFile(i)) {
            result.error = EINTR;
            return result;
        }
        const int err = entry.existed ? PutBack(dir.Get(), entry) : RemoveNew(entry);
        if (err != 0) {
            result.error = err;
            result.failedPath = entry.winPath;
            return result;
        }
        ++(entry.existed ? result.restored : result.removed);
    }
    for (const RestoreEntry& entry : point.files) {
        if (!IsAsKept(entry)) {
            result.error = EIO;
            result.failedPath = entry.winPath;
            return result;
        }
    }
    point.used = true;
    if (const int err = restore_point_files::WriteManifestAt(dir.Get(), point)) {
        result.error = err;
        return result;
    }
    result.ok = true;
    return result;
}
