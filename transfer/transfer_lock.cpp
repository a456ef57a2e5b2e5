#include "transfer/transfer_lock.h"

#include <unistd.h>
#include <xxhash.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/beneath.h"
#include "platform/cp932.h"
#include "platform/cp932_walk.h"
#include "platform/lock_file.h"
#include "platform/paths.h"
#include "transfer/folder_path.h"
#include "transfer/restore_point.h"
#include "transfer/safety_texts.h"
#include "transfer/save_register.h"
#include "transfer/utc_time.h"

// What is at a lock's name at one moment.
struct LockEntry {
    int error = 0;  // of the read: ENOENT when nothing is there
    std::string bytes;
    struct stat st {};
};

namespace {

constexpr size_t kMaxLockBytes = 4096;  // more is not a lock of ours: garbage
constexpr int kTakeAttempts = 8;
constexpr int kFreshRereads = 10;
// A takeover in progress lasts milliseconds: a guard older than this was left by
// a taker that died on the way.
constexpr int64_t kStaleGuardSeconds = 60;

int64_t NowUnix() { return static_cast<int64_t>(time(nullptr)); }

void (*g_takeOverHook)() = nullptr;

bool ParseUtc(const std::string& text, int64_t* out) {
    tm utc{};
    char zone = 0;
    if (text.size() != 20 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &utc.tm_year, &utc.tm_mon, &utc.tm_mday, &utc.tm_hour,
                    &utc.tm_min, &utc.tm_sec, &zone) != 7 ||
        zone != 'Z')
        return false;
    utc.tm_year -= 1900;
    utc.tm_mon -= 1;
    *out = static_cast<int64_t>(timegm(&utc));
    return true;
}

bool ParseNumber(const std::string& text, int64_t low, int64_t* out) {
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    *out = std::strtoll(text.c_str(), nullptr, 10);
    return *out >= low;
}

// A host name or boot id as a lock may carry it: printable, no spaces.
bool IsPlainWord(const std::string& text) {
    if (text.empty() || text.size() > 255) return false;
    for (char c : text)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) return false;
    return true;
}

LockEntry ReadEntry(const std::string& host) {
    LockEntry e;
    for (int i = 0; i < 3; ++i) {
        e.error = platform::ReadLockEntry(host, kMaxLockBytes + 1, &e.bytes, &e.st);
        if (e.error != EAGAIN) break;
    }
    return e;
}

// A lock just made reads empty (or cut short) until its maker has written it:
// such a fresh one is read again for a moment before it is judged.
LockEntry ReadFinished(const std::string& host) {
    LockEntry e = ReadEntry(host);
    for (int i = 0; i < kFreshRereads && e.error == 0 && S_ISREG(e.st.st_mode) &&
                    NowUnix() - static_cast<int64_t>(e.st.st_mtim.tv_sec) < 2 && !ParseLockOwner(e.bytes).named;
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        e = ReadEntry(host);
    }
    return e;
}

bool SameEntry(const LockEntry& a, const LockEntry& b) {
    return a.st.st_dev == b.st.st_dev && a.st.st_ino == b.st.st_ino && a.st.st_size == b.st.st_size &&
           a.st.st_mtim.tv_sec == b.st.st_mtim.tv_sec && a.st.st_mtim.tv_nsec == b.st.st_mtim.tv_nsec &&
           a.bytes == b.bytes;
}

LockOwner OwnerOf(const LockEntry& e) {
    LockOwner owner = S_ISREG(e.st.st_mode) && e.bytes.size() <= kMaxLockBytes ? ParseLockOwner(e.bytes) : LockOwner{};
    owner.writtenUnix = static_cast<int64_t>(e.st.st_mtim.tv_sec);
    return owner;
}

}  // namespace

void SetTakeOverHookForTesting(void (*hook)()) { g_takeOverHook = hook; }

