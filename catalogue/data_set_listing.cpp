#include "catalogue/data_set_listing.h"

#include <cstdio>
#include <new>
#include <string_view>

#include "catalogue/folder_index_file.h"
#include "catalogue/system_catalogue.h"
#include "platform/cp932.h"
#include "platform/profile_snapshot.h"

namespace {

const std::string& NameSection() {
    static const std::string s = platform::Utf8ToCp932("データ名称");
    return s;
}

}  // namespace

DataSetListing::DataSetListing() = default;
DataSetListing::~DataSetListing() = default;
DataSetListing::DataSetListing(DataSetListing&&) noexcept = default;
DataSetListing& DataSetListing::operator=(DataSetListing&&) noexcept = default;

DataSetListing DataSetListing::Read(ListMode mode, const std::string& catalogPath, const std::string& indexPath) {
    DataSetListing listing;
    listing.m_byFolder = mode == ListMode::HeldByFolder;
    if (catalogPath.empty() || (listing.m_byFolder && indexPath.empty())) return listing;
    // The catalogue as it is now for the count and every name: one freshness check
    // for the whole list, and names that never change under the rows.
    listing.m_catalogue = std::make_unique<platform::ProfileSnapshot>(catalogPath.c_str());
    // The same clamped count as the catalogue table, so row k of the system list is
    // always entry k of the table and never beyond it.
    const int32_t n = SystemCatalogue::ReadCount(*listing.m_catalogue);
    if (!listing.m_byFolder) {
        listing.m_count = n;
        return listing;
    }
    // The index file as it is now, read for this list: the file is the truth, not a cache.
    const FolderIndexFile::FlagSnapshot flags(indexPath);
    for (int32_t i = 0; i < n; ++i) {
        if (!flags.IsPresent(i)) continue;
        try {
            listing.m_held.push_back(i);
        } catch (const std::bad_alloc&) {
        }
    }
    return listing;
}

int32_t DataSetListing::Count() const { return m_byFolder ? static_cast<int32_t>(m_held.size()) : m_count; }

int32_t DataSetListing::Ordinal(int32_t row) const {
    if (row < 0 || row >= Count()) return -1;
    return m_byFolder ? m_held[static_cast<size_t>(row)] : row;
}

std::string DataSetListing::Name(int32_t row) const {
    const int32_t i = Ordinal(row);
    if (i < 0 || !m_catalogue) return {};
    char key[16];
    std::snprintf(key, sizeof key, "%d", static_cast<int>(i));
    // As a read through a buffer two bytes larger than a name would give it: up to
    // the first NUL, the cut always ours and on a character boundary.
    std::string_view name = m_catalogue->GetValue(NameSection().c_str(), key, "");
    name = name.substr(0, name.find('\0'));
    return std::string(name.substr(0, platform::Cp932SafeCut(name, kMaxDataSetNameBytes)));
}
