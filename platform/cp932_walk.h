// Scanning CP932 bytes a character at a time, as Windows does on code page 932
// (CharNextA, the path functions): a lead byte (0x81-0x9F, 0xE0-0xFC) and the byte
// after it are one character whatever that byte is, so the 0x5C of 表 (95 5C) or
// ソ (83 5C) is never a backslash. A lead byte at the very end stands alone.
// Every scan of CP932 bytes for separators or single-byte characters goes here;
// decoding (which checks trail bytes) stays with the conversions in cp932.h.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/cp932.h"

namespace platform {

// Bytes of the character that starts at s[i]: 2 for a lead byte with a byte after it, else 1.
inline size_t Cp932CharLength(std::string_view s, size_t i) {
    return IsCp932LeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// A Windows path separator: '\' or '/', when it is a character of its own.
inline bool IsWindowsSeparator(char c) { return c == '\\' || c == '/'; }

// Calls visit(offset, length) for every character of `s`, in order. A visit that
// returns bool stops the walk by returning false.
template <typename Visit>
void ForEachCp932Char(std::string_view s, Visit visit) {
    for (size_t i = 0; i < s.size();) {
        const size_t len = Cp932CharLength(s, i);
        if constexpr (std::is_same_v<std::invoke_result_t<Visit, size_t, size_t>, bool>) {
            if (!visit(i, len)) return;
        } else {
            visit(i, len);
        }
        i += len;
    }
}

// Offset of the last single-byte character of `s` that is one of `separators`;
// std::string::npos when there is none.
size_t LastCp932Separator(std::string_view s, std::string_view separators = "\\/");

// Whether `s` holds a single-byte '\' or '/'.
bool HasCp932Separator(std::string_view s);

// The components of a Windows path between its separators, empty ones dropped;
// *trailing (if given) says whether the path ends with a separator.
std::vector<std::string> SplitWindowsPath(std::string_view s, bool* trailing = nullptr);

}  // namespace platform
