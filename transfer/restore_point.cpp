#include "transfer/restore_point.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>

#include "platform/unique_fd.h"
#include "platform/copy_file.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "transfer/folder_path.h"
#include "transfer/verify.h"

namespace {

constexpr int kManifestVersion = 1;
constexpr const char* kManifest = "manifest.json";
constexpr const char* kPartial = ".partial";
constexpr size_t kBuffer = 1 << 20;

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
std::string CurrentPrefix() {
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(platform::PrefixDir(), ec);
    return ec ? platform::PrefixDir() : canonical.string();
}

void SyncPath(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

int WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t w = write(fd, data, size);
        if (w < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (w == 0) return EIO;
        data += w;
        size -= static_cast<size_t>(w);
    }
    return 0;
}

// Copies `in` into `out` from the start, hashing the bytes on the way. 0 or errno.
int CopyHashing(int in, int out, verify::Digest* digest) {
    std::unique_ptr<XXH3_state_t, decltype(&XXH3_freeState)> state(XXH3_createState(), XXH3_freeState);
    if (!state || XXH3_64bits_reset(state.get()) != XXH_OK) return ENOMEM;
    thread_local std::vector<char> buffer(kBuffer);
    uint64_t size = 0;
    while (true) {
        const ssize_t n = read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) break;
        XXH3_64bits_update(state.get(), buffer.data(), static_cast<size_t>(n));
        if (const int err = WriteAll(out, buffer.data(), static_cast<size_t>(n))) return err;
        size += static_cast<uint64_t>(n);
    }
    digest->hash = XXH3_64bits_digest(state.get());
    digest->size = size;
    return 0;
}

std::string Hex(uint64_t v) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
    return text;
}

uint64_t FromHex(const std::string& s) { return std::strtoull(s.c_str(), nullptr, 16); }

// A name for a new point: the local time of creation, then a sequence number for
// points made within the same second.
std::string NewId(time_t now, int sequence) {
    tm local{};
    localtime_r(&now, &local);
    char text[80];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d-%03d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, sequence);
    return text;
}

bool IsPointName(const std::string& name) {
    return !name.empty() && name[0] != '.' && name.find('/') == std::string::npos;
}

// Writes `bytes` to `path` through a flushed temporary file and a rename.
int WriteFileAtomic(const std::string& path, const std::string& bytes) {
    std::string temp;
    const int fd = platform::CreateTempBeside(path, &temp);
    if (fd < 0) return errno;
    if (const int err = WriteAll(fd, bytes.data(), bytes.size())) {
        platform::DiscardTemp(fd, temp);
        return err;
    }
    return platform::CommitTemp(fd, temp, path, false, true);
}

}  // namespace

uint64_t RestorePoint::KeptBytes() const {
    uint64_t total = 0;
    for (const RestoreEntry& e : files)
        if (e.existed) total += e.size;
    return total;
}

RestorePointStore::RestorePointStore(std::string root) : m_root(std::move(root)) {}

