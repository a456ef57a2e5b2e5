// The system catalogue: the data sets the installed system describes, read once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "catalogue/catalogue_entry.h"

namespace platform {
class ProfileSnapshot;
}

// What the main dialog keeps of the catalogue for the whole run.
struct LoadedCatalogue {
    std::string systemPath;                     // system data root, as the host answered it
    std::string catalogPath;                    // "%s\%s" of the catalogue folder and the file name
    int32_t count = 0;                          // N; 0 when the file is missing or its count unusable
    std::unique_ptr<CatalogueEntry[]> entries;  // N records (null when N is 0)
    std::unique_ptr<int32_t[]> presence;        // N present flags, all 0 (null when N is 0)
    bool tooLarge = false;                      // refused unread: over the size limit on a removable or network drive
};

class SystemCatalogue {
public:
    // Largest MAX taken as a real catalogue; a larger value reads as an empty one.
    // Catalogues hold tens of data sets. The bound keeps a damaged or hostile count
    // from allocating gigabytes for the table (a record takes 100 bytes and up to
    // 2.3 KB of texts, so the bound caps it near 230 MB) or running billions of
    // profile reads, while still leaving room far beyond any real installation.
    static constexpr int32_t kMaxDataSets = 100000;

    // Reads the count "データ数"/"MAX" of the file (CP932 path), clamped: a negative
    // or unreadable value gives 0, one above kMaxDataSets gives 0.
    static int32_t ReadCount(const char* catalogPath);
    static int32_t ReadCount(const platform::ProfileSnapshot& catalogue);

    // Reads entry i of the catalogue file into `entry` (every field, all 20 names
    // and 5 folders, texts cut to 79 bytes).
    static void ReadEntry(const char* catalogPath, int32_t i, CatalogueEntry& entry);

    // The whole read the dialog does while it is constructed: the catalogue path is
    // "%s\%s" of `catalogueFolder` and `catalogueFileName`; then the count, the
    // presence flags (all 0) and every entry, all from the file as it is at the
    // start (one freshness check for the whole table). The two folders are the host settings'
    // answers for the system data root and the catalogue folder. A table that cannot
    // be allocated gives an empty catalogue, and so does a catalogue on a removable,
    // optical or network drive larger than file_limits::kMaxCatalogueBytes (then
    // `tooLarge` is set for the caller to say so). Never fails, never shows a message.
    static LoadedCatalogue Load(const std::string& systemPath, const std::string& catalogueFolder,
                                const char* catalogueFileName);
};
