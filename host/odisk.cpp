// Drive free space, file sizes, plain copies and the display text of sizes.
#include "host/odisk.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cstdio>

#include "platform/cp932.h"
#include "platform/drive_letter.h"
#include "platform/paths.h"
#include "platform/win32.h"

ODiskSize& ODiskSize::operator+=(const ODiskSize& other) {
    // Saturate rather than wrap: a wrapped sum would pass the free-space check.
    m_bytes = (m_bytes > UINT64_MAX - other.m_bytes) ? UINT64_MAX : m_bytes + other.m_bytes;
    return *this;
}

// Display text, the same for every `flags` value:
// - below 1024 bytes: "N バイト" ("0 バイト", "1023 バイト");
// - otherwise the size in the largest 1024-based unit (KB, MB, GB, TB) in which it is
//   at least 1, rounded half up to two decimals below 10 ("1.23 GB", "9.99 MB") and
//   to one decimal from 10 on ("12.0 KB", "456.7 MB", "1023.9 KB"). A value that
//   rounds up to 1024 is shown in the next unit ("1.00 MB"); TB is the largest unit.
std::string ODiskSize::ToString(unsigned /*flags*/) const {
    char buf[64];
    if (m_bytes < 1024) {
        std::snprintf(buf, sizeof buf, "%llu ", static_cast<unsigned long long>(m_bytes));
        return buf + platform::Utf8ToCp932("バイト");
    }
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
    int unit = 0;
    unsigned __int128 scale = 1024;
    while (unit < 3 && m_bytes >= scale * 1024) {
        scale *= 1024;
        ++unit;
    }
    const unsigned __int128 bytes = m_bytes;
    for (;;) {
        const unsigned __int128 hundredths = (bytes * 100 + scale / 2) / scale;
        if (hundredths < 1000) {
            std::snprintf(buf, sizeof buf, "%u.%02u %s", static_cast<unsigned>(hundredths / 100),
                          static_cast<unsigned>(hundredths % 100), kUnits[unit]);
            return buf;
        }
        const unsigned __int128 tenths = (bytes * 10 + scale / 2) / scale;
        if (tenths >= 10240 && unit < 3) {
            scale *= 1024;
            ++unit;
            continue;
        }
        std::snprintf(buf, sizeof buf, "%llu.%u %s", static_cast<unsigned long long>(tenths / 10),
                      static_cast<unsigned>(tenths % 10), kUnits[unit]);
        return buf;
    }
}

ODiskNo::ODiskNo(unsigned char drive) : m_drive(drive) {}

ODiskSize ODiskNo::GetFreeSize() const {
    const auto letter = platform::DriveLetter::FromNumber(m_drive);
    if (!letter) return ODiskSize();
    ULARGE_INTEGER available{}, total{}, free{};
    if (!GetDiskFreeSpaceExA(letter->Root().c_str(), &available, &total, &free)) return ODiskSize();
    return ODiskSize(available.QuadPart);
}

uint64_t ODiskNo::GetAllocationUnit() const {
    const auto letter = platform::DriveLetter::FromNumber(m_drive);
    if (!letter) return 0;
    const platform::HostPath root = platform::ResolvePath(letter->Root());
    struct statvfs vfs {};
    if (!root.ok || statvfs(root.host.c_str(), &vfs) != 0) return 0;
    uint64_t unit = std::max<uint64_t>(vfs.f_frsize, vfs.f_bsize);
    // Some file systems report blocks smaller than what they allocate (ext4 with
    // bigalloc): the root folder of one block then holds a whole cluster, which is
    // the medium's true unit.
    struct stat st {};
    if (stat(root.host.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_size > 0 &&
        static_cast<uint64_t>(st.st_size) <= unit) {
        const uint64_t held = static_cast<uint64_t>(st.st_blocks) * 512;
        if (held > unit && (held & (held - 1)) == 0 && held <= (64ull << 20)) unit = held;
    }
    return unit;
}

ODiskSize O_FileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!path || !GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return ODiskSize();
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return ODiskSize();
    return ODiskSize((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

bool O_CopyFile(const char* from, const char* to) {
    if (!from || !to) return false;
    return CopyFileA(from, to, FALSE) != FALSE;
}
