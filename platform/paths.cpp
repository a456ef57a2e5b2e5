#include "platform/paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/beneath.h"
#include "platform/cp932.h"
#include "platform/cp932_walk.h"
#include "platform/drive_letter.h"
#include "platform/host_fs.h"
#include "platform/unique_fd.h"
#include "platform/win32.h"

namespace platform {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Appends the components of a CP932 path (empty ones dropped) to *out.
void SplitCp932(std::string_view s, std::vector<std::string>* out, bool* trailing) {
    for (std::string& part : SplitWindowsPath(s, trailing)) out->push_back(std::move(part));
}

// A component a Windows file system could hold: no control characters and none
// of * ? " < > | : (the bytes checked are single-byte characters only).
bool IsValidCp932Component(std::string_view c) {
    bool valid = true;
    ForEachCp932Char(c, [&](size_t i, size_t len) {
        const auto b = static_cast<unsigned char>(c[i]);
        valid =
            len == 2 || !(b < 0x20 || b == '*' || b == '?' || b == '"' || b == '<' || b == '>' || b == '|' || b == ':');
        return valid;
    });
    return valid && !IsReservedDeviceName(c);
}

// Windows drops the trailing dots and spaces of a path's last component.
void TrimLastComponent(std::string& c) {
    while (!c.empty() && (c.back() == '.' || c.back() == ' ')) c.pop_back();
}

std::string JoinHost(const std::string& root, const std::vector<std::string>& comps, size_t from = 0) {
    std::string host = root == "/" ? std::string() : root;
    for (size_t i = from; i < comps.size(); ++i) {
        host += '/';
        host += comps[i];
    }
    if (host.empty()) host = "/";
    return host;
}

// The dosdevices folder stays open between calls (it lies in the prefix, never on
// a removable medium), so reading a drive's link walks one component, not the
// whole prefix path: path resolution reads the link at every call.
[[nodiscard]] ssize_t ReadDriveLink(int drive, char* buf, size_t size) {
    struct Cached {
        std::string dir;
        UniqueFd fd;
    };
    thread_local Cached cached;
    const std::string dir = PrefixDir() + "/dosdevices";
    const char name[] = {static_cast<char>('a' + drive), ':', '\0'};
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!cached.fd.Valid() || cached.dir != dir) {
            cached.fd.Reset(open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            cached.dir = dir;
            if (!cached.fd.Valid()) return -1;
        }
        ssize_t n = readlinkat(cached.fd.Get(), name, buf, size);
        if (n >= 0 || attempt == 1) return n;
        // The folder may have been made anew under the same name: open it again.
        cached.fd.Reset();
    }
    return -1;
}

bool IsLink(int dirFd, const dirent* e) {
    if (e->d_type == DT_LNK) return true;
    if (e->d_type != DT_UNKNOWN) return false;
    struct stat st {};
    return fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
}

// The name in folder `dir` equal to `name` ignoring case; empty when none.
// Several candidates ("ABC" and "abc") resolve to the smallest, so the answer
// does not depend on directory order.
std::string FindIgnoringCase(const std::string& dir, const std::string& name) {
    std::string found;
    DIR* d = opendir(dir.c_str());
    if (!d) return found;
    while (dirent* e = readdir(d)) {
        std::string_view n = e->d_name;
        if (n == "." || n == "..") continue;
        if (!NamesEqualIgnoringCase(n, name) || !IsWindowsCompatibleName(n)) continue;
        if (IsLink(dirfd(d), e)) continue;  // links below a drive root lead nowhere
        if (found.empty() || n < found) found = std::string(n);
    }
    closedir(d);
    return found;
}

// Whether the components below the drive root name something, no link among them:
// first in one walk of the link's target path (no link anywhere), else, when the
// target's own path has links (or openat2 is missing), below the opened root.
bool ExistsWithoutLinks(int drive, const std::string& link, const std::string& viaLink,
                        const std::vector<std::string>& comps, struct stat* st) {
    std::string root = DriveHostRoot(drive);
    if (root.empty()) return false;
    if (root[0] == '/' && StatWithoutAnyLink(JoinHost(root, comps), st)) return true;
    if (errno == ENOENT || errno == ENOTDIR) return false;
    return StatBeneath(link, std::string_view(viaLink).substr(link.size()), st);
}

