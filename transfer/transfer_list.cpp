#include "transfer/transfer_list.h"

CarryOver CarryOverKind(int type, int typeIndex) {
    if (type != 2) return CarryOver::WholeFile;
    switch (typeIndex) {
    case 0: return CarryOver::Tables265;
    case 1: return CarryOver::Table341;
    case 2: return CarryOver::Table269;
    default: return CarryOver::WholeFile;
    }
}

TransferList::TransferList() { Grow(kInitialRows); }

void TransferList::Grow(size_t rows) {
    const size_t old = m_rows.size();
    m_rows.resize(rows);
    for (size_t i = old; i < rows; ++i) {
        m_rows[i].source.reserve(kPathReserve);
        m_rows[i].destination.reserve(kPathReserve);
    }
}

TransferRow& TransferList::Append() {
    if (m_count == m_rows.size()) Grow(m_rows.size() * 2);
    TransferRow& row = m_rows[m_count++];
    row.source.clear();
    row.destination.clear();
    row.kind = CarryOver::WholeFile;
    row.dataSet = -1;
    row.size = 0;
    row.counted = false;
    return row;
}
