// The rows a data list shows, read from the files as they are now: every data set
// of the catalogue, or only those a maintenance folder's index file marks as held.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class ProfileSnapshot;
}

enum class ListMode {
    Catalogue,     // every data set
    HeldByFolder,  // those whose flag in the folder's index file is not 0
};

inline constexpr size_t kMaxDataSetNameBytes = 128;

// Which data sets a list shows, and their names from the catalogue as it was when
// the listing was read. Nothing is kept per row but a held set's ordinal: a name
// is looked up in the parsed catalogue when it is asked for, so a list of 50,000
// sets costs no more than the parsed file the profile reader holds anyway.
// Not for use by several threads at once (as the snapshot it holds).
class DataSetListing {
public:
    DataSetListing();
    ~DataSetListing();
    DataSetListing(DataSetListing&&) noexcept;
    DataSetListing& operator=(DataSetListing&&) noexcept;

    // `catalogPath` (CP932 Windows path; empty lists nothing) is read once for the
    // whole list; `indexPath` (HeldByFolder only; empty: nothing is held) likewise,
    // as it is now. A held set that cannot be kept in memory is left out; the
    // others are still listed.
    static DataSetListing Read(ListMode mode, const std::string& catalogPath, const std::string& indexPath);

    int32_t Count() const;
    // Catalogue ordinal of a row (the list shows it + 1); -1 for a row out of range.
    int32_t Ordinal(int32_t row) const;
    // The row's name, CP932, cut on a character boundary to kMaxDataSetNameBytes;
    // "" for a row out of range.
    std::string Name(int32_t row) const;

private:
    std::unique_ptr<platform::ProfileSnapshot> m_catalogue;  // null: nothing listed
    int32_t m_count = 0;                                     // every set, when not by folder
    bool m_byFolder = false;
    std::vector<int32_t> m_held;  // by folder: the ordinals of the held sets, in order
};
