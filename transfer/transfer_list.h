// The files of one transfer: where each is read, where it is written and how.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// How a file is written: copied whole, or a document whose attribute groups of one
// kind are carried over. The numbers are those the command line's JSON shows.
enum class CarryOver : int32_t {
    WholeFile = 0,
    Tables265 = 1,  // both 265-byte tables and the five settings
    Table341 = 2,
    Table269 = 3,
};
CarryOver CarryOverKind(int type, int typeIndex);

struct TransferRow {
    std::string source;
    std::string destination;
    CarryOver kind = CarryOver::WholeFile;
    int32_t dataSet = -1;  // catalogue index of the data set the file belongs to
    uint64_t size = 0;     // the source's size when listed
    bool counted = false;  // the first row of its destination file: counts as a file and its bytes
};

// Rows are kept between transfers and reused, so building a list of a usual size
// allocates nothing per file. The list grows when a selection has more files
// than it holds; paths have no length limit.
class TransferList {
public:
    static constexpr size_t kInitialRows = 1024;
    static constexpr size_t kPathReserve = 128;

    TransferList();

    void Clear() { m_count = 0; }
    // The next row, its paths emptied (their buffers kept) and its kind 0.
    TransferRow& Append();

    uint32_t Count() const { return m_count; }
    const TransferRow& Row(uint32_t i) const { return m_rows[i]; }
    TransferRow& Row(uint32_t i) { return m_rows[i]; }
    size_t Capacity() const { return m_rows.size(); }

private:
    void Grow(size_t rows);

    std::vector<TransferRow> m_rows;
    uint32_t m_count = 0;
};
