// GetPrivateProfileStringA and GetPrivateProfileIntA, reading as Windows reads.
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/cp932.h"
#include "platform/profile_cache.h"
#include "platform/profile_names.h"
#include "platform/win32.h"

using platform::profile::Line;
using platform::profile::ProfileFile;
using platform::profile::Section;
using platform::profile::TrimSpaces;

namespace {


// One outer pair of matching quotes comes off a value of two characters or more.
std::string_view StripQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// A single value: whole when it fits, else nSize-1 bytes and ERROR_MORE_DATA.
// A cut never leaves a lead byte without its trail byte; the count then is the
// bytes actually copied (nSize-2).
DWORD CopyValue(std::string_view v, LPSTR out, DWORD nSize) {
    if (nSize == 0) return 0;
    if (v.size() < nSize) {
        std::memcpy(out, v.data(), v.size());
        out[v.size()] = '\0';
        return static_cast<DWORD>(v.size());
    }
    size_t n = platform::Cp932SafeCut(v, nSize - 1);
    std::memcpy(out, v.data(), n);
    out[n] = '\0';
    SetLastError(ERROR_MORE_DATA);
    return static_cast<DWORD>(n);
}

// A list of names, each ending in a NUL, plus one more NUL. As on Windows, a list
// that needs the whole buffer or more counts as cut: nSize-2 bytes of it are
// copied, two NULs follow and nSize-2 is returned (a lone lead byte at the cut
// becomes a NUL).
DWORD CopyList(const std::vector<std::string_view>& names, LPSTR out, DWORD nSize) {
    if (nSize == 0) return 0;
    size_t total = 0;
    for (auto n : names) total += n.size() + 1;
    if (total + 1 < nSize) {
        char* p = out;
        for (auto n : names) {
            std::memcpy(p, n.data(), n.size());
            p += n.size();
            *p++ = '\0';
        }
        *p = '\0';
        if (names.empty() && nSize >= 2) out[1] = '\0';
        return static_cast<DWORD>(total);
    }
    SetLastError(ERROR_MORE_DATA);
    if (nSize <= 2) {
        out[0] = '\0';
        if (nSize == 2) out[1] = '\0';
        return 0;
    }
    size_t room = nSize - 2;
    size_t pos = 0;
    for (auto n : names) {
        if (pos >= room) break;
        size_t take = n.size() < room - pos ? n.size() : room - pos;
        size_t safe = platform::Cp932SafeCut(n, take);
        std::memcpy(out + pos, n.data(), safe);
        std::memset(out + pos + safe, 0, take - safe);
        pos += take;
        if (pos < room) out[pos++] = '\0';
    }
    out[nSize - 2] = '\0';
    out[nSize - 1] = '\0';
    return nSize - 2;
}

std::vector<std::string_view> SectionNames(const ProfileFile& f) {
    std::vector<std::string_view> names;
    names.reserve(f.Sections().size());
    for (const Section& s : f.Sections()) names.push_back(f.NameOf(f.Lines()[s.header]));
    return names;
}

// Key names of a section; an empty key ("=v") is left out, as it would end the list.
std::vector<std::string_view> KeyNames(const ProfileFile& f, const Section& s) {
    std::vector<std::string_view> names;
    for (const Line* line : f.KeysOf(s)) {
        std::string_view n = f.NameOf(*line);
        if (!n.empty()) names.push_back(n);
    }
    return names;
}

// What a look-up found in an existing file.
struct Found {
    bool isList = false;
    bool found = false;  // a value (key look-ups only)
    std::string_view value;
    std::vector<std::string_view> list;
};

const Section* FindSection(const ProfileFile& f, std::string_view name, platform::profile::SectionMemo* memo) {
    if (!memo) return f.FindSection(name);
    if (!memo->valid || memo->name != name) {
        memo->name.assign(name);
        memo->section = f.FindSection(name);
        memo->valid = true;
    }
    return memo->section;
}

Found LookUp(const ProfileFile& f, LPCSTR app, LPCSTR key, platform::profile::SectionMemo* memo) {
    Found r;
    if (!app) {
        r.isList = true;
        r.list = SectionNames(f);
        return r;
    }
    const Section* s = FindSection(f, TrimSpaces(app), memo);
    if (!key) {
        r.isList = true;
        if (s) r.list = KeyNames(f, *s);
        return r;
    }
    if (!s) return r;
    // Only "key=value" lines are keys: a line without '=' reads as missing (our
    // choice; Windows never lists such a line as a key).
    const Line* line = f.FindKey(*s, TrimSpaces(key));
    if (!line) return r;
    r.found = true;
    r.value = StripQuotes(f.ValueOf(*line));
    return r;
}

// The NT integer parser with base 0: blanks and control characters skipped, one
// sign, lowercase 0x/0o/0b prefixes, stop at the first other character, no
// overflow check (mod 2^32), then negated.
UINT ParseNtInteger(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    unsigned base = 10;
    if (i + 1 < s.size() && s[i] == '0') {
        if (s[i + 1] == 'x')
            base = 16;
        else if (s[i + 1] == 'o')
            base = 8;
        else if (s[i + 1] == 'b')
            base = 2;
        if (base != 10) i += 2;
    }
    uint32_t value = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'z')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'Z')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            break;
        if (digit >= base) break;
        value = value * base + digit;
    }
    return negative ? 0u - value : value;
}

}  // namespace