// The Windows trimming of one component: the last one (no separator after it)
// loses its trailing dots and spaces. False when nothing is left of it.
bool TrimComponent(std::string& c, bool last) {
    if (last) {
        TrimLastComponent(c);
        return !c.empty();
    }
    if (c.size() > 1 && c.back() == '.' && c.find_first_not_of('.') != std::string::npos) {
        // A folder named before a separator loses one trailing dot ("abc.\x" is
        // "abc\x"), so a folder made as "abc." is reached again under that name.
        // Names of dots only are left alone: they must never become "..".
        c.pop_back();
    }
    return true;
}

// The components as host names: "." and ".." first, then the Windows trimming,
// then each one checked and converted to UTF-8. False for a name Windows refuses.
[[nodiscard]] bool CleanComponents(std::vector<std::string>& comps, bool trailing, std::vector<std::string>* clean) {
    clean->reserve(comps.size());
    for (size_t i = 0; i < comps.size(); ++i) {
        std::string& c = comps[i];
        if (c == ".") continue;
        if (c == "..") {
            if (!clean->empty()) clean->pop_back();
            continue;
        }
        if (!TrimComponent(c, i + 1 == comps.size() && !trailing)) continue;
        if (!IsValidCp932Component(c)) return false;
        clean->push_back(std::move(c));
    }
    for (std::string& c : *clean) {
        bool ok = true;
        c = Cp932ToUtf8(c, &ok);
        if (!ok) return false;
    }
    return true;
}

// The part of a host path below the drive's root folder.
std::string_view BelowRoot(const std::string& root, const std::string& host) {
    return std::string_view(host).substr(root == "/" ? 0 : root.size());
}

// Fast path: the exact name exists. The look-up goes through the drive's link,
// so the kernel follows the link as it is now (a stick pulled or plugged in
// shows at once) without a readlink of its own on every profile read. Below
// the drive root no link is followed: a link there reads as a missing name.
[[nodiscard]] bool ResolveExactName(int drive, const std::vector<std::string>& clean, HostPath* r) {
    const std::string link = DriveLinkPath(drive);
    std::string viaLink = JoinHost(link, clean);
    if (!ExistsWithoutLinks(drive, link, viaLink, clean, &r->info)) return false;
    r->ok = true;
    r->host = std::move(viaLink);
    r->exists = true;
    r->parentExists = true;
    return true;
}

// The name in folder `cur` that matches *name ignoring case, as *cand with its
// lstat in *st; *name becomes the name found. False when there is none, or it is a link.
[[nodiscard]] bool MatchIgnoringCase(const std::string& cur, std::string* name, std::string* cand, struct stat* st) {
    std::string other = FindIgnoringCase(cur, *name);
    if (other.empty()) return false;
    *name = other;
    *cand = JoinHost(cur, {other});
    return lstat(cand->c_str(), st) == 0 && !S_ISLNK(st->st_mode);
}

// One step of the walk: clean[i] in folder `cur`, matched ignoring case when the
// exact name is missing. True with *next set when the walk goes on; false when it
// ends here, with r->host (and r->parentExists) set for the missing name.
[[nodiscard]] bool WalkStep(const std::string& cur, std::vector<std::string>& clean, size_t i, HostPath* r,
                            std::string* next) {
    const bool last = i + 1 == clean.size();
    std::string cand = JoinHost(cur, {clean[i]});
    struct stat cs {};
    bool have = lstat(cand.c_str(), &cs) == 0;
    // A link is never followed below the root: the name is missing.
    const bool link = have && S_ISLNK(cs.st_mode);
    if (!have) have = MatchIgnoringCase(cur, &clean[i], &cand, &cs);
    if (link || !have) {
        r->host = JoinHost(cur, clean, i);
        r->parentExists = last;
        return false;
    }
    if (!last && !S_ISDIR(cs.st_mode)) {
        r->host = JoinHost(cand, clean, i + 1);
        return false;
    }
    *next = std::move(cand);
    return true;
}

