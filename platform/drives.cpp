#include "platform/drives.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "platform/drive_letter.h"
#include "platform/host_fs.h"
#include "platform/paths.h"
#include "platform/win32.h"

namespace platform {
namespace {

// ---- drive types registered in system.reg ---------------------------------

struct RegistryCache {
    std::mutex lock;
    std::string path;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    struct timespec mtime {};
    std::map<int, std::string> types;  // drive -> "hd", "cdrom", ...
};

RegistryCache& Registry() {
    static RegistryCache cache;
    return cache;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
    return s;
}

// Reads a quoted registry string starting at s[i] == '"'; handles \" and \\.
[[nodiscard]] bool ReadQuoted(const std::string& s, size_t& i, std::string* out) {
    if (i >= s.size() || s[i] != '"') return false;
    ++i;
    out->clear();
    while (i < s.size() && s[i] != '"') {
        if (s[i] == '\\' && i + 1 < s.size()) ++i;
        *out += s[i++];
    }
    if (i >= s.size()) return false;
    ++i;
    return true;
}

std::map<int, std::string> ParseDriveTypes(std::istream& in) {
    std::map<int, std::string> types;
    std::string line;
    bool inDrives = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') {
            size_t end = line.find(']');
            std::string key = Lower(line.substr(1, end == std::string::npos ? std::string::npos : end - 1));
            inDrives = key == "software\\\\wine\\\\drives";
            continue;
        }
        if (!inDrives || line.empty() || line[0] != '"') continue;
        size_t i = 0;
        std::string name, value;
        if (!ReadQuoted(line, i, &name) || i >= line.size() || line[i] != '=') continue;
        ++i;
        if (!ReadQuoted(line, i, &value)) continue;
        name = Lower(name);
        if (name.size() == 2 && name[1] == ':' && name[0] >= 'a' && name[0] <= 'z') types[name[0] - 'a'] = Lower(value);
    }
    return types;
}

// The registered type word of a drive ("" when none). The file is parsed again
// only when it changed.
std::string RegisteredType(int drive) {
    RegistryCache& cache = Registry();
    std::string path = PrefixDir() + "/system.reg";
    struct stat st {};
    std::lock_guard<std::mutex> guard(cache.lock);
    if (stat(path.c_str(), &st) != 0) {
        cache.path.clear();
        cache.types.clear();
        return {};
    }
    if (path != cache.path || st.st_dev != cache.dev || st.st_ino != cache.ino || st.st_size != cache.size ||
        st.st_mtim.tv_sec != cache.mtime.tv_sec || st.st_mtim.tv_nsec != cache.mtime.tv_nsec) {
        std::ifstream in(path, std::ios::binary);
        cache.types = ParseDriveTypes(in);
        cache.path = path;
        cache.dev = st.st_dev;
        cache.ino = st.st_ino;
        cache.size = st.st_size;
        cache.mtime = st.st_mtim;
    }
    auto it = cache.types.find(drive);
    return it == cache.types.end() ? std::string() : it->second;
}

unsigned TypeFromWord(const std::string& word) {
    if (word == "hd") return DRIVE_FIXED;
    if (word == "floppy") return DRIVE_REMOVABLE;
    if (word == "cdrom") return DRIVE_CDROM;
    if (word == "network") return DRIVE_REMOTE;
    if (word == "ramdisk") return DRIVE_RAMDISK;
    return DRIVE_UNKNOWN;
}

// ---- detection from the mount table -----------------------------------------

std::string g_mountInfo = "/proc/self/mountinfo";
std::string g_sysDevBlock = "/sys/dev/block";
std::mutex g_mountLock;

