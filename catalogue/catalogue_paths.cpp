#include "catalogue/catalogue_paths.h"

#include <string_view>

#include "platform/cp932_walk.h"

namespace {

// A component that a path resolver could take for the parent folder: two dots or
// more with nothing but dots and spaces (Windows drops trailing dots and spaces).
bool ClimbsUp(std::string_view component) {
    int dots = 0;
    for (char c : component) {
        if (c == '.')
            ++dots;
        else if (c != ' ')
            return false;
    }
    return dots >= 2;
}

}  // namespace

bool CataloguePathStaysInside(const char* text) {
    if (!text) return true;
    std::string_view s(text);
    bool inside = true;
    size_t start = 0;
    platform::ForEachCp932Char(s, [&](size_t i, size_t len) {
        if (len == 2) return true;
        if (s[i] == ':') return inside = false;
        if (platform::IsWindowsSeparator(s[i])) {
            if (ClimbsUp(s.substr(start, i - start))) return inside = false;
            start = i + 1;
        }
        return true;
    });
    return inside && !ClimbsUp(s.substr(start));
}

bool CatalogueEntryStaysInside(const CatalogueEntry& entry) {
    if (!CataloguePathStaysInside(entry.path()) || !CataloguePathStaysInside(entry.backupPath())) return false;
    for (int j = 0; j < entry.UsedFolders(); ++j)
        if (!CataloguePathStaysInside(entry.folders(j))) return false;
    for (int k = 0; k < entry.UsedNames(); ++k)
        if (!CataloguePathStaysInside(entry.names(k))) return false;
    return true;
}

void AppendCataloguePart(std::string& folder, const char* part) {
    if (!part || part[0] == '\0') return;
    // A part's first byte is never a trail byte: a 5C there is a separator.
    const bool partLeads = platform::IsWindowsSeparator(part[0]);
    const bool folderEnds = !folder.empty() && platform::LastCp932Separator(folder) == folder.size() - 1;
    if (partLeads && folderEnds)
        folder += part + 1;
    else if (!partLeads && !folderEnds)
        folder.append("\\").append(part);
    else
        folder += part;
}