namespace platform::profile {

DWORD ReadStringFrom(const ProfileFile* file, DWORD error, LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                     LPSTR lpReturnedString, DWORD nSize, SectionMemo* memo) {
    // The default loses its trailing spaces (only spaces) in the copy.
    std::string_view def = lpDefault ? lpDefault : "";
    while (!def.empty() && def.back() == ' ') def.remove_suffix(1);
    if (!file) {
        DWORD n;
        if (lpAppName && lpKeyName) {
            n = CopyValue(def, lpReturnedString, nSize);
        } else {
            // No list: an empty string (Windows leaves the second byte alone).
            if (nSize > 0) lpReturnedString[0] = '\0';
            n = 0;
        }
        SetLastError(error);
        return n;
    }
    Found r = LookUp(*file, lpAppName, lpKeyName, memo);
    if (r.isList) return CopyList(r.list, lpReturnedString, nSize);
    return CopyValue(r.found ? r.value : def, lpReturnedString, nSize);
}

std::string_view ValueFrom(const ProfileFile* file, LPCSTR app, LPCSTR key, LPCSTR def, SectionMemo* memo) {
    std::string_view fallback = def ? def : "";
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
    if (!file || !app || !key) return fallback;
    const Found r = LookUp(*file, app, key, memo);
    return r.found ? r.value : fallback;
}

void ForEachKeyFrom(const ProfileFile* file, LPCSTR app, SectionMemo* memo,
                    const std::function<void(std::string_view key, std::string_view value)>& each) {
    if (!file || !app) return;
    const Section* s = FindSection(*file, TrimSpaces(app), memo);
    if (!s) return;
    for (const Line* line : file->KeysOf(*s)) each(file->NameOf(*line), StripQuotes(file->ValueOf(*line)));
}

UINT IntFromValue(std::string_view value, INT def) {
    return value.empty() ? static_cast<UINT>(def) : ParseNtInteger(value);
}

UINT ReadIntFrom(const ProfileFile* file, DWORD error, LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault,
                 SectionMemo* memo) {
    if (!file) {
        SetLastError(error);
        return static_cast<UINT>(nDefault);
    }
    Found r = LookUp(*file, lpAppName, lpKeyName, memo);
    // With a NULL section or key the "value" is the list, read up to its first NUL.
    std::string_view value = r.isList ? (r.list.empty() ? std::string_view() : r.list.front()) : r.value;
    return IntFromValue(value, nDefault);
}

}  // namespace platform::profile

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize, LPCSTR lpFileName) {
    if (!lpReturnedString) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    DWORD error = 0;
    std::lock_guard<std::mutex> lock(platform::profile::CacheMutex());
    const ProfileFile* file = platform::profile::ReadLocked(lpFileName, &error);
    return platform::profile::ReadStringFrom(file, error, lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize);
}

UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName) {
    DWORD error = 0;
    std::lock_guard<std::mutex> lock(platform::profile::CacheMutex());
    const ProfileFile* file = platform::profile::ReadLocked(lpFileName, &error);
    return platform::profile::ReadIntFrom(file, error, lpAppName, lpKeyName, nDefault);
}
