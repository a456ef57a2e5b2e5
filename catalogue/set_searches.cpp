#include "catalogue/set_searches.h"

std::vector<std::string> SetSearchPatterns(const CatalogueEntry& entry, const std::string& setFolder) {
    std::vector<std::string> patterns;
    patterns.reserve(static_cast<size_t>(entry.UsedFolders()) * static_cast<size_t>(entry.UsedNames()));
    for (int j = 0; j < entry.UsedFolders(); ++j)
        for (int k = 0; k < entry.UsedNames(); ++k) patterns.push_back(setFolder + entry.folders(j) + entry.names(k));
    return patterns;
}
