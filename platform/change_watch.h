// Kernel change notification (inotify) over the folders that lead to profile files,
// so that a cached answer can be proved current without a path walk per call.
//
// The kernel queues an event before another writer's write, rename, unlink or
// chmod returns, so a non-blocking look at the queue before answering sees every
// change made before the call. One epoll_wait with no timeout looks at both the
// inotify queue and the mount table (a medium mounted over a watched folder
// sends no inotify event).
//
// Limits (the callers then check with stat() instead):
//  - network and user-space file systems (NFS, SMB, FUSE, 9p...) report only the
//    changes made through this machine's kernel, so only known local file systems
//    are trusted (IsLocalFileSystem);
//  - writes through a shared memory mapping send no event;
//  - a watch is on a folder, not on a name: a folder reached through a symbolic
//    link other than the drive's dosdevices link is not trusted;
//  - when the queue overflows, every answer is checked again, and watches that may
//    have been lost are set up again.
#pragma once

#include <cstdint>
#include <string>

#include "platform/unique_fd.h"

namespace platform {

class ChangeWatch {
public:
    enum class Kind {
        Self,      // the folder itself moved or deleted (folders above a drive's root)
        Entries,   // also names made, removed, renamed or changed in attributes
        Contents,  // also the files in it written
    };

    ChangeWatch() = default;
    ~ChangeWatch();
    ChangeWatch(const ChangeWatch&) = delete;
    ChangeWatch& operator=(const ChangeWatch&) = delete;

    // Sets up the queue on first use; false when the kernel refuses.
    [[nodiscard]] bool Ready();

    // Looks at the queue without blocking and empties it. Returns a number that
    // grows whenever anything was reported since the last call: an answer checked
    // while it had another value may be stale.
    [[nodiscard]] uint64_t Generation();

    // Grows when a watch may have been dropped (a watched folder deleted or
    // unmounted, the queue overflowed, the mount table changed): watches set up
    // before it must be set up again before they prove anything.
    uint64_t LostGeneration() const { return m_lost; }

    // Adds (merges) a watch on host folder `dir`. False when it cannot be watched.
    [[nodiscard]] bool Watch(const std::string& dir, Kind kind);

    // Drops every watch and the queue (a new prefix, or too many watches).
    void Reset();

    int WatchCount() const { return m_watches; }
    // How often the queue overflowed (events lost; everything was checked again).
    uint64_t Overflows() const { return m_overflows; }
    // Never sets up the queue while off, as where the kernel refuses it.
    void SetEnabled(bool on) {
        Reset();
        m_failed = !on;
    }

private:
    void Drain();

    UniqueFd m_inotify;
    UniqueFd m_mounts;
    UniqueFd m_epoll;
    bool m_failed = false;
    int m_watches = 0;
    uint64_t m_generation = 1;
    uint64_t m_lost = 1;
    uint64_t m_overflows = 0;
};

// Whether inotify reports every change on the file system holding `path`: known
// local disk and memory file systems only (never network or FUSE ones).
bool IsLocalFileSystem(const std::string& path);

// The path with no symbolic link on the way: a watch is on a folder, not on a name.
bool IsRealPath(const std::string& path);

// Watches every folder above `path` for being moved or deleted.
[[nodiscard]] bool WatchAncestors(ChangeWatch& w, const std::string& path);

// Watches a prefix's dosdevices folder so that a drive link made, removed or
// changed is reported: false where that cannot be proved (a link on the way, a
// network file system, no watches left).
[[nodiscard]] bool WatchDriveLinks(ChangeWatch& w, const std::string& devices);

}  // namespace platform
