#include "cli/set_list.h"

#include <cstdlib>

namespace {
// A whole decimal number, no sign; false for anything else or beyond `limit`.
bool ParseNumber(const std::string& text, int64_t limit, int64_t* value) {
    if (text.empty() || text.size() > 10) return false;
    int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v > limit) return false;
    *value = v;
    return true;
}
}  // namespace

bool ParseSetList(const std::string& text, int32_t count, std::vector<char>& chosen, std::string* error) {
    chosen.assign(count > 0 ? static_cast<size_t>(count) : 0, 0);
    if (text.empty()) {
        *error = "empty set list";
        return false;
    }
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        const std::string item = text.substr(start, comma - start);
        const size_t dash = item.find('-');
        int64_t low = 0, high = 0;
        const bool ok = dash == std::string::npos ? ParseNumber(item, INT32_MAX, &low) && (high = low, true)
                                                  : ParseNumber(item.substr(0, dash), INT32_MAX, &low) &&
                                                        ParseNumber(item.substr(dash + 1), INT32_MAX, &high);
        if (!ok || low > high) {
            *error = "not a number or range: '" + item + "'";
            return false;
        }
        if (low < 1 || high > count) {
            *error = "no data set " + item + " (the catalogue has 1 to " + std::to_string(count) + ")";
            return false;
        }
        for (int64_t n = low; n <= high; ++n) chosen[static_cast<size_t>(n - 1)] = 1;
        start = comma + 1;
    }
    return true;
}