LockOwner ThisProcessAsOwner() {
    LockOwner owner;
    owner.named = true;
    owner.host = platform::ThisHostName();
    owner.pid = static_cast<int>(getpid());
    owner.pidStart = platform::ProcessStartTicks(owner.pid);
    owner.bootId = platform::ThisBootId();
    owner.startedUnix = NowUnix();
    owner.writtenUnix = owner.startedUnix;
    return owner;
}

std::string FormatLockOwner(const LockOwner& owner) {
    std::string text = "host=" + owner.host + "\npid=" + std::to_string(owner.pid) + "\n";
    if (owner.pidStart >= 0) text += "pid_start=" + std::to_string(owner.pidStart) + "\n";
    if (!owner.bootId.empty()) text += "boot=" + owner.bootId + "\n";
    return text + "started=" + FormatUtc(owner.startedUnix, "%Y-%m-%dT%H:%M:%SZ") + "\n";
}

LockOwner ParseLockOwner(const std::string& bytes) {
    LockOwner owner;
    bool host = false, pid = false, started = false;
    std::istringstream lines(bytes);
    for (std::string line; std::getline(lines, line);) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) return {};
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        int64_t n = 0;
        if (key == "host" && IsPlainWord(value)) {
            owner.host = value;
            host = true;
        } else if (key == "pid" && ParseNumber(value, 1, &n) && n <= INT32_MAX) {
            owner.pid = static_cast<int>(n);
            pid = true;
        } else if (key == "pid_start" && ParseNumber(value, 0, &n)) {
            owner.pidStart = n;
        } else if (key == "boot" && IsPlainWord(value)) {
            owner.bootId = value;
        } else if (key == "started" && ParseUtc(value, &owner.startedUnix)) {
            started = true;
        } else {
            return {};  // a line of no holder, or one that does not parse
        }
    }
    if (!host || !pid || !started) return {};
    owner.named = true;
    return owner;
}

bool IsStaleLock(const LockOwner& owner, int64_t nowUnix) {
    const bool old = nowUnix - owner.writtenUnix >= kLockStaleSeconds;
    if (!owner.named || owner.host != platform::ThisHostName()) return old;
    const std::string boot = platform::ThisBootId();
    if (!owner.bootId.empty() && !boot.empty() && owner.bootId != boot) return true;
    const int64_t start = platform::ProcessStartTicks(owner.pid);
    return start < 0 || (owner.pidStart >= 0 && start != owner.pidStart);
}

TransferLock TransferLock::Take(const std::string& hostPath, const LockWait& wait) {
    TransferLock lock;
    lock.m_path = hostPath;
    lock.m_content = FormatLockOwner(ThisProcessAsOwner());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::max(wait.seconds, 0));
    bool told = false;
    for (;;) {
        lock.m_state = lock.TryOnce();
        if (lock.m_state != LockState::Busy) break;
        if (wait.seconds == 0 || (wait.seconds > 0 && std::chrono::steady_clock::now() >= deadline)) break;
        if (wait.stop && wait.stop->load()) {
            lock.m_state = LockState::Stopped;
            break;
        }
        if (!told && wait.waiting) wait.waiting(lock.m_owner);
        told = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(kLockPollMilliseconds));
        if (wait.stop && wait.stop->load()) {
            lock.m_state = LockState::Stopped;
            break;
        }
    }
    return lock;
}

LockState TransferLock::TryOnce() {
    for (int attempt = 0; attempt < kTakeAttempts; ++attempt) {
        const int err = platform::CreateExclusiveFile(m_path, m_content);
        if (err == 0) return LockState::Held;
        if (err != EEXIST) {
            m_error = err;
            return LockState::Failed;
        }
        const LockEntry judged = ReadFinished(m_path);
        if (judged.error == ENOENT) continue;  // released meanwhile
        if (judged.error != 0) {
            m_error = judged.error;
            return LockState::Failed;
        }
        m_owner = OwnerOf(judged);
        if (!IsStaleLock(m_owner, NowUnix())) return LockState::Busy;
        if (g_takeOverHook) g_takeOverHook();
        const LockState taken = TakeOver(judged);
        if (taken != LockState::Free) return taken;
    }
    m_owner = OwnerOf(ReadEntry(m_path));
    return LockState::Busy;
}

