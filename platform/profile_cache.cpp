#include "platform/profile_cache.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <new>
#include <unordered_map>

#include "platform/beneath.h"
#include "platform/cp932_walk.h"
#include "platform/paths.h"
#include "platform/profile_names.h"
#include "platform/stat_stamp.h"
#include "platform/unique_fd.h"

namespace platform::profile {

namespace {

constexpr size_t kMaxFiles = 64;
constexpr off_t kMaxFileBytes = off_t(1) << 30;

struct Entry {
    std::shared_ptr<ProfileFile> file;  // shared with snapshots still being read
    std::string raw;                    // the bytes on disk, kept only when they differ from file->Text() (UTF-16)
    // A racy stamp (the file was modified just before we read it) is compared with
    // the file's bytes at each use until it is old enough.
    StatStamp stamp;
};

// Grows whenever a parsed file is released, so that a pointer kept elsewhere is
// known to be stale.
uint64_t g_filesEpoch = 1;

std::unordered_map<std::string, Entry>& Files() {
    static std::unordered_map<std::string, Entry> files;
    return files;
}


// Reads the whole file; *st is its fstat before reading, so a change made while
// reading shows as a different stat at the next call.
[[nodiscard]] bool ReadWhole(const std::string& host, std::string* bytes, struct stat* st, int* err) {
    // No link below the drive root is followed; pipes and devices are not opened.
    UniqueFd fd(OpenRegularFile(host, st));
    if (!fd.Valid()) {
        *err = errno == ELOOP ? ENOENT : errno;
        return false;
    }
    if (st->st_size > kMaxFileBytes) {  // positions are 32-bit; no profile is this large
        *err = ENOMEM;
        return false;
    }
    bytes->clear();
    bytes->reserve(static_cast<size_t>(st->st_size) + 1);
    char buf[65536];
    while (true) {
        ssize_t n = read(fd.Get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            *err = errno;
            return false;
        }
        if (n == 0) break;
        bytes->append(buf, static_cast<size_t>(n));
    }
    return true;
}

DWORD ReadError(int err) {
    if (err == ENOENT) return ERROR_FILE_NOT_FOUND;
    if (err == ENOTDIR) return ERROR_PATH_NOT_FOUND;
    return static_cast<DWORD>(ErrnoToWin32(err));
}

}  // namespace

bool HasSeparator(std::string_view s) { return HasCp932Separator(s); }

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
    t.drive = hp.drive;
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
        if (files.erase(target.host)) ++g_filesEpoch;
        *error = target.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    if (!S_ISREG(target.info.st_mode)) {
        *error = ERROR_ACCESS_DENIED;  // folders, pipes, devices
        return nullptr;
    }
    auto it = files.find(target.host);
    if (it != files.end() && it->second.stamp.Same(target.info) && !it->second.stamp.racy) return it->second.file.get();

    int64_t start = NowNs();
    std::string bytes;
    struct stat st {};
    int err = 0;
    if (!ReadWhole(target.host, &bytes, &st, &err)) {
        if (it != files.end()) {
            files.erase(it);
            ++g_filesEpoch;
        }
        *error = ReadError(err);
        return nullptr;
    }
    if (it != files.end() && it->second.stamp.Same(st)) {
        const std::string& known = it->second.raw.empty() ? it->second.file->Text() : it->second.raw;
        if (known == bytes) {
            it->second.stamp.Set(st, start);
            return it->second.file.get();
        }
    }
    if (it == files.end() && files.size() >= kMaxFiles) files.clear();
    ++g_filesEpoch;
    // Only a UTF-16 file keeps its raw bytes beside the text; any other hands them
    // over, so a file costs its size once plus its indexes.
    const bool utf16 = bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xFE;
    std::shared_ptr<ProfileFile> parsed;
    try {
        parsed = std::make_shared<ProfileFile>(utf16 ? bytes : std::move(bytes));
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
    // Moved from above only when it was not UTF-16.
    e.raw = utf16 ? std::move(bytes) : std::string();  // NOLINT(bugprone-use-after-move)
    e.stamp.Set(st, start);
    return e.file.get();
}

void StoreLocked(const std::string& host, std::string bytes) {
    auto& files = Files();
    struct stat st {};
    ++g_filesEpoch;
    if (stat(host.c_str(), &st) != 0) {
        files.erase(host);
        return;
    }
    if (files.size() >= kMaxFiles && !files.count(host)) files.clear();
    std::shared_ptr<ProfileFile> parsed;
    try {
        parsed = std::make_shared<ProfileFile>(bytes);
    } catch (const std::bad_alloc&) {
    }
    if (!parsed || !parsed->Indexed()) {
        files.erase(host);
        return;
    }
    Entry& e = files[host];
    e.file = std::move(parsed);
    e.raw = e.file->IsUtf16() ? std::move(bytes) : std::string();
    e.stamp.Set(st, NowNs());
    e.stamp.racy = true;  // just written: the next use compares the bytes once
}

void DropLocked(const std::string& host) {
    if (Files().erase(host)) ++g_filesEpoch;
}

uint64_t FilesEpochLocked() { return g_filesEpoch; }

std::shared_ptr<const ProfileFile> ShareLocked(const ProfileFile* file) {
    if (!file) return nullptr;
    for (const auto& [host, e] : Files())
        if (e.file.get() == file) return e.file;
    return nullptr;
}

void ClearCache() {
    std::lock_guard<std::mutex> lock(CacheMutex());
    Files().clear();
    ++g_filesEpoch;
    ClearNamesLocked();
}

}  // namespace platform::profile
