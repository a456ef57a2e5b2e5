#include "platform/change_watch.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace platform {

namespace {

constexpr uint32_t kSelfMask = IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_MASK_ADD;
constexpr uint32_t kEntriesMask = kSelfMask | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB;
constexpr uint32_t kContentsMask = kEntriesMask | IN_MODIFY | IN_CLOSE_WRITE;

// Events after which the kernel may no longer watch a folder we rely on.
constexpr uint32_t kLostMask = IN_Q_OVERFLOW | IN_IGNORED | IN_UNMOUNT | IN_DELETE_SELF | IN_MOVE_SELF;

}  // namespace

ChangeWatch::~ChangeWatch() { Reset(); }

bool ChangeWatch::Ready() {
    if (m_epoll.Valid()) return true;
    if (m_failed) return false;
    m_inotify.Reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    m_epoll.Reset(m_inotify.Valid() ? epoll_create1(EPOLL_CLOEXEC) : -1);
    // The mount table reports a change as EPOLLPRI; without it, a medium mounted
    // over a watched folder would go unseen.
    m_mounts.Reset(open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC));
    epoll_event in{};
    in.events = EPOLLIN;
    in.data.fd = m_inotify.Get();
    epoll_event pri{};
    pri.events = EPOLLPRI;
    pri.data.fd = m_mounts.Get();
    if (!m_epoll.Valid() || !m_mounts.Valid() || epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, m_inotify.Get(), &in) != 0 ||
        epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, m_mounts.Get(), &pri) != 0) {
        Reset();
        m_failed = true;
        return false;
    }
    return true;
}

void ChangeWatch::Reset() {
    m_epoll.Reset();
    m_mounts.Reset();
    m_inotify.Reset();
    m_watches = 0;
    ++m_generation;
    ++m_lost;
}

void ChangeWatch::Drain() {
    alignas(inotify_event) char buf[16384];
    while (true) {
        ssize_t n = read(m_inotify.Get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            const auto* ev = reinterpret_cast<const inotify_event*>(buf + at);
            if (ev->mask & kLostMask) ++m_lost;
            if (ev->mask & IN_Q_OVERFLOW) ++m_overflows;
            at += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
        }
    }
}

uint64_t ChangeWatch::Generation() {
    if (!m_epoll.Valid()) return m_generation;
    epoll_event ev[2];
    int n = epoll_wait(m_epoll.Get(), ev, 2, 0);
    if (n < 0 && errno != EINTR) {
        // Cannot tell: treat as a change, and stop trusting the queue.
        Reset();
        m_failed = true;
        return m_generation;
    }
    for (int i = 0; i < n; ++i) {
        ++m_generation;
        if (ev[i].data.fd == m_inotify.Get()) {
            Drain();
        } else {
            ++m_lost;  // mounts changed: a watched path may now lead elsewhere
        }
    }
    return m_generation;
}

bool ChangeWatch::Watch(const std::string& dir, Kind kind) {
    if (!Ready()) return false;
    uint32_t mask = kind == Kind::Self ? kSelfMask : kind == Kind::Entries ? kEntriesMask : kContentsMask;
    int wd = inotify_add_watch(m_inotify.Get(), dir.c_str(), mask);
    if (wd < 0) return false;
    if (wd > m_watches) m_watches = wd;  // descriptors count up from 1
    return true;
}

bool IsLocalFileSystem(const std::string& path) {
    struct statfs fs {};
    if (statfs(path.c_str(), &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53:      // ext2, ext3, ext4
    case 0x01021994:  // tmpfs
    case 0x858458F6:  // ramfs
    case 0x9123683E:  // btrfs
    case 0x58465342:  // xfs
    case 0xF2F52010:  // f2fs
    case 0x4D44:      // vfat, msdos (USB sticks)
    case 0x2011BAB0:  // exfat
    case 0x5346544E:  // ntfs
    case 0x7366746E:  // ntfs3
    case 0x9660:      // iso9660
    case 0x15013346:  // udf
    case 0x794C7630:  // overlayfs (changes made through it)
    case 0x3153464A:  // jfs
    case 0x482B:      // hfsplus
        return true;
    default: return false;  // NFS, SMB/CIFS, FUSE, 9p, Ceph and anything unknown
    }
}

bool IsRealPath(const std::string& path) {
    char real[PATH_MAX];
    return realpath(path.c_str(), real) && path == real;
}

bool WatchAncestors(ChangeWatch& w, const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        if (!w.Watch(path.substr(0, slash), ChangeWatch::Kind::Self)) return false;
    return w.Watch("/", ChangeWatch::Kind::Self);
}

bool WatchDriveLinks(ChangeWatch& w, const std::string& devices) {
    return IsRealPath(devices) && IsLocalFileSystem(devices) && WatchAncestors(w, devices) &&
           w.Watch(devices, ChangeWatch::Kind::Entries);
}

}  // namespace platform
