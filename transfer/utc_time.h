// Times as UTC text, for the files a transfer writes for other runs to read (lock
// owners, restore-point ids): the same on every machine, whatever its time zone.
#pragma once

#include <time.h>

#include <cstdint>
#include <string>

// `unixSeconds` in UTC through strftime's `format` ("%Y-%m-%dT%H:%M:%SZ").
inline std::string FormatUtc(int64_t unixSeconds, const char* format) {
    const time_t t = static_cast<time_t>(unixSeconds);
    tm utc{};
    gmtime_r(&t, &utc);
    char text[80];
    const size_t n = strftime(text, sizeof text, format, &utc);
    return std::string(text, n);
}
