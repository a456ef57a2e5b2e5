// Attribute objects with recognisable contents for the document tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "host/dem.h"

namespace samples {

template <size_t N, int C>
void FillTable(DemAttrTable<N, C>& table, int count, uint8_t seed) {
    table.count = count;
    for (size_t i = 0; i < static_cast<size_t>(count) && i < static_cast<size_t>(C); ++i)
        for (size_t j = 0; j < N; ++j) table.entries[i][j] = static_cast<uint8_t>(seed + i * 13 + j * 7 + N);
}

// An attribute object whose every group differs from those made with another seed.
inline std::unique_ptr<DemAttr> Attr(uint8_t seed, int n341, int n269, int n265a, int n265b,
                                     std::string_view other = "other attributes") {
    auto attr = std::make_unique<DemAttr>();
    FillTable(attr->table341, n341, seed);
    FillTable(attr->table269, n269, static_cast<uint8_t>(seed + 1));
    FillTable(attr->table265First, n265a, static_cast<uint8_t>(seed + 2));
    FillTable(attr->table265Second, n265b, static_cast<uint8_t>(seed + 3));
    for (int i = 0; i < 5; ++i) attr->kind1Settings[i] = seed * 100 + i - 2;
    attr->otherAttributes.assign(other.begin(), other.end());
    return attr;
}

inline std::vector<uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

// Whether two attribute objects hold the same groups (entries beyond the counts
// included, as they are part of the object).
inline bool Same(const DemAttr& a, const DemAttr& b) {
    return a.table341.count == b.table341.count && a.table341.entries == b.table341.entries &&
           a.table269.count == b.table269.count && a.table269.entries == b.table269.entries &&
           a.table265First.count == b.table265First.count && a.table265First.entries == b.table265First.entries &&
           a.table265Second.count == b.table265Second.count && a.table265Second.entries == b.table265Second.entries &&
           std::equal(a.kind1Settings, a.kind1Settings + 5, b.kind1Settings) && a.otherAttributes == b.otherAttributes;
}

}  // namespace samples
