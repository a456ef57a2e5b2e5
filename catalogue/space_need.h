// The room files take on a medium: every file occupies whole allocation units,
// so a medium with large clusters fills long before the bytes add up.
#pragma once

#include <cstdint>

class SpaceNeed {
public:
    // `unit`: the destination's allocation unit in bytes (0 or an odd value is
    // read as 512, the smallest a medium has).
    explicit SpaceNeed(uint64_t unit);

    // A file of `bytes`, rounded up to whole units (an empty file takes none).
    void AddFile(uint64_t bytes);
    // Whatever takes one unit: a folder made, a small file written beside the data.
    void AddUnits(uint64_t units = 1);

    uint64_t Bytes() const { return m_bytes; }
    uint64_t Unit() const { return m_unit; }

    // `bytes` rounded up to whole units of `unit` (saturating).
    static uint64_t RoundUp(uint64_t bytes, uint64_t unit);

private:
    uint64_t m_unit;
    uint64_t m_bytes = 0;
};
