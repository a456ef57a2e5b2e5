#include "app/list_pane.h"

#include "controls/data_list_ctrl.h"

bool ListPane::IsRowSelected(int row) const { return m_pList->IsRowSelected(row); }

int ListPane::RowCount() const { return m_pList->GetItemCount(); }

void ListPane::ToggleSelection() {
    m_bSelectAll = !m_bSelectAll;
    SelectAllRows(*m_pList, m_bSelectAll);
}
