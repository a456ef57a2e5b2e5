// Restore points: the bytes a register is about to replace, kept in a folder of
// the user's data folder before the first system file is touched, so that the
// register can be undone byte for byte. Free of Qt, for every front end.
//
// <root>/<id>/manifest.json   what was there: path, existed, size, times, checksum
// <root>/<id>/files/<n>       the bytes of each file that existed
// A point is made in "<id>.partial" and renamed once complete and flushed, so a
// point that is listed is always whole. The ".partial" folder holds an "owner"
// file while it is made: "<host> <pid> <start>" (start: field 22 of
// /proc/<pid>/stat). Pruning removes a ".partial" folder only when it is stale:
// its owner on this host is gone or its pid now names another process, or it is
// older than kStalePartialSeconds (a folder of another host, or one without owner).
//
// Ids: "20261209T010203Z-0001", the UTC time of creation and a counter. A new id
// sorts after every id of the store: its time never goes back from the newest
// one there (a clock set back, another time zone, a repeated summer-time hour),
// the counter counts on instead. Ids of earlier versions, in local time
// ("20261209T010203-000"), sort before every new one and among themselves by name.
//
// Nothing of a point is trusted at an undo: a manifest larger than
// kMaxManifestBytes, malformed or with a value of the wrong type, or in a point
// folder that is a link, is refused; so is a point with any entry whose path does
// not resolve strictly below the system data root (the one recorded in the point,
// and the current installation's), reached without a link on the way, or whose
// kept copy is not "files/<n>" of the point's own folder, opened beneath it. A
// point is refused whole, before anything is touched.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The installation's prefix folder as one spelling (canonical), so that a point
// is only offered for the installation it was taken from.
std::string CurrentInstallationFolder();

struct RestoreEntry {
    std::string winPath;   // CP932 Windows path of the system file
    bool existed = false;  // false: the register made it, an undo removes it
    uint64_t size = 0;
    int64_t mtimeNs = 0;  // last write time, ns since 1970 (UTC)
    int64_t atimeNs = 0;
    uint32_t mode = 0;  // permission bits
    uint64_t hash = 0;  // XXH3-64 of the bytes
    std::string copy;   // kept copy, relative to the point's folder ("files/0")
};

struct RestorePoint {
    std::string id;           // "20261209T010203Z-0001", see above
    std::string dir;          // host folder of the point
    int64_t createdUnix = 0;  // seconds since 1970 (UTC)
    std::string folder;       // CP932 Windows path of the maintenance folder registered from
    std::string systemRoot;   // CP932 Windows path of the system data root registered into; empty in old points
    std::string prefix;       // host folder of the installation the files belong to
    bool used = false;        // undone already
    std::vector<RestoreEntry> files;

    uint64_t KeptBytes() const;
};

struct UndoResult {
    bool ok = false;
    // The point is not to be trusted (see above): nothing was touched; failedPath
    // names the first bad entry (a CP932 Windows path, a kept copy's name, or
    // "manifest.json"), or the point folder when that is a link.
    bool refused = false;
    size_t restored = 0;     // files put back
    size_t removed = 0;      // files that were new and are gone again
    std::string failedPath;  // CP932 Windows path of the file that stopped the undo
    int error = 0;           // errno of the failure; EIO when a kept copy or a check does not match
};

class RestorePointStore {
public:
    // Create's answer for a destination that is a folder, a device or a link (or
    // lies below one): the register could not write it either, so that is not the
    // store's failure. *failedPath names it.
    static constexpr int kDestinationUnwritable = -1;
    static constexpr uint64_t kMaxManifestBytes = 16u << 20;
    static constexpr int64_t kStalePartialSeconds = 24 * 3600;

    // `root`: host folder that holds the points; made when needed. `systemRoot`:
    // CP932 Windows path of the current installation's system data root, the only
    // folder an undo may write below.
    RestorePointStore(std::string root, std::string systemRoot);
    const std::string& Root() const { return m_root; }

    // Keeps every file of `winPaths` (CP932 Windows paths; repeats are kept once)
    // as it is now, for a register from the maintenance folder `folder`. The point
    // is complete and on the medium when this returns 0. Any failure (no room, a
    // file that cannot be read, a flush of the point's data or folders that
    // fails) returns its errno, or kDestinationUnwritable, leaves nothing behind
    // and names the file in *failedPath when there is one.
    [[nodiscard]] int Create(const std::vector<std::string>& winPaths, const std::string& folder, RestorePoint* out,
                             std::string* failedPath = nullptr);

    // Complete points of the current installation, newest first.
    std::vector<RestorePoint> List() const;
    // The newest point not undone yet; false when there is none.
    [[nodiscard]] bool Latest(RestorePoint* out) const;
    [[nodiscard]] bool Load(const std::string& id, RestorePoint* out) const;

    // Removes all but the newest `keep` points of the current installation, and
    // stale unfinished ones of any.
    void Prune(int keep);

    // Whether the point may be undone here, as Undo checks it, touching nothing:
    // ok, or refused / error as Undo would answer.
    [[nodiscard]] UndoResult Check(const std::string& id) const;

    // Puts every file of the point back as it was: kept bytes written atomically
    // with their mode and times, files that were new removed. Each is then read
    // back from the medium and checked; then the point is marked used. An undo cut
    // short (a crash, a failure) leaves the point unused, and running it again
    // finishes the job. `beforeFile`, when set, runs before file i and stops the
    // undo where it answers false (as a crash would).
    [[nodiscard]] UndoResult Undo(const std::string& id, const std::function<bool(size_t)>& beforeFile = {});

    // For tests: the clock Create reads (seconds since 1970, UTC); empty for time().
    void SetClockForTesting(std::function<int64_t()> now) { m_clock = std::move(now); }

private:
    [[nodiscard]] UndoResult CheckOpened(const std::string& id, RestorePoint* point, int* pointFd) const;

    std::string m_root;
    std::string m_systemRoot;
    std::function<int64_t()> m_clock;
};

// The owner record of a ".partial" folder made by process `pid` ("<host> <pid>
// <start>"); empty when the process is gone.
std::string PartialOwnerRecord(pid_t pid);
