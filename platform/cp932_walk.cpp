#include "platform/cp932_walk.h"

namespace platform {

size_t LastCp932Separator(std::string_view s, std::string_view separators) {
    size_t last = std::string::npos;
    ForEachCp932Char(s, [&](size_t i, size_t len) {
        if (len == 1 && separators.find(s[i]) != std::string_view::npos) last = i;
    });
    return last;
}

bool HasCp932Separator(std::string_view s) {
    bool found = false;
    ForEachCp932Char(s, [&](size_t i, size_t len) {
        found = len == 1 && IsWindowsSeparator(s[i]);
        return !found;
    });
    return found;
}

std::vector<std::string> SplitWindowsPath(std::string_view s, bool* trailing) {
    std::vector<std::string> parts;
    size_t start = 0;
    bool lastWasSeparator = false;
    ForEachCp932Char(s, [&](size_t i, size_t len) {
        lastWasSeparator = len == 1 && IsWindowsSeparator(s[i]);
        if (!lastWasSeparator) return;
        if (i > start) parts.emplace_back(s.substr(start, i - start));
        start = i + 1;
    });
    if (start < s.size()) parts.emplace_back(s.substr(start));
    if (trailing) *trailing = lastWasSeparator;
    return parts;
}

}  // namespace platform
