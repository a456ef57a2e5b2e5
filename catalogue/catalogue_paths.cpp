#include "catalogue/catalogue_paths.h"

#include <string_view>

#include "platform/cp932.h"

namespace {

// A component that a path resolver could take for the parent folder: two dots or
// more with nothing but dots and spaces (Windows drops trailing dots and spaces).
bool ClimbsUp(std::string_view component) {
    int dots = 0;
    for (char c : component) {
        if (c == '.') ++dots;
        else if (c != ' ') return false;
    }
    return dots >= 2;
}

}  // namespace

bool CataloguePathStaysInside(const char* text) {
    if (!text) return true;
    std::string_view s(text);
    size_t start = 0;
    for (size_t i = 0; i <= s.size(); ++i) {
        if (i < s.size() && platform::IsCp932LeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
            ++i;
            continue;
        }
        if (i < s.size() && s[i] == ':') return false;
        if (i == s.size() || s[i] == '\\' || s[i] == '/') {
            if (ClimbsUp(s.substr(start, i - start))) return false;
            start = i + 1;
        }
    }
    return true;
}

bool CatalogueEntryStaysInside(const CatalogueEntry& entry) {
    if (!CataloguePathStaysInside(entry.path) || !CataloguePathStaysInside(entry.backupPath)) return false;
    for (int j = 0; j < entry.UsedFolders(); ++j)
        if (!CataloguePathStaysInside(entry.folders[j])) return false;
    for (int k = 0; k < entry.UsedNames(); ++k)
        if (!CataloguePathStaysInside(entry.names[k])) return false;
    return true;
}
