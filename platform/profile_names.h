// Profile file names resolved once and kept between calls (profile_names.cpp): the
// step before the parsed-file cache of profile_cache.h.
#pragma once

#include <cstdint>

#include "platform/profile_file.h"
#include "platform/win32.h"

namespace platform::profile {

// With CacheMutex() held: the parsed file named `fileName` for a read, or nullptr
// with *error set. The name's resolution is kept between calls (a missing file's
// too) and checked for freshness far more cheaply than resolving it again.
[[nodiscard]] const ProfileFile* ReadLocked(const char* fileName, DWORD* error);

// With CacheMutex() held: forgets every kept name resolution.
void ClearNamesLocked();

// How reads were answered since the start, for tests and benchmarks.
struct ReadCounters {
    uint64_t watched = 0;    // proved current by the change notification alone
    uint64_t checked = 0;    // by one stat()
    uint64_t resolved = 0;   // the Windows path resolved again
    uint64_t overflows = 0;  // the notification queue overflowed
};
ReadCounters ReadCountersForTesting();
// Off: freshness is proved by stat() alone, as where inotify is not available.
void UseChangeWatchForTesting(bool on);

}  // namespace platform::profile
