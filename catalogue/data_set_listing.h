// The rows a data list shows, read from the files as they are now: every data set
// of the catalogue, or only those a maintenance folder's index file marks as held.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class ListMode {
    Catalogue,     // every data set
    HeldByFolder,  // those whose flag in the folder's index file is not 0
};

struct DataSetRow {
    int32_t index = 0;  // catalogue ordinal; the list shows index + 1
    std::string name;   // CP932, cut on a character boundary to kMaxDataSetNameBytes
};

inline constexpr size_t kMaxDataSetNameBytes = 128;

// `catalogPath` (CP932 Windows path; empty lists nothing) is read once for the whole
// list; `indexPath` (HeldByFolder only; empty: nothing is held) afresh for each row.
// A row that cannot be held in memory is left out; the others are still listed.
std::vector<DataSetRow> ListDataSets(ListMode mode, const std::string& catalogPath, const std::string& indexPath);