LockState TransferLock::TakeOver(const LockEntry& judged) {
    // One taker at a time, under a guard made the same exclusive way: it alone may
    // remove the lock, and only after seeing that the lock is still the one judged.
    const std::string guard = m_path + std::string(platform::kTakeOverSuffix);
    if (const int err = platform::CreateExclusiveFile(guard, m_content)) {
        if (err != EEXIST) {
            m_error = err;
            return LockState::Failed;
        }
        const LockEntry other = ReadEntry(guard);
        LockOwner taker = OwnerOf(other);
        if (other.error == 0 && !IsStaleLock(taker, NowUnix()) && NowUnix() - taker.writtenUnix < kStaleGuardSeconds) {
            m_owner = std::move(taker);  // about to hold it
            return LockState::Busy;
        }
        platform::RemoveFileEntry(guard);  // its taker died on the way
        return LockState::Free;
    }
    const LockEntry now = ReadEntry(m_path);
    if (now.error == 0 && SameEntry(now, judged)) platform::RemoveFileEntry(m_path);
    const int err = platform::CreateExclusiveFile(m_path, m_content);
    platform::RemoveFileEntry(guard);
    if (err == 0) return LockState::Held;
    if (err != EEXIST) {
        m_error = err;
        return LockState::Failed;
    }
    return LockState::Free;  // look again
}

void TransferLock::Release() {
    if (m_state != LockState::Held) return;
    m_state = LockState::Free;
    const LockEntry e = ReadEntry(m_path);
    // Another run's lock is never removed: ours may have been taken over as stale.
    if (e.error == 0 && e.bytes == m_content) platform::RemoveFileEntry(m_path);
}

TransferLock::TransferLock(TransferLock&& other) noexcept
    : m_state(other.m_state),
      m_path(std::move(other.m_path)),
      m_content(std::move(other.m_content)),
      m_owner(std::move(other.m_owner)),
      m_error(other.m_error) {
    other.m_state = LockState::Free;
}

TransferLock& TransferLock::operator=(TransferLock&& other) noexcept {
    if (this != &other) {
        Release();
        m_state = other.m_state;
        m_path = std::move(other.m_path);
        m_content = std::move(other.m_content);
        m_owner = std::move(other.m_owner);
        m_error = other.m_error;
        other.m_state = LockState::Free;
    }
    return *this;
}

std::string InstallationLockPath(const std::string& lockFolder) {
    const std::string installation = CurrentInstallationFolder();
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx",
                  static_cast<unsigned long long>(XXH3_64bits(installation.data(), installation.size())));
    return lockFolder + "/installation-" + hex + ".lock";
}

namespace {

LockWait WaitOf(OperationHost& host, const std::string& shownLock) {
    LockWait wait;
    wait.seconds = host.LockWaitSeconds();
    wait.stop = host.CancelFlag();
    wait.waiting = [&host, shownLock](const LockOwner& holder) {
        UserMessage message;
        message.text = safety_texts::LockWaiting(holder, shownLock);
        message.icon = MsgIcon::Information;
        host.ShowMessage(message);
    };
    return wait;
}

// Shows why a lock that is not held stops the operation; true when it does not.
bool ProceedWithout(const TransferLock& lock, OperationHost& host, const std::string& caption,
                    const std::function<std::string()>& busyText, const std::string& shownLock) {
    switch (lock.State()) {
    case LockState::Held:
    case LockState::Free: return true;
    case LockState::Busy: ShowStopMessage(host, busyText(), caption); return false;
    case LockState::Stopped: ShowStopMessage(host, safety_texts::LockWaitStopped(), caption); return false;
    case LockState::Failed:
        ShowStopMessage(host, safety_texts::LockFailed(shownLock, lock.Error()), caption);
        return false;
    }
    return false;
}

// A lock file that a medium refuses for want of writes: a save's own writes say why.
bool MediumTakesNoWrites(int err) {
    return err == EROFS || err == EACCES || err == EPERM || err == ENOSPC || err == EDQUOT;
}

std::string ParentOf(const std::string& winPath) {
    const size_t last = platform::LastCp932Separator(winPath, "\\");
    return last == std::string::npos ? std::string() : winPath.substr(0, last);
}

}  // namespace

