#include "catalogue/space_need.h"

namespace {
uint64_t SaturatingAdd(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }
}  // namespace

SpaceNeed::SpaceNeed(uint64_t unit) : m_unit(unit >= 512 && (unit & (unit - 1)) == 0 ? unit : 512) {}

uint64_t SpaceNeed::RoundUp(uint64_t bytes, uint64_t unit) {
    if (unit == 0 || bytes == 0) return bytes;
    const uint64_t units = bytes / unit + (bytes % unit != 0 ? 1 : 0);
    return units > UINT64_MAX / unit ? UINT64_MAX : units * unit;
}

void SpaceNeed::AddFile(uint64_t bytes) { m_bytes = SaturatingAdd(m_bytes, RoundUp(bytes, m_unit)); }

void SpaceNeed::AddUnits(uint64_t units) {
    m_bytes = SaturatingAdd(m_bytes, units > UINT64_MAX / m_unit ? UINT64_MAX : units * m_unit);
}
