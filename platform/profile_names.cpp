// Profile file names resolved once and kept between calls, missing ones included.
//
// A kept name leads to its file through the drive's dosdevices link. It is proved
// current in one of two ways:
//  - watched: inotify watches on every folder from the drive's root down to the
//    file's folder, the folders above the root and the dosdevices folder; while the
//    queue stays empty nothing on the way changed, and the answer costs one
//    epoll_wait (see change_watch.h for where this is not trusted);
//  - otherwise one stat() through the link: of the file (a retargeted link gives
//    another device or inode), or for a missing file of its deepest existing
//    folder, whose modification time moves when anything is made in it.
// After any reported change the kept name is checked the second way; when that
// fails (the file vanished, the link changed) the Windows path is resolved again.
#include "platform/profile_names.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <unordered_map>

#include "platform/beneath.h"
#include "platform/change_watch.h"
#include "platform/host_fs.h"
#include "platform/paths.h"
#include "platform/profile_cache.h"
#include "platform/stat_stamp.h"

namespace platform::profile {

namespace {

constexpr size_t kMaxNames = 1024;
constexpr int kMaxWatches = 4096;

struct Name {
    std::string host;   // the resolver's host path: the parsed file's key
    std::string check;  // what stat() looks at, through the drive's link
    bool negative = false;
    size_t linkLength = 0;     // `check` starts with the drive's link
    bool checkIsLink = false;  // a missing file's folder is the drive's root: its link
    bool exact = false;        // found by its exact name (a case-insensitive match is resolved again)
    DWORD error = 0;           // a missing file's answer: 2, or 3 when a folder is missing
    StatStamp folder;          // a missing file's deepest existing folder

