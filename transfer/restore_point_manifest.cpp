#include "transfer/restore_point_manifest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <utility>

#include "platform/cp932.h"
#include "platform/unique_fd.h"

namespace restore_point_files {

namespace {

constexpr int kManifestVersion = 1;

using Fd = platform::UniqueFd;

std::function<int()>& SyncFault() {
    static std::function<int()> fault;
    return fault;
}

// The answer of a flush call: 0, or its errno (EINVAL: nothing to flush there).
int SyncResult(int rc) {
    if (rc == 0 || errno == EINVAL) return 0;
    return errno;
}

std::string Hex(uint64_t v) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
    return text;
}

struct Malformed {};

const nlohmann::json& At(const nlohmann::json& j, const char* key) {
    if (!j.is_object()) throw Malformed{};
    const auto it = j.find(key);
    if (it == j.end()) throw Malformed{};
    return *it;
}
std::string Str(const nlohmann::json& j, const char* key) {
    const nlohmann::json& v = At(j, key);
    if (!v.is_string()) throw Malformed{};
    return v.get<std::string>();
}
bool Bool(const nlohmann::json& j, const char* key) {
    const nlohmann::json& v = At(j, key);
    if (!v.is_boolean()) throw Malformed{};
    return v.get<bool>();
}
uint64_t U64(const nlohmann::json& j, const char* key) {
    const nlohmann::json& v = At(j, key);
    if (!v.is_number_unsigned()) throw Malformed{};
    return v.get<uint64_t>();
}
int64_t I64(const nlohmann::json& j, const char* key) {
    const nlohmann::json& v = At(j, key);
    if (v.is_number_unsigned() && v.get<uint64_t>() > static_cast<uint64_t>(INT64_MAX)) throw Malformed{};
    if (!v.is_number_integer()) throw Malformed{};
    return v.get<int64_t>();
}
std::string Cp932(const std::string& utf8) {
    bool ok = true;
    std::string text = platform::Utf8ToCp932(utf8, &ok);
    if (!ok) throw Malformed{};
    return text;
}
uint64_t HexValue(const std::string& s) {
    if (s.empty() || s.size() > 16 || s.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw Malformed{};
    return std::strtoull(s.c_str(), nullptr, 16);
}

// "files/<n>": the only form of a kept copy.
bool IsCopyName(const std::string& copy) {
    const size_t n = std::strlen(kFiles);
    return copy.size() > n + 1 && copy.size() <= n + 1 + 9 && copy.compare(0, n, kFiles) == 0 && copy[n] == '/' &&
           AllDigits(copy, n + 1, copy.size());
}

RestoreEntry ParseEntry(const nlohmann::json& item) {
    RestoreEntry e;
    e.winPath = Cp932(Str(item, "path"));
    e.existed = Bool(item, "existed");
    if (e.existed) {
        e.size = U64(item, "size");
        e.mtimeNs = I64(item, "mtime_ns");
        e.atimeNs = I64(item, "atime_ns");
        const uint64_t mode = U64(item, "mode");
        if (mode > 07777) throw Malformed{};
        e.mode = static_cast<uint32_t>(mode) & 0777;  // never set-id bits from a file of the user's folder
        e.hash = HexValue(Str(item, "xxh3"));
        e.copy = Str(item, "copy");
        if (!IsCopyName(e.copy)) throw Malformed{};
    }
    return e;
}

}  // namespace

bool ParseManifest(int dirFd, const std::string& dir, RestorePoint* out) {
    std::string text;
    if (ReadBounded(dirFd, kManifest, RestorePointStore::kMaxManifestBytes, &text) != 0) return false;
    const nlohmann::json manifest = nlohmann::json::parse(text, nullptr, false);
    if (manifest.is_discarded() || !manifest.is_object()) return false;
    try {
        const nlohmann::json& version = At(manifest, "version");
        if (!version.is_number_unsigned() || version.get<uint64_t>() != kManifestVersion) return false;
        RestorePoint point;
        point.id = Str(manifest, "id");
        point.dir = dir;
        point.createdUnix = I64(manifest, "created_unix");
        point.folder = Cp932(Str(manifest, "folder"));
        if (manifest.contains("system_root")) point.systemRoot = Cp932(Str(manifest, "system_root"));
        point.prefix = Str(manifest, "prefix");
        point.used = Bool(manifest, "used");
        const nlohmann::json& files = At(manifest, "files");
        if (!files.is_array()) return false;
        for (const nlohmann::json& item : files) point.files.push_back(ParseEntry(item));
        *out = std::move(point);
        return true;
    } catch (const Malformed&) {
        return false;
    } catch (const nlohmann::json::exception&) {
        return false;
    }
}

int WriteManifestAt(int dirFd, const RestorePoint& point) {
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
    if (!point.systemRoot.empty()) manifest["system_root"] = platform::Cp932ToUtf8(point.systemRoot, &ok);
    if (!ok) return EILSEQ;
    std::string text;
    try {
        text = manifest.dump(1, '\t') + "\n";
    } catch (const nlohmann::json::exception&) {
        return EILSEQ;  // a host path that is not UTF-8
    }
    return WriteFileAtomicAt(dirFd, kManifest, text);
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

int ReadBounded(int dirFd, const char* name, size_t limit, std::string* out) {
    Fd fd(openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0) return errno;
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return EINVAL;
    if (static_cast<uint64_t>(st.st_size) > limit) return EFBIG;
    out->clear();
    char chunk[1 << 16];
    while (true) {
        const ssize_t n = read(fd.Get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return 0;
        if (out->size() + static_cast<size_t>(n) > limit) return EFBIG;  // grew meanwhile
        out->append(chunk, static_cast<size_t>(n));
    }
}

int WriteFileAtomicAt(int dirFd, const std::string& name, const std::string& bytes) {
    const std::string temp = "." + name + "." + std::to_string(getpid()) + ".tmp";
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    Fd out(openat(dirFd, temp.c_str(), flags, 0600));
    if (out.Get() < 0 && errno == EEXIST) {  // left by a dead process of the same pid
        unlinkat(dirFd, temp.c_str(), 0);
        out.Reset(openat(dirFd, temp.c_str(), flags, 0600));
    }
    if (out.Get() < 0) return errno;
    int err = WriteAll(out.Get(), bytes.data(), bytes.size());
    if (err == 0) err = SyncFd(out.Get());
    if (err == 0 && close(out.Release()) != 0) err = errno;
    if (err == 0 && renameat(dirFd, temp.c_str(), dirFd, name.c_str()) != 0) err = errno;
    if (err != 0) {
        unlinkat(dirFd, temp.c_str(), 0);
        return err;
    }
    return SyncFd(dirFd);
}

int SyncFd(int fd) {
    if (SyncFault())
        if (const int err = SyncFault()()) return err;
    return SyncResult(fsync(fd));
}

int SyncFileSystemOf(int fd) {
    if (SyncFault())
        if (const int err = SyncFault()()) return err;
    return SyncResult(syncfs(fd));
}

bool AllDigits(const std::string& s, size_t from, size_t to) {
    if (from >= to || to > s.size()) return false;
    return std::all_of(s.begin() + static_cast<std::ptrdiff_t>(from), s.begin() + static_cast<std::ptrdiff_t>(to),
                       [](char c) { return c >= '0' && c <= '9'; });
}

void SetSyncFaultForTesting(std::function<int()> fault) { SyncFault() = std::move(fault); }

}  // namespace restore_point_files
