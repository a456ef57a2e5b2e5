// Restore points: the bytes a register is about to replace, kept in a folder of
// the user's data folder before the first system file is touched, so that the
// register can be undone byte for byte. Free of Qt, for every front end.
//
// <root>/<id>/manifest.json   what was there: path, existed, size, times, checksum
// <root>/<id>/files/<n>       the bytes of each file that existed
// A point is made in "<id>.partial" and renamed once complete and flushed, so a
// point that is listed is always whole; a leftover ".partial" folder is removed
// at the next pruning.
#pragma once

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
    std::string id;           // stable: "20261209T010203-000", sorts by time of creation
    std::string dir;          // host folder of the point
    int64_t createdUnix = 0;  // seconds since 1970 (UTC)
    std::string folder;       // CP932 Windows path of the maintenance folder registered from
    std::string prefix;       // host folder of the installation the files belong to
    bool used = false;        // undone already
    std::vector<RestoreEntry> files;

    uint64_t KeptBytes() const;
};

struct UndoResult {
    bool ok = false;
    size_t restored = 0;     // files put back
    size_t removed = 0;      // files that were new and are gone again
    std::string failedPath;  // CP932 Windows path of the file that stopped the undo
    int error = 0;           // errno of the failure; EIO when a kept copy or a check does not match
};

class RestorePointStore {
public:
    // `root`: host folder that holds the points; made when needed.
    explicit RestorePointStore(std::string root);
    const std::string& Root() const { return m_root; }

    // Keeps every file of `winPaths` (CP932 Windows paths; repeats are kept once)
    // as it is now, for a register from the maintenance folder `folder`. The point
    // is complete and on the medium when this returns 0. Any failure (no room, a
    // file that cannot be read) returns its errno, leaves nothing behind and names
    // the file in *failedPath when there is one.
    int Create(const std::vector<std::string>& winPaths, const std::string& folder, RestorePoint* out,
               std::string* failedPath = nullptr);

    // Complete points of the current installation, newest first.
    std::vector<RestorePoint> List() const;
    // The newest point not undone yet; false when there is none.
    bool Latest(RestorePoint* out) const;
    bool Load(const std::string& id, RestorePoint* out) const;

    // Removes all but the newest `keep` points, and unfinished ones.
    void Prune(int keep);

    // Puts every file of the point back as it was: kept bytes written atomically
    // with their mode and times, files that were new removed. Each is then read
    // back from the medium and checked; then the point is marked used. An undo cut
    // short (a crash, a failure) leaves the point unused, and running it again
    // finishes the job. `beforeFile`, when set, runs before file i and stops the
    // undo where it answers false (as a crash would).
    UndoResult Undo(const std::string& id, const std::function<bool(size_t)>& beforeFile = {});

private:
    bool ReadManifest(const std::string& dir, RestorePoint* out) const;
    int WriteManifest(const RestorePoint& point) const;

    std::string m_root;
};