bool UnderFolder(const std::string& path, const std::string& folder) {
    if (folder == "/") return !path.empty() && path[0] == '/';
    return path == folder ||
           (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/');
}

// mountinfo escapes blanks and backslashes as \ooo.
std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() + 0 && s[i + 1] >= '0' && s[i + 1] <= '3') {
            out += static_cast<char>(((s[i + 1] - '0') << 6) | ((s[i + 2] - '0') << 3) | (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The canonical form of `path`, for a missing path that of its deepest existing
// folder followed by the rest.
std::string Canonical(const std::string& path) {
    char buf[PATH_MAX];
    std::string head = path, tail;
    while (!head.empty()) {
        if (realpath(head.c_str(), buf)) {
            std::string r = buf;
            if (!tail.empty()) r += (r == "/" ? "" : "/") + tail;
            return r;
        }
        size_t slash = head.rfind('/');
        if (slash == std::string::npos) break;
        std::string name = head.substr(slash + 1);
        tail = tail.empty() ? name : name.append("/").append(tail);
        head = slash == 0 ? "/" : head.substr(0, slash);
        if (head == "/" && !realpath("/", buf)) break;
    }
    return path;
}

bool IsNetworkFs(const std::string& fs) {
    static const char* const kinds[] = {"nfs",    "nfs4",        "cifs",      "smb3",          "smbfs",
                                        "ncpfs",  "afs",         "9p",        "sshfs",         "fuse.sshfs",
                                        "davfs",  "fuse.davfs2", "ceph",      "glusterfs",     "fuse.glusterfs",
                                        "lustre", "fuse.rclone", "fuse.s3fs", "fuse.smbnetfs", "coda"};
    for (const char* k : kinds)
        if (fs == k) return true;
    return false;
}

bool BlockDeviceRemovable(const std::string& majorMinor) {
    std::string dev = g_sysDevBlock + "/" + majorMinor;
    for (const char* rel : {"/removable", "/../removable"}) {
        std::ifstream in(dev + rel);
        char c = 0;
        if (in.get(c)) return c == '1';
    }
    return false;
}

unsigned DetectType(const std::string& target) {
    std::string path = Canonical(target);
    if (UnderFolder(path, "/media") || UnderFolder(path, "/run/media")) return DRIVE_REMOVABLE;

    std::lock_guard<std::mutex> guard(g_mountLock);
    std::ifstream in(g_mountInfo);
    std::string line, bestPoint, bestFs, bestDev;
    bool found = false;
    while (std::getline(in, line)) {
        // id parent major:minor root mountpoint options [optional...] - fstype source superopts
        std::istringstream f(line);
        std::string id, parent, majmin, root, point, tok;
        if (!(f >> id >> parent >> majmin >> root >> point)) continue;
        while (f >> tok && tok != "-") {
        }
        std::string fs;
        if (!(f >> fs)) continue;
        point = Unescape(point);
        if (!UnderFolder(path, point)) continue;
        if (!found || point.size() >= bestPoint.size()) {
            found = true;
            bestPoint = point;
            bestFs = fs;
            bestDev = majmin;
        }
    }
    if (!found) return DRIVE_FIXED;
    if (IsNetworkFs(bestFs)) return DRIVE_REMOTE;
    if (bestFs == "iso9660" || bestFs == "udf") return DRIVE_CDROM;
    if (UnderFolder(bestPoint, "/media") || UnderFolder(bestPoint, "/run/media")) return DRIVE_REMOVABLE;
    if (BlockDeviceRemovable(bestDev)) return DRIVE_REMOVABLE;
    return DRIVE_FIXED;
}

bool LinkExists(int drive) {
    struct stat st {};
    return IsDriveNumber(drive) && lstat(DriveLinkPath(drive).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::atomic<UINT> g_errorMode{0};

}  // namespace

void SetMountTableForTesting(const std::string& mountInfoPath, const std::string& sysDevBlockDir) {
    std::lock_guard<std::mutex> guard(g_mountLock);
    g_mountInfo = mountInfoPath.empty() ? "/proc/self/mountinfo" : mountInfoPath;
    g_sysDevBlock = sysDevBlockDir.empty() ? "/sys/dev/block" : sysDevBlockDir;
}

unsigned DriveType(int drive) {
    if (!LinkExists(drive)) return DRIVE_NO_ROOT_DIR;
    std::string root = DriveHostRoot(drive);
    if (root.empty()) return DRIVE_NO_ROOT_DIR;
    unsigned type = TypeFromWord(RegisteredType(drive));
    if (type != DRIVE_UNKNOWN) return type;
    return DetectType(root);
}

bool DriveHasMedium(int drive) {
    std::string root = DriveHostRoot(drive);
    if (root.empty()) return false;
    struct stat st {};
    return stat(root.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && access(root.c_str(), R_OK | X_OK) == 0;
}

bool DriveIsNotReady(int drive) {
    if (!LinkExists(drive) || DriveHasMedium(drive)) return false;
    unsigned type = DriveType(drive);
    return type == DRIVE_REMOVABLE || type == DRIVE_CDROM;
}

std::string DriveLabel(int drive) {
    std::string root = DriveHostRoot(drive);
    if (root.empty()) return {};
    std::ifstream in(root == "/" ? "/.windows-label" : root + "/.windows-label", std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) return {};
    if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    return line;
}

bool DriveFreeBytes(int drive, uint64_t* freeBytes, uint64_t* totalBytes) {
    if (!DriveHasMedium(drive)) return false;
    struct statvfs vfs {};
    if (statvfs(DriveHostRoot(drive).c_str(), &vfs) != 0) return false;
    if (freeBytes) *freeBytes = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    if (totalBytes) *totalBytes = static_cast<uint64_t>(vfs.f_blocks) * vfs.f_frsize;
    return true;
}

}  // namespace platform

// ---- Windows API ---------------------------------------------------------------

DWORD GetLogicalDrives(void) {
    std::string dir = platform::PrefixDir() + "/dosdevices";
    DIR* d = opendir(dir.c_str());
    if (!d) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    DWORD mask = 0;
    while (dirent* e = readdir(d)) {
        const char* n = e->d_name;
        // "c:" is a drive; "d::" names a raw device and is not one.
        if (n[0] && n[1] == ':' && n[2] == '\0') {
            char c = n[0];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
            if (c >= 'a' && c <= 'z' && platform::LinkExists(c - 'a')) mask |= 1u << (c - 'a');
        }
    }
    closedir(d);
    return mask;
}

UINT GetDriveTypeA(LPCSTR root) {
    // Only a volume root names a drive: "C:" or "C:\"; "C:\Windows\" is no root.
    const auto letter =
        root ? platform::DriveLetter::OfRoot(root) : platform::DriveLetter::OfPath(platform::CurrentDirectory());
    return letter ? platform::DriveType(letter->Number()) : DRIVE_NO_ROOT_DIR;
}

UINT SetErrorMode(UINT uMode) {
    UINT old = platform::g_errorMode.load();
    // SEM_NOALIGNMENTFAULTEXCEPT cannot be cleared once set.
    while (!platform::g_errorMode.compare_exchange_weak(old, uMode | (old & SEM_NOALIGNMENTFAULTEXCEPT))) {
    }
    return old;
}

BOOL GetDiskFreeSpaceExA(LPCSTR dir, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* total, ULARGE_INTEGER* totalFree) {
    std::string path = dir ? std::string(dir) : platform::CurrentDirectory();
    platform::HostPath r = platform::ResolvePath(path);
    if (!r.ok) {
        SetLastError(static_cast<DWORD>(r.error));
        return FALSE;
    }
    if (platform::DriveIsNotReady(r.drive)) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    if (!r.exists) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (!S_ISDIR(r.info.st_mode)) {
        SetLastError(ERROR_DIRECTORY);  // the call takes folders only
        return FALSE;
    }
    struct statvfs vfs {};
    if (statvfs(r.host.c_str(), &vfs) != 0) {
        SetLastError(static_cast<DWORD>(platform::ErrnoToWin32(errno)));
        return FALSE;
    }
    if (freeToCaller) freeToCaller->QuadPart = static_cast<ULONGLONG>(vfs.f_bavail) * vfs.f_frsize;
    if (total) total->QuadPart = static_cast<ULONGLONG>(vfs.f_blocks) * vfs.f_frsize;
    if (totalFree) totalFree->QuadPart = static_cast<ULONGLONG>(vfs.f_bfree) * vfs.f_frsize;
    return TRUE;
}