int RestorePointStore::Create(const std::vector<std::string>& winPaths, const std::string& folder, RestorePoint* out,
                              std::string* failedPath) {
    std::error_code ec;
    std::filesystem::create_directories(m_root, ec);
    if (ec) return ec.value();

    RestorePoint point;
    point.createdUnix = static_cast<int64_t>(time(nullptr));
    point.folder = folder;
    point.prefix = CurrentPrefix();
    std::string partial;
    for (int sequence = 0;; ++sequence) {
        point.id = NewId(static_cast<time_t>(point.createdUnix), sequence);
        point.dir = m_root + "/" + point.id;
        partial = point.dir + kPartial;
        struct stat st {};
        if (lstat(point.dir.c_str(), &st) == 0) continue;
        if (mkdir(partial.c_str(), 0700) == 0) break;
        if (errno != EEXIST || sequence >= 999) return errno;
    }
    auto fail = [&](int err, const std::string& winPath) {
        std::filesystem::remove_all(partial, ec);
        if (failedPath) *failedPath = winPath;
        return err;
    };
    if (mkdir((partial + "/files").c_str(), 0700) != 0) return fail(errno, "");

    std::set<std::string> seen;
    for (const std::string& winPath : winPaths) {
        if (!seen.insert(winPath).second) continue;
        RestoreEntry entry;
        entry.winPath = winPath;
        const platform::HostPath hp = platform::ResolvePath(winPath);
        if (!hp.ok) return fail(EINVAL, winPath);
        const int in = open(hp.host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (in < 0) {
            if (errno != ENOENT && errno != ENOTDIR) return fail(errno, winPath);
            point.files.push_back(std::move(entry));  // new: an undo removes it
            continue;
        }
        Fd inFd(in);
        struct stat st {};
        if (fstat(in, &st) != 0) return fail(errno, winPath);
        if (!S_ISREG(st.st_mode)) return fail(EISDIR, winPath);
        entry.existed = true;
        entry.mode = st.st_mode & 07777;
        entry.mtimeNs = Ns(st.st_mtim);
        entry.atimeNs = Ns(st.st_atim);
        entry.copy = "files/" + std::to_string(point.files.size());
        const int outFd = open((partial + "/" + entry.copy).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (outFd < 0) return fail(errno, winPath);
        Fd keep(outFd);
        verify::Digest digest;
        if (const int err = CopyHashing(in, outFd, &digest)) return fail(err, winPath);
        if (close(keep.Release()) != 0) return fail(errno, winPath);
        entry.size = digest.size;
        entry.hash = digest.hash;
        point.files.push_back(std::move(entry));
    }

    // One flush for all the kept copies, then the manifest, then the name that
    // makes the point count: a crash at any step leaves only a ".partial" folder.
    {
        const int dirFd = open(partial.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd < 0) return fail(errno, "");
        const int rc = syncfs(dirFd);
        const int err = errno;
        close(dirFd);
        if (rc != 0) return fail(err, "");
    }
    RestorePoint staged = point;
    staged.dir = partial;
    if (const int err = WriteManifest(staged)) return fail(err, "");
    SyncPath(partial + "/files");
    if (rename(partial.c_str(), point.dir.c_str()) != 0) return fail(errno, "");
    SyncPath(m_root);
    if (out) *out = std::move(point);
    return 0;
}

int RestorePointStore::WriteManifest(const RestorePoint& point) const {
    nlohmann::json files = nlohmann::json::array();
    for (const RestoreEntry& e : point.files) {
        bool ok = true;
        nlohmann::json f = {{"path", platform::Cp932ToUtf8(e.winPath, &ok)}, {"existed", e.existed}};
        if (!ok) return EILSEQ;
        if (e.existed) {
            f["size"] = e.size;
            f["mtime_ns"] = e.mtimeNs;
            f["atime_ns"] = e.atimeNs;
            f["mode"] = e.mode;
            f["xxh3"] = Hex(e.hash);
            f["copy"] = e.copy;
        }
        files.push_back(std::move(f));
    }
    bool ok = true;
    nlohmann::json manifest = {{"version", kManifestVersion},
                               {"id", point.id},
                               {"created_unix", point.createdUnix},
                               {"folder", platform::Cp932ToUtf8(point.folder, &ok)},
                               {"prefix", point.prefix},
                               {"used", point.used},
                               {"files", std::move(files)}};
    if (!ok) return EILSEQ;
    std::string text;
    try {
        text = manifest.dump(1, '\t') + "\n";
    } catch (const nlohmann::json::exception&) {
        return EILSEQ;  // a host path that is not UTF-8
    }
    return WriteFileAtomic(point.dir + "/" + kManifest, text);
}

bool RestorePointStore::ReadManifest(const std::string& dir, RestorePoint* out) const {
    FILE* f = std::fopen((dir + "/" + kManifest).c_str(), "rb");
    if (!f) return false;
    const nlohmann::json manifest = nlohmann::json::parse(f, nullptr, false);
    std::fclose(f);
    if (manifest.is_discarded() || !manifest.is_object()) return false;
    try {
        if (manifest.at("version").get<int>() != kManifestVersion) return false;
        RestorePoint point;
        point.id = manifest.at("id").get<std::string>();
        point.dir = dir;
        point.createdUnix = manifest.at("created_unix").get<int64_t>();
        point.folder = platform::Utf8ToCp932(manifest.at("folder").get<std::string>());
        point.prefix = manifest.at("prefix").get<std::string>();
        point.used = manifest.at("used").get<bool>();
        for (const nlohmann::json& item : manifest.at("files")) {
            RestoreEntry e;
            bool ok = true;
            e.winPath = platform::Utf8ToCp932(item.at("path").get<std::string>(), &ok);
            if (!ok) return false;
            e.existed = item.at("existed").get<bool>();
            if (e.existed) {
                e.size = item.at("size").get<uint64_t>();
                e.mtimeNs = item.at("mtime_ns").get<int64_t>();
                e.atimeNs = item.at("atime_ns").get<int64_t>();
                e.mode = item.at("mode").get<uint32_t>() & 07777;
                e.hash = FromHex(item.at("xxh3").get<std::string>());
                e.copy = item.at("copy").get<std::string>();
                // A kept copy lies inside the point's own folder.
                if (e.copy.rfind("files/", 0) != 0 || e.copy.find("..") != std::string::npos) return false;
            }
            point.files.push_back(std::move(e));
        }
        *out = std::move(point);
        return true;
    } catch (const nlohmann::json::exception&) {
        return false;
    }
}

bool RestorePointStore::Load(const std::string& id, RestorePoint* out) const {
    if (!IsPointName(id) || id.find(kPartial) != std::string::npos) return false;
    RestorePoint point;
    if (!ReadManifest(m_root + "/" + id, &point) || point.id != id) return false;
    *out = std::move(point);
    return true;
}

std::vector<RestorePoint> RestorePointStore::List() const {
    std::vector<RestorePoint> points;
    DIR* dir = opendir(m_root.c_str());
    if (!dir) return points;
    const std::string prefix = CurrentPrefix();
    while (const dirent* d = readdir(dir)) {
        const std::string name = d->d_name;
        RestorePoint point;
        if (IsPointName(name) && Load(name, &point) && point.prefix == prefix) points.push_back(std::move(point));
    }
    closedir(dir);
    std::sort(points.begin(), points.end(), [](const RestorePoint& a, const RestorePoint& b) { return a.id > b.id; });
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
    DIR* dir = opendir(m_root.c_str());
    if (!dir) return;
    std::vector<std::string> complete;
    std::vector<std::string> unfinished;
    while (const dirent* d = readdir(dir)) {
        const std::string name = d->d_name;
        if (!IsPointName(name)) continue;
        if (name.size() > std::strlen(kPartial) &&
            name.compare(name.size() - std::strlen(kPartial), std::string::npos, kPartial) == 0)
            unfinished.push_back(name);
        else
            complete.push_back(name);
    }
    closedir(dir);
    // Points of every installation count: the folder is the user's, whatever prefix.
    std::sort(complete.begin(), complete.end(), std::greater<>());
    std::error_code ec;
    for (size_t i = static_cast<size_t>(std::max(keep, 0)); i < complete.size(); ++i)
        std::filesystem::remove_all(m_root + "/" + complete[i], ec);
    for (const std::string& name : unfinished) std::filesystem::remove_all(m_root + "/" + name, ec);
}

namespace {
// Writes the kept copy of `entry` over its system file, atomically, with its mode
// and times. 0 or errno; EIO when the kept copy no longer matches its checksum.
int PutBack(const RestorePoint& point, const RestoreEntry& entry) {
    CreateFolderPath(entry.winPath.c_str());
    const platform::HostPath hp = platform::ResolvePath(entry.winPath);
    if (!hp.ok) return ENOENT;
    const int in = open((point.dir + "/" + entry.copy).c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno;
    Fd inFd(in);
    std::string temp;
    const int out = platform::CreateTempBeside(hp.host, &temp);
    if (out < 0) return errno;
    verify::Digest digest;
    int err = CopyHashing(in, out, &digest);
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
    if (unlink(hp.host.c_str()) != 0 && errno != ENOENT && errno != ENOTDIR) return errno;
    const size_t slash = hp.host.rfind('/');
    if (slash != std::string::npos) SyncPath(hp.host.substr(0, slash));
    return 0;
}

bool IsAsKept(const RestoreEntry& entry) {
    const platform::HostPath hp = platform::ResolvePath(entry.winPath);
    if (!entry.existed) return !hp.ok || !hp.exists;
    verify::Digest seen;
    return hp.ok && verify::ReadBackFromMedium(hp.host, &seen) && seen.hash == entry.hash && seen.size == entry.size;
}
}  // namespace

UndoResult RestorePointStore::Undo(const std::string& id, const std::function<bool(size_t)>& beforeFile) {
    UndoResult result;
    RestorePoint point;
    if (!Load(id, &point)) {
        result.error = ENOENT;
        return result;
    }
    if (point.prefix != CurrentPrefix()) {
        result.error = EXDEV;  // taken from another installation
        return result;
    }
    for (size_t i = 0; i < point.files.size(); ++i) {
        const RestoreEntry& entry = point.files[i];
        if (beforeFile && !beforeFile(i)) {
            result.error = EINTR;
            return result;
        }
        const int err = entry.existed ? PutBack(point, entry) : RemoveNew(entry);
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
    if (const int err = WriteManifest(point)) {
        result.error = err;
        return result;
    }
    result.ok = true;
    return result;
}