void OperationLock::Release() {
    m_lock.Release();
    for (const std::string& folder : m_madeFolders)
        if (platform::RemoveEmptyFolder(folder) != 0) break;
    m_madeFolders.clear();
}

OperationLock::OperationLock(OperationLock&& other) noexcept
    : m_lock(std::move(other.m_lock)), m_madeFolders(std::move(other.m_madeFolders)), m_proceed(other.m_proceed) {
    other.m_madeFolders.clear();
}

OperationLock& OperationLock::operator=(OperationLock&& other) noexcept {
    if (this != &other) {
        Release();
        m_lock = std::move(other.m_lock);
        m_madeFolders = std::move(other.m_madeFolders);
        other.m_madeFolders.clear();
        m_proceed = other.m_proceed;
    }
    return *this;
}

OperationLock OperationLock::ForFolder(const std::string& winFolder, bool save, OperationHost& host,
                                       const std::string& caption) {
    OperationLock result;
    const std::string shownLock = winFolder + '\\' + std::string(platform::kFolderLockName);
    // A save makes the folder it is about to write into; the folders it made go
    // again at the end when nothing was written.
    std::vector<std::string> missing;
    if (save)
        for (std::string p = winFolder; p.size() > 3; p = ParentOf(p)) {
            const platform::HostPath hp = platform::ResolvePath(p);
            if (!hp.ok || hp.exists) break;
            missing.push_back(hp.host);
        }
    const LockWait wait = WaitOf(host, shownLock);
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!missing.empty() && !CreateFolderPath(shownLock.c_str())) break;  // no drive root: as below
        const platform::HostPath folder = platform::ResolvePath(winFolder);
        if (!folder.ok || !folder.exists) break;  // nothing to lock: the operation's checks say why
        result.m_lock = TransferLock::Take(folder.host + "/" + std::string(platform::kFolderLockName), wait);
        // Another save that made the same folder may have removed it again meanwhile.
        if (result.m_lock.State() != LockState::Failed || result.m_lock.Error() != ENOENT || !save) break;
    }
    for (const std::string& made : missing) {
        struct stat st {};
        if (platform::StatUnderDrive(made, &st)) result.m_madeFolders.push_back(made);
    }
    if (result.m_lock.State() == LockState::Failed && (!save || MediumTakesNoWrites(result.m_lock.Error()))) {
        result.m_proceed = true;  // a register reads a medium it cannot lock; nobody writes there either
        return result;
    }
    const TransferLock& lock = result.m_lock;
    result.m_proceed = ProceedWithout(
        lock, host, caption, [&] { return safety_texts::FolderBusy(winFolder, lock.Owner(), shownLock); }, shownLock);
    return result;
}

OperationLock OperationLock::ForInstallation(const std::string& lockFolder, OperationHost& host,
                                             const std::string& caption) {
    OperationLock result;
    if (lockFolder.empty()) {
        result.m_proceed = true;
        return result;
    }
    std::error_code ec;
    std::filesystem::create_directories(lockFolder, ec);
    // Its own spelling without links, so that opens below a drive root (Z: is "/") follow none.
    const std::filesystem::path folder = std::filesystem::canonical(lockFolder, ec);
    const std::string path = InstallationLockPath(ec ? lockFolder : folder.string());
    bool ok = true;
    const std::string shownLock = platform::Utf8ToCp932(path, &ok);
    result.m_lock = TransferLock::Take(path, WaitOf(host, shownLock));
    const TransferLock& lock = result.m_lock;
    result.m_proceed = ProceedWithout(
        lock, host, caption,
        [&] { return safety_texts::InstallationBusy(CurrentInstallationFolder(), lock.Owner(), shownLock); },
        shownLock);
    return result;
}
