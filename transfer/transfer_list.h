// The files of one transfer: where each is read, where it is written and how.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// How a file is written: 0 copied whole; 1 to 3 a document whose attribute groups
// of that kind are carried over.
int CarryOverKind(int type, int typeIndex);

struct TransferRow {
    std::string source;
    std::string destination;
    int32_t kind = 0;
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
