// One transfer at a time, across processes and across machines that share a
// network drive: a lock file made with an exclusive create (which works over NFS
// and SMB, where flock does not), held for the whole run and removed at its end,
// also after a stop or a failure.
//
// Two locks are taken:
//  - a maintenance folder's, "~$maintenance.lock" inside the folder (saves into
//    it, and registers reading from it);
//  - an installation's, "<user data>/locks/installation-<16 hex>.lock" keyed by
//    the installation's prefix folder (registers and undos; a register takes the
//    folder's first, so two runs never wait for each other in a circle).
//
// The file names the holder in lines of "key=value" (UTF-8):
//   host=<machine name>  pid=<process id>  pid_start=<ticks, /proc/<pid>/stat field 22>
//   boot=<kernel boot id>  started=<UTC, 2026-12-10T09:54:38Z>
//
// A lock is left over (stale) and taken over when
//  - its host is this machine and its process is gone, has another start time,
//    or ran before this machine's last boot (a live holder here is never taken
//    over, however long it runs: a dialog may sit at its confirmation);
//  - its host is another machine and the file was written kLockStaleSeconds
//    (12 hours) or more ago, by its modification time;
//  - its content does not name a holder (empty, cut short, garbage, not a file)
//    and it was written 12 hours or more ago; until then it counts as held: a
//    lock that is being written reads empty for a moment.
// Taking over is done by one taker at a time, under a guard file beside the
// lock ("<lock>.takeover", made the same exclusive way, held for milliseconds):
// the guard's holder reads the lock again and removes it only when it is still
// the file judged stale, then makes its own. A guard left by a taker that died
// is removed after a minute (or at once when its process is gone here).
#pragma once

#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

inline constexpr int64_t kLockStaleSeconds = 12 * 60 * 60;
inline constexpr int kLockWaitForever = -1;
// How often a waiting run looks at the lock again.
inline constexpr int kLockPollMilliseconds = 100;

struct LockOwner {
    bool named = false;  // the content names a holder; false: the fields are empty
    std::string host;
    int pid = 0;
    int64_t pidStart = -1;  // -1: not given
    std::string bootId;
    int64_t startedUnix = 0;  // seconds since 1970 (UTC)
    int64_t writtenUnix = 0;  // the file's modification time
};

// This process as a lock's content names it, started now.
LockOwner ThisProcessAsOwner();
std::string FormatLockOwner(const LockOwner& owner);
// The holder named by a lock file's bytes; `named` false when they name none.
LockOwner ParseLockOwner(const std::string& bytes);
// The rules above, for a lock written at owner.writtenUnix.
bool IsStaleLock(const LockOwner& owner, int64_t nowUnix);

enum class LockState { Free, Held, Busy, Failed, Stopped };

struct LockWait {
    int seconds = 0;                                // 0: answer at once; kLockWaitForever: until free
    const std::atomic<bool>* stop = nullptr;        // set: end the wait (Stopped)
    std::function<void(const LockOwner&)> waiting;  // told once, when the wait begins
};

struct LockEntry;

class TransferLock {
public:
    TransferLock() = default;  // holds nothing (Free)
    // Takes the lock file `hostPath` (in an existing folder), waiting as `wait` says.
    [[nodiscard]] static TransferLock Take(const std::string& hostPath, const LockWait& wait = {});
    ~TransferLock() { Release(); }
    TransferLock(TransferLock&& other) noexcept;
    TransferLock& operator=(TransferLock&& other) noexcept;
    TransferLock(const TransferLock&) = delete;
    TransferLock& operator=(const TransferLock&) = delete;

    // Removes the file, when it is still the one this lock wrote.
    void Release();

    LockState State() const { return m_state; }
    bool Held() const { return m_state == LockState::Held; }
    const std::string& Path() const { return m_path; }
    const LockOwner& Owner() const { return m_owner; }  // Busy: who holds it
    int Error() const { return m_error; }               // Failed: the errno

private:
    LockState TryOnce();
    // Free: look again.
    LockState TakeOver(const LockEntry& judged);

    LockState m_state = LockState::Free;
    std::string m_path;
    std::string m_content;  // what this lock wrote
    LockOwner m_owner;
    int m_error = 0;
};

// For tests: runs after a lock is judged stale and before it is moved aside.
void SetTakeOverHookForTesting(void (*hook)());

class OperationHost;

// A lock as the operations take it: a busy lock or one that cannot be made has
// been told to the user (stop box with `caption`) and Proceed() is false: the
// operation writes nothing. Released (and a folder it made removed again while
// still empty) when it goes out of scope.
class OperationLock {
public:
    OperationLock() = default;
    OperationLock(OperationLock&& other) noexcept;
    OperationLock& operator=(OperationLock&& other) noexcept;
    OperationLock(const OperationLock&) = delete;
    OperationLock& operator=(const OperationLock&) = delete;
    ~OperationLock() { Release(); }
    bool Proceed() const { return m_proceed; }
    // Ends the lock early (before the panes are refreshed).
    void Release();

    // The lock of maintenance folder `winFolder` (CP932 Windows path). A save
    // (`save`) makes the folder when it is missing. A medium that takes no lock
    // file (read-only, full) does not stop the operation: nobody can write there
    // either, and a save's own writes report the medium's state.
    [[nodiscard]] static OperationLock ForFolder(const std::string& winFolder, bool save, OperationHost& host,
                                                 const std::string& caption);
    // The lock of the current installation in the host folder `lockFolder`
    // (made when needed); an empty `lockFolder` takes none.
    [[nodiscard]] static OperationLock ForInstallation(const std::string& lockFolder, OperationHost& host,
                                                       const std::string& caption);

private:
    TransferLock m_lock;
    std::vector<std::string> m_madeFolders;  // host paths, innermost first
    bool m_proceed = false;
};

// The installation lock's file in `lockFolder` for the current installation.
std::string InstallationLockPath(const std::string& lockFolder);
