#include "platform/profile_cache.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <new>
#include <unordered_map>

#include "platform/beneath.h"
#include "platform/paths.h"

namespace platform::profile {

namespace {

constexpr size_t kMaxFiles = 64;
constexpr off_t kMaxFileBytes = off_t(1) << 30;

// A file modified less than this long before we read it may be modified again
// within the same timestamp tick, leaving its stat unchanged; such an entry is
// compared with the file's bytes at each use until it is old enough. FAT keeps
// modification times in 2-second steps (no nanoseconds), hence the longer window.
constexpr int64_t kRacyWindowNs = 50'000'000;
constexpr int64_t kCoarseRacyWindowNs = 3'000'000'000;

struct Entry {
    std::unique_ptr<ProfileFile> file;
    std::string raw;  // the bytes on disk, kept only when they differ from file->Text() (UTF-16)
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    struct timespec mtime {};
    struct timespec ctime {};
    bool racy = true;
};

std::unordered_map<std::string, Entry>& Files() {
    static std::unordered_map<std::string, Entry> files;
    return files;
}

int64_t Ns(const struct timespec& ts) { return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec; }

int64_t NowNs() {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return Ns(ts);
}

bool SameStat(const Entry& e, const struct stat& st) {
    return e.dev == st.st_dev && e.ino == st.st_ino && e.size == st.st_size && Ns(e.mtime) == Ns(st.st_mtim) &&
           Ns(e.ctime) == Ns(st.st_ctim);
}

void SetStat(Entry& e, const struct stat& st, int64_t readStartNs) {
    e.dev = st.st_dev;
    e.ino = st.st_ino;
    e.size = st.st_size;
    e.mtime = st.st_mtim;
    e.ctime = st.st_ctim;
    int64_t window = st.st_mtim.tv_nsec == 0 ? kCoarseRacyWindowNs : kRacyWindowNs;
    e.racy = readStartNs - Ns(st.st_mtim) < window;
}

// Reads the whole file; *st is its fstat before reading, so a change made while
// reading shows as a different stat at the next call.
bool ReadWhole(const std::string& host, std::string* bytes, struct stat* st, int* err) {
    // No link below the drive root is followed; pipes and devices are not opened.
    int fd = OpenRegularFile(host, st);
    if (fd < 0) {
        *err = errno == ELOOP ? ENOENT : errno;
        return false;
    }
    if (st->st_size > kMaxFileBytes) {  // positions are 32-bit; no profile is this large
        *err = ENOMEM;
        close(fd);
        return false;
    }
    bytes->clear();
    bytes->reserve(static_cast<size_t>(st->st_size) + 1);
    char buf[65536];
    while (true) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            *err = errno;
            close(fd);
            return false;
        }
        if (n == 0) break;
        bytes->append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return true;
}

DWORD ReadError(int err) {
    if (err == ENOENT) return ERROR_FILE_NOT_FOUND;
    if (err == ENOTDIR) return ERROR_PATH_NOT_FOUND;
    return static_cast<DWORD>(ErrnoToWin32(err));
}

bool HasSeparator(std::string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = s[i];
        if (IsLeadByte(c) && i + 1 < s.size()) {
            ++i;  // 表 (95 5C) holds no separator
            continue;
        }
        if (c == '\\' || c == '/') return true;
    }
    return false;
}

}  // namespace

ProfileTarget ResolveProfileName(const char* fileName) {
    ProfileTarget t;
    std::string name = fileName ? fileName : "win.ini";
    if (name.empty()) {
        t.error = ERROR_ACCESS_DENIED;
        return t;
    }
    if (!HasSeparator(name)) name = WindowsDirectory() + "\\" + name;
    HostPath hp = ResolvePath(name);
    if (!hp.ok) {
        t.error = hp.error ? static_cast<DWORD>(hp.error) : ERROR_PATH_NOT_FOUND;
        return t;
    }
    t.host = std::move(hp.host);
    t.exists = hp.exists;
    t.parentExists = hp.parentExists;
    t.info = hp.info;
    if ((t.exists && S_ISDIR(t.info.st_mode)) || hp.trailingSeparator)
        t.error = t.exists ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
    return t;
}

std::mutex& CacheMutex() {
    static std::mutex m;
    return m;
}

const ProfileFile* LoadLocked(const ProfileTarget& target, DWORD* error) {
    auto& files = Files();
    if (!target.exists) {
        files.erase(target.host);
        *error = target.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    if (!S_ISREG(target.info.st_mode)) {
        *error = ERROR_ACCESS_DENIED;  // folders, pipes, devices
        return nullptr;
    }
    auto it = files.find(target.host);
    if (it != files.end() && SameStat(it->second, target.info) && !it->second.racy) return it->second.file.get();

    int64_t start = NowNs();
    std::string bytes;
    struct stat st {};
    int err = 0;
    if (!ReadWhole(target.host, &bytes, &st, &err)) {
        if (it != files.end()) files.erase(it);
        *error = ReadError(err);
        return nullptr;
    }
    if (it != files.end() && SameStat(it->second, st)) {
        const std::string& known = it->second.raw.empty() ? it->second.file->Text() : it->second.raw;
        if (known == bytes) {
            SetStat(it->second, st, start);
            return it->second.file.get();
        }
    }
    if (it == files.end() && files.size() >= kMaxFiles) files.clear();
    // Only a UTF-16 file keeps its raw bytes beside the text; any other hands them
    // over, so a file costs its size once plus its indexes.
    const bool utf16 = bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xFE;
    std::unique_ptr<ProfileFile> parsed;
    try {
        parsed = std::make_unique<ProfileFile>(utf16 ? bytes : std::move(bytes));
    } catch (const std::bad_alloc&) {
        parsed.reset();
    }
    if (!parsed || !parsed->Indexed()) {
        // Too many lines for its size, or no memory: read as unreadable, never an abort.
        files.erase(target.host);
        *error = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    Entry& e = files[target.host];
    e.file = std::move(parsed);
    e.raw = utf16 ? std::move(bytes) : std::string();
    SetStat(e, st, start);
    return e.file.get();
}

void StoreLocked(const std::string& host, std::string bytes) {
    auto& files = Files();
    struct stat st {};
    if (stat(host.c_str(), &st) != 0) {
        files.erase(host);
        return;
    }
    if (files.size() >= kMaxFiles && !files.count(host)) files.clear();
    std::unique_ptr<ProfileFile> parsed;
    try {
        parsed = std::make_unique<ProfileFile>(bytes);
    } catch (const std::bad_alloc&) {
    }
    if (!parsed || !parsed->Indexed()) {
        files.erase(host);
        return;
    }
    Entry& e = files[host];
    e.file = std::move(parsed);
    e.raw = e.file->IsUtf16() ? std::move(bytes) : std::string();
    SetStat(e, st, NowNs());
    e.racy = true;  // just written: the next use compares the bytes once
}

void DropLocked(const std::string& host) { Files().erase(host); }

void ClearCache() {
    std::lock_guard<std::mutex> lock(CacheMutex());
    Files().clear();
}

}  // namespace platform::profile
