#include "catalogue/data_set_listing.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

#include "catalogue/folder_index_file.h"
#include "catalogue/system_catalogue.h"
#include "platform/cp932.h"
#include "platform/profile_snapshot.h"
#include "platform/win32.h"

namespace {

// The read takes two bytes more than a name holds, so the cut is always ours and
// falls on a character boundary, whatever the reader does with a double-byte
// character at the end of its buffer.
constexpr DWORD kNameBufferSize = kMaxDataSetNameBytes + 2;

const std::string& NameSection() {
    static const std::string s = platform::Utf8ToCp932("データ名称");
    return s;
}

}  // namespace

std::vector<DataSetRow> ListDataSets(ListMode mode, const std::string& catalogPath, const std::string& indexPath) {
    std::vector<DataSetRow> rows;
    // The catalogue as it is now for the count and every name: one freshness check
    // for the whole list.
    platform::ProfileSnapshot catalogue(catalogPath.c_str());  // "" reads nothing
    // The same clamped count as the catalogue table, so row k of the system list is
    // always entry k of the table and never beyond it.
    int32_t n = catalogPath.empty() ? 0 : SystemCatalogue::ReadCount(catalogue);
    const bool byFolder = mode == ListMode::HeldByFolder;
    if (byFolder && indexPath.empty()) n = 0;
    if (!byFolder && n > 0) {
        try {
            rows.reserve(static_cast<size_t>(n));  // every data set gets a row
        } catch (const std::bad_alloc&) {
            // Rows are then added one by one.
        }
    }

    for (int32_t i = 0; i < n; ++i) {
        // Read afresh for each data set: the file is the truth, not a cache.
        if (byFolder && !FolderIndexFile::IsPresent(indexPath, i)) continue;

        char key[16];
        std::snprintf(key, sizeof key, "%d", static_cast<int>(i));
        char buf[kNameBufferSize] = {};
        catalogue.GetString(NameSection().c_str(), key, "", buf, kNameBufferSize);
        buf[kNameBufferSize - 1] = '\0';
        const std::string_view name(buf, std::strlen(buf));
        try {
            rows.push_back(
                DataSetRow{i, std::string(name.substr(0, platform::Cp932SafeCut(name, kMaxDataSetNameBytes)))});
        } catch (const std::bad_alloc&) {
        }
    }
    return rows;
}
