// What one stat() says about a file or folder, to tell at a later stat() whether
// it changed: device, inode, size, modification and change times to the nanosecond.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <ctime>

namespace platform {

inline int64_t TimespecNs(const struct timespec& ts) { return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec; }

inline int64_t NowNs() {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return TimespecNs(ts);
}

struct StatStamp {
    // Modified less than this long before it was looked at, an object may be
    // modified again within the same timestamp tick, leaving its stat unchanged:
    // such a stamp proves nothing. FAT keeps times in 2-second steps (no
    // nanoseconds), hence the longer window.
    static constexpr int64_t kRacyWindowNs = 50'000'000;
    static constexpr int64_t kCoarseRacyWindowNs = 3'000'000'000;

    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    int64_t mtime = 0;
    int64_t ctime = 0;
    bool racy = true;

    // `lookedAtNs`: when the object's contents were read (or its absence seen).
    void Set(const struct stat& st, int64_t lookedAtNs) {
        dev = st.st_dev;
        ino = st.st_ino;
        size = st.st_size;
        mtime = TimespecNs(st.st_mtim);
        ctime = TimespecNs(st.st_ctim);
        int64_t window = st.st_mtim.tv_nsec == 0 ? kCoarseRacyWindowNs : kRacyWindowNs;
        racy = lookedAtNs - mtime < window;
    }
    bool Same(const struct stat& st) const {
        return dev == st.st_dev && ino == st.st_ino && size == st.st_size && mtime == TimespecNs(st.st_mtim) &&
               ctime == TimespecNs(st.st_ctim);
    }
};

}  // namespace platform