    bool watched = false;
    uint64_t verified = 0;  // the change generation at which it was last proved current
    uint64_t lost = 0;      // the watches' lost generation when they were set up
    const ProfileFile* file = nullptr;
    uint64_t filesEpoch = 0;
};

struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
};

struct Names {
    std::string prefixEnv;  // $WINEPREFIX, or $HOME when it is unset: where the drives are
    bool prefixFromHome = false;
    std::unordered_map<std::string, Name, NameHash, std::equal_to<>> map;
    ChangeWatch watch;
    ReadCounters counters;
};

Names& State() {
    static Names names;
    return names;
}

// A changed prefix changes every drive: nothing kept holds.
void CheckPrefix(Names& n) {
    const char* p = std::getenv("WINEPREFIX");
    bool fromHome = !(p && *p);
    if (fromHome) p = std::getenv("HOME");
    if (!p) p = "";
    if (fromHome == n.prefixFromHome && n.prefixEnv == p) return;
    n.prefixEnv = p;
    n.prefixFromHome = fromHome;
    n.map.clear();
    n.watch.Reset();
}

// Only names whose meaning does not hang on the current folder: bare names (in
// %WINDIR%) and drive-absolute paths.
bool Keepable(std::string_view name) {
    if (!HasSeparator(name)) return !name.empty();
    return name.size() >= 3 && ((name[0] | 0x20) >= 'a' && (name[0] | 0x20) <= 'z') && name[1] == ':' &&
           (name[2] == '\\' || name[2] == '/');
}

std::string ParentOf(const std::string& rel) { return rel.substr(0, rel.rfind('/')); }

// Where `t` leads, relative to its drive: false when its host path is not below the drive.
[[nodiscard]] bool Describe(const ProfileTarget& t, Name* e) {
    std::string link = DriveLinkPath(t.drive);
    std::string rel;
    if (t.host.compare(0, link.size() + 1, link + "/") == 0) {
        rel = t.host.substr(link.size());
        e->exact = true;
    } else {
        std::string root = DriveHostRoot(t.drive);
        if (root == "/") root.clear();
        if (t.host.compare(0, root.size() + 1, root + "/") != 0) return false;
        rel = t.host.substr(root.size());
        e->exact = false;
    }
    e->host = t.host;
    e->linkLength = link.size();
    e->negative = !t.exists;
    if (t.exists) {
        if (!S_ISREG(t.info.st_mode)) return false;
        e->check = link + rel;
        return true;
    }
    e->error = t.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    std::string dir = ParentOf(rel);
    struct stat st {};
    while (!dir.empty() && !(stat((link + dir).c_str(), &st) == 0 && S_ISDIR(st.st_mode))) dir = ParentOf(dir);
    e->check = link + dir;  // the link alone is the drive's root
    e->checkIsLink = dir.empty();
    return true;
}

// Watches everything the kept name depends on; false when that cannot be proved by
// watches (a link on the way, a network file system, no watches left).
[[nodiscard]] bool SetUpWatches(ChangeWatch& w, const Name& e, int drive) {
    std::string link = DriveLinkPath(drive);
    std::string devices = link.substr(0, link.rfind('/'));
    std::string root = DriveHostRoot(drive);
    if (root.empty()) return false;
    if (root == "/") root.clear();
    std::string rel = e.check.substr(link.size());  // the file, or a missing file's folder
    std::string relDir = e.negative ? rel : ParentOf(rel);
    std::string folder = root + relDir;
    if (!IsRealPath(folder.empty() ? "/" : folder)) return false;
    if (!e.negative) {
        struct stat st {};
        if (lstat((root + rel).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    }
    if (!WatchDriveLinks(w, devices)) return false;
    if (!root.empty() && !WatchAncestors(w, root)) return false;
    // The root and each folder below it down to the file's folder.
    for (size_t at = 0;; at = relDir.find('/', at + 1)) {
        std::string dir = at == std::string::npos ? root + relDir : root + relDir.substr(0, at);
        if (dir.empty()) dir = "/";
        bool last = at == std::string::npos;
        auto kind = last && !e.negative ? ChangeWatch::Kind::Contents : ChangeWatch::Kind::Entries;
        if (!IsLocalFileSystem(dir) || !w.Watch(dir, kind)) return false;
        if (last) break;
    }
    return true;
}

const ProfileFile* Forget(Names& n, std::string_view name, const ProfileTarget& t, DWORD* error) {
    auto it = n.map.find(name);
    if (it != n.map.end()) n.map.erase(it);
    if (t.error) {
        *error = t.error;
        return nullptr;
    }
    return LoadLocked(t, error);
}

bool SameTarget(const ProfileTarget& a, const ProfileTarget& b) {
    return !a.error && !b.error && a.host == b.host && a.exists == b.exists && a.parentExists == b.parentExists;
}

// Resolves the name, watches its way, and resolves it again: what the second look
// finds is then covered by the watches (or by the folder's stamp taken before it).
const ProfileFile* Establish(Names& n, std::string_view name, const char* fileName, uint64_t generation, DWORD* error) {
    ++n.counters.resolved;
    ProfileTarget first = ResolveProfileName(fileName);
    Name e;
    if (first.error || !Describe(first, &e)) return Forget(n, name, first, error);
    // Watches are never taken back one by one; past the limit they all go.
    if (n.watch.WatchCount() > kMaxWatches) n.watch.Reset();
    uint64_t lost = n.watch.LostGeneration();
    bool watched = n.watch.Ready() && SetUpWatches(n.watch, e, first.drive);

    struct stat folder {};
    bool haveFolder = e.negative && stat(e.check.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode);
    int64_t lookedAt = NowNs();
    ProfileTarget t = (watched || e.negative) ? ResolveProfileName(fileName) : std::move(first);
    // `first` was moved from only when neither holds.
    if ((watched || e.negative) && !SameTarget(first, t))  // NOLINT(bugprone-use-after-move)
        return Forget(n, name, t, error);
    if (e.negative && !haveFolder) return Forget(n, name, t, error);

    const ProfileFile* file = LoadLocked(t, error);
    if (!e.negative && !file) return Forget(n, name, t, error);
    if (e.negative) e.folder.Set(folder, lookedAt);
    e.watched = watched;
    e.lost = lost;
    e.verified = watched ? generation : 0;
    e.file = file;
    e.filesEpoch = FilesEpochLocked();
    if (n.map.size() >= kMaxNames) n.map.clear();
    n.map.insert_or_assign(std::string(name), std::move(e));
    return file;
}

// The check by stat(): true when it settles the answer. No link below the drive's
// root is followed: a file or folder replaced by a link is resolved again, and the
// resolver refuses it. (A watched name is told of any such change; its last
// component is enough to look at.)
[[nodiscard]] bool Recheck(Names& n, Name& e, uint64_t generation, bool watchesHold, const ProfileFile** file,
                           DWORD* error) {
    ++n.counters.checked;
    struct stat st {};
    bool found =
        e.watched ? (e.checkIsLink ? stat(e.check.c_str(), &st) : lstat(e.check.c_str(), &st)) == 0
                  : StatBeneath(e.check.substr(0, e.linkLength), std::string_view(e.check).substr(e.linkLength), &st);
    if (!found) return false;
    if (e.negative) {
        if (!S_ISDIR(st.st_mode) || !e.folder.Same(st) || e.folder.racy) return false;
        *file = nullptr;
        *error = e.error;
    } else {
        if (!e.exact || !S_ISREG(st.st_mode)) return false;
        ProfileTarget t;
        t.host = e.host;
        t.exists = t.parentExists = true;
        t.info = st;
        *file = LoadLocked(t, error);
        if (!*file) return false;
        e.file = *file;
        e.filesEpoch = FilesEpochLocked();
    }
    if (e.watched && watchesHold) e.verified = generation;
    return true;
}

}  // namespace

const ProfileFile* ReadLocked(const char* fileName, DWORD* error) {
    std::string_view name = fileName ? fileName : "win.ini";
    Names& n = State();
    if (!Keepable(name)) {
        ProfileTarget t = ResolveProfileName(fileName);
        if (t.error) {
            *error = t.error;
            return nullptr;
        }
        return LoadLocked(t, error);
    }
    CheckPrefix(n);
    uint64_t generation = n.watch.Generation();
    auto it = n.map.find(name);
    if (it != n.map.end()) {
        Name& e = it->second;
        bool watchesHold = e.watched && e.lost == n.watch.LostGeneration();
        if (watchesHold && e.verified == generation) {
            if (e.negative) {
                ++n.counters.watched;
                *error = e.error;
                return nullptr;
            }
            if (e.filesEpoch == FilesEpochLocked()) {
                ++n.counters.watched;
                return e.file;
            }
        }
        // Unwatched names are checked by stat() at every call. A watched one that
        // was told of a change, or whose watches may be gone, is resolved again and
        // watched anew: a folder on its way may have been replaced.
        const ProfileFile* file = nullptr;
        bool onlyReleased = watchesHold && e.verified == generation;  // another file was parsed again
        if ((onlyReleased || !e.watched) && Recheck(n, e, generation, watchesHold, &file, error)) return file;
    }
    return Establish(n, name, fileName, generation, error);
}

void ClearNamesLocked() { State().map.clear(); }

ReadCounters ReadCountersForTesting() {
    std::lock_guard<std::mutex> lock(CacheMutex());
    ReadCounters c = State().counters;
    c.overflows = State().watch.Overflows();
    return c;
}

void UseChangeWatchForTesting(bool on) {
    std::lock_guard<std::mutex> lock(CacheMutex());
    State().map.clear();
    State().watch.SetEnabled(on);
}

}  // namespace platform::profile
