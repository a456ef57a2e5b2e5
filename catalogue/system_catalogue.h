// The system catalogue: the data sets the installed system describes, read once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "catalogue/catalogue_entry.h"

class SystemCatalogue {
public:
    // Largest MAX taken as a real catalogue; a larger value reads as an empty one.
    static constexpr int32_t kMaxDataSets = 100000;

    // Reads the count "データ数"/"MAX" of the file (CP932 path), clamped: a negative
    // or unreadable value gives 0, one above kMaxDataSets gives 0.
    static int32_t ReadCount(const char* catalogPath);

    // Reads entry i of the catalogue file into `entry` (every field, all 20 names
    // and 5 folders, texts cut to 79 bytes).
    static void ReadEntry(const char* catalogPath, int32_t i, CatalogueEntry& entry);
};