// Walks the components from the drive's root folder, matching each one ignoring
// case when needed.
void WalkIgnoringCase(const std::string& root, std::vector<std::string>& clean, HostPath* r) {
    std::string cur = root;
    struct stat st {};
    if (stat(cur.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;  // no medium
    for (size_t i = 0; i < clean.size(); ++i) {
        std::string next;
        if (!WalkStep(cur, clean, i, r, &next)) return;
        cur = std::move(next);
    }
    r->host = cur;
    r->parentExists = true;
    r->exists = StatBeneath(root, BelowRoot(root, cur), &r->info);
    if (!r->exists) r->info = {};
}

HostPath ResolveAbsolute(int drive, std::vector<std::string>& comps, bool trailing) {
    HostPath r;
    r.drive = drive;
    r.trailingSeparator = trailing;

    std::vector<std::string> clean;
    if (!CleanComponents(comps, trailing, &clean)) {
        r.error = ERROR_INVALID_NAME;
        return r;
    }
    // A miss of the exact name is final for it: only the walk ignoring case is left.
    const bool exactNameChecked = !clean.empty();
    if (exactNameChecked && ResolveExactName(drive, clean, &r)) return r;

    std::string root = DriveHostRoot(drive);
    if (root.empty()) {
        r.error = ERROR_PATH_NOT_FOUND;
        return r;
    }
    r.ok = true;

    r.host = JoinHost(root, clean);
    if (!exactNameChecked && StatBeneath(root, BelowRoot(root, r.host), &r.info)) {
        r.exists = true;
        r.parentExists = true;
        return r;
    }
    WalkIgnoringCase(root, clean, &r);
    return r;
}

}  // namespace

std::string PrefixDir() {
    std::string dir;
    const char* p = std::getenv("WINEPREFIX");
    if (p && *p) {
        dir = p;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            struct passwd* pw = getpwuid(getuid());
            home = pw ? pw->pw_dir : "";
        }
        dir = std::string(home) + "/.wine";
    }
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

namespace {

std::string ParentFolder(const std::string& dir) {
    size_t slash = dir.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : dir.substr(0, slash);
}

// A link target relative to the dosdevices folder `base` ("../drive_c") as an absolute path.
std::string AbsoluteLinkTarget(std::string base, std::string_view t) {
    while (true) {
        if (t.substr(0, 3) == "../") {
            base = ParentFolder(base);
            t.remove_prefix(3);
        } else if (t.substr(0, 2) == "./") {
            t.remove_prefix(2);
        } else {
            break;
        }
    }
    if (t == "..") {
        base = ParentFolder(base);
        t = {};
    }
    return base == "/" ? "/" + std::string(t) : base + "/" + std::string(t);
}

}  // namespace

std::string DriveHostRoot(int drive) {
    if (!IsDriveNumber(drive)) return {};
    std::string link = DriveLinkPath(drive);
    char buf[PATH_MAX];
    ssize_t n = ReadDriveLink(drive, buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string target(buf, static_cast<size_t>(n));
    if (target[0] != '/') target = AbsoluteLinkTarget(link.substr(0, link.rfind('/')), target);
    while (target.size() > 1 && target.back() == '/') target.pop_back();
    return target;
}

HostPath ResolvePath(std::string_view p) {
    HostPath r;
    if (p.empty() || (p.size() >= 2 && IsSeparator(p[0]) && IsSeparator(p[1]))) {
        r.error = ERROR_PATH_NOT_FOUND;  // nothing, or a UNC name: no network shares here
        return r;
    }
    std::vector<std::string> comps;
    bool trailing = false;
    std::optional<DriveLetter> drive = DriveLetter::OfPath(p);
    if (drive) {
        std::string_view rest = p.substr(2);
        if (rest.empty() || !IsSeparator(rest[0])) {
            // "D:x" is relative to the current folder when that is on D:, else to D:'s root.
            std::string cur = CurrentDirectory();
            if (DriveLetter::OfPath(cur) == drive) SplitCp932(std::string_view(cur).substr(2), &comps, nullptr);
        }
        SplitCp932(rest, &comps, &trailing);
        if (rest.empty()) trailing = false;
    } else {
        // Rooted ("\x") on the current folder's drive, or relative to the folder itself.
        std::string cur = CurrentDirectory();
        drive = DriveLetter::OfPath(cur);
        if (!IsSeparator(p[0])) SplitCp932(std::string_view(cur).substr(2), &comps, nullptr);
        SplitCp932(p, &comps, &trailing);
    }
    if (!drive) {
        r.error = ERROR_PATH_NOT_FOUND;  // a current folder without a drive: nothing to resolve on
        return r;
    }
    return ResolveAbsolute(drive->Number(), comps, trailing);
}

bool HostLeafName(std::string_view cp932Leaf, std::string* utf8) {
    std::string c(cp932Leaf);
    TrimLastComponent(c);
    utf8->clear();
    if (c.empty()) return true;
    if (c == "." || c == ".." || !IsValidCp932Component(c)) return false;
    bool ok = true;
    *utf8 = Cp932ToUtf8(c, &ok);
    return ok;
}

namespace {

// A drive whose root folder holds the current folder, and the length of that root.
struct RootMatch {
    DriveLetter drive;
    size_t len;
};

// The drives whose root folders hold `cwd` (a real path), longest root first; the
// lower letter wins a tie.
std::vector<RootMatch> DrivesHolding(const std::string& cwd) {
    std::vector<RootMatch> matches;
    char real[PATH_MAX];
    for (const DriveLetter d : DriveLetter::All()) {
        std::string root = DriveHostRoot(d.Number());
        if (root.empty() || !realpath(root.c_str(), real)) continue;
        std::string r = real;
        if (r == "/") {
            matches.push_back({d, 0});
        } else if (cwd == r || (cwd.size() > r.size() && cwd.compare(0, r.size(), r) == 0 && cwd[r.size()] == '/')) {
            matches.push_back({d, r.size()});
        }
    }
    std::stable_sort(matches.begin(), matches.end(),
                     [](const RootMatch& a, const RootMatch& b) { return a.len > b.len; });
    return matches;
}

// The Windows path of host path `rest` below the root of `drive`; false when a
// name on the way has no Windows form.
[[nodiscard]] bool WindowsPathBelow(DriveLetter drive, std::string_view rest, std::string* win) {
    *win = drive.Root();
    bool first = true;
    size_t pos = 0;
    while (pos < rest.size()) {
        size_t next = rest.find('/', pos);
        if (next == std::string_view::npos) next = rest.size();
        std::string_view name = rest.substr(pos, next - pos);
        pos = next + 1;
        if (name.empty()) continue;
        if (!IsWindowsCompatibleName(name)) return false;
        if (!first) *win += '\\';
        *win += Utf8ToCp932(name);
        first = false;
    }
    return true;
}

}  // namespace

std::string CurrentDirectory() {
    char cwdBuf[PATH_MAX];
    char real[PATH_MAX];
    if (!getcwd(cwdBuf, sizeof cwdBuf) || !realpath(cwdBuf, real)) return WindowsDirectory();
    const std::string cwd = real;
    for (const RootMatch& m : DrivesHolding(cwd)) {
        std::string win;
        if (WindowsPathBelow(m.drive, std::string_view(cwd).substr(m.len), &win)) return win;
    }
    return WindowsDirectory();
}

std::string WindowsDirectory() { return "C:\\windows"; }

unsigned long ErrnoToWin32(int err) {
    switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case ENAMETOOLONG: return 206;  // ERROR_FILENAME_EXCED_RANGE
    case ENOTEMPTY: return 145;     // ERROR_DIR_NOT_EMPTY
    case EXDEV: return 17;          // ERROR_NOT_SAME_DEVICE
    case EMFILE:
    case ENFILE: return 4;  // ERROR_TOO_MANY_OPEN_FILES
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM: return ERROR_NOT_READY;
    case ELOOP: return 1921;  // ERROR_CANT_RESOLVE_FILENAME
    case EIO: return 1117;    // ERROR_IO_DEVICE
    default: return 31;       // ERROR_GEN_FAILURE
    }
}

bool IsWindowsCompatibleName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
            c == '|')
            return false;
    }
    // Win32 drops trailing dots and spaces, so such a name could not be opened again.
    if (name.back() == '.' || name.back() == ' ') return false;
    if (IsReservedDeviceName(name)) return false;
    bool ok = true;
    std::string cp = Utf8ToCp932(name, &ok);
    if (!ok || cp.size() >= MAX_PATH) return false;
    // It must come back as the same host name (〜 U+301C would come back as ～).
    return Cp932ToUtf8(cp) == name;
}

}  // namespace platform
