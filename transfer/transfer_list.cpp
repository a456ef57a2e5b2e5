#include "transfer/transfer_list.h"

int CarryOverKind(int type, int typeIndex) {
    if (type != 2) return 0;
    switch (typeIndex) {
    case 0: return 1;
    case 1: return 2;
    case 2: return 3;
    default: return 0;
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
    row.kind = 0;
    row.dataSet = -1;
    row.size = 0;
    row.counted = false;
    return row;
}
