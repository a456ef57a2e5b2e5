#include "platform/host_fs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>

#include "platform/paths.h"

namespace platform {
namespace {

char32_t Upper(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;     // Latin-1
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;  // Greek
    if (c == 0x3C2) return 0x3A3;                                 // final sigma
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;                // Cyrillic
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;  // full-width Latin
    return c;
}

}  // namespace

std::string DriveLinkPath(int drive) {
    std::string link = PrefixDir();
    link += "/dosdevices/";
    link += static_cast<char>('a' + drive);
    link += ':';
    return link;
}

namespace {

// The code point of the UTF-8 sequence at s[i] in *v; its length, or 0 when the
// bytes there are no well-formed sequence.
size_t DecodeUtf8(std::string_view s, size_t i, char32_t* v) {
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return 0;
    *v = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (size_t k = 1; k < len; ++k) {
        const auto t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        *v = (*v << 6) | (t & 0x3F);
    }
    return len;
}

}  // namespace

std::u32string FoldName(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        char32_t v = 0;
        const size_t len = DecodeUtf8(s, i, &v);
        if (len == 0) {
            // Keep a malformed byte distinct from every real character.
            out += static_cast<char32_t>(0x110000 + static_cast<unsigned char>(s[i]));
            ++i;
            continue;
        }
        out += Upper(v);
        i += len;
    }
    return out;
}

bool NamesEqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() == b.size()) {
        bool same = true;
        for (size_t i = 0; i < a.size() && same; ++i) {
            unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
            if (x >= 0x80 || y >= 0x80) return FoldName(a) == FoldName(b);
            same = std::toupper(x) == std::toupper(y);
        }
        return same;
    }
    // ASCII folds to ASCII one for one: plain names of different lengths differ.
    // Outside ASCII different byte lengths can still fold equal (only in theory
    // for these tables, which keep UTF-8 lengths); compare properly there.
    const auto ascii = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    if (ascii(a) && ascii(b)) return false;
    return FoldName(a) == FoldName(b);
}

bool IsReservedDeviceName(std::string_view name) {
    size_t dot = name.find('.');
    std::string_view base = name.substr(0, dot);
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    auto is = [&](std::string_view word) {
        if (base.size() != word.size()) return false;
        for (size_t i = 0; i < word.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(base[i])) != word[i]) return false;
        return true;
    };
    if (is("CON") || is("PRN") || is("AUX") || is("NUL")) return true;
    if (base.size() == 4 && base[3] >= '1' && base[3] <= '9') {
        std::string_view stem = base.substr(0, 3);
        std::string up;
        for (char c : stem) up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return up == "COM" || up == "LPT";
    }
    return false;
}

FILETIME ToFileTime(const struct timespec& ts) {
    // 1601-01-01 to 1970-01-01 is 11644473600 seconds.
    int64_t t = (static_cast<int64_t>(ts.tv_sec) + 11644473600LL) * 10000000LL + ts.tv_nsec / 100;
    if (t < 0) t = 0;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(t) & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(t) >> 32);
    return ft;
}

FILETIME CreationTimeOf(const struct stat& st) {
    struct timespec created = st.st_mtim;
    if (st.st_ctim.tv_sec < created.tv_sec ||
        (st.st_ctim.tv_sec == created.tv_sec && st.st_ctim.tv_nsec < created.tv_nsec))
        created = st.st_ctim;
    return ToFileTime(created);
}

int RenameAtNoReplace(int dirFd, const char* from, const char* to) {
    if (renameat2(dirFd, from, dirFd, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    // No RENAME_NOREPLACE here: a hard link fails just as atomically on an existing name.
    if (linkat(dirFd, from, dirFd, to, 0) == 0) {
        unlinkat(dirFd, from, 0);
        return 0;
    }
    if (errno == EEXIST) return -1;
    struct stat st {};
    if (fstatat(dirFd, to, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return -1;
    }
    return renameat(dirFd, from, dirFd, to);  // no links either (vfat): the best there is
}

DWORD AttributesOf(const struct stat& st, std::string_view name) {
    DWORD attr = 0;
    if (S_ISDIR(st.st_mode)) {
        attr |= FILE_ATTRIBUTE_DIRECTORY;
    } else {
        attr |= FILE_ATTRIBUTE_ARCHIVE;
        // For folders the bit is only a shell hint on Windows; report it for files.
        if (!(st.st_mode & S_IWUSR)) attr |= FILE_ATTRIBUTE_READONLY;
    }
    if (name.size() > 1 && name[0] == '.' && name != "..") attr |= FILE_ATTRIBUTE_HIDDEN;
    return attr;
}

}  // namespace platform

namespace platform {

DWORD MissingPathError(const HostPath& r) {
    if (!r.ok) return static_cast<DWORD>(r.error ? r.error : ERROR_PATH_NOT_FOUND);
    if (DriveIsNotReady(r.drive)) return ERROR_NOT_READY;
    return r.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

bool IsDriveRoot(const HostPath& r) { return r.ok && r.host == DriveHostRoot(r.drive); }

}  // namespace platform
