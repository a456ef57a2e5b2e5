// What both panes of the main dialog have: a data list, the free-space text of
// their drive, and the "選択/解除" button's toggle, which selects every row, then
// clears them, in turn, and starts over at every load of either list.
#pragma once

class CDataListCtrl;
class QLabel;

class ListPane {
public:
    ListPane(CDataListCtrl* list, QLabel* freeSpace) : m_pList(list), m_pFreeSpace(freeSpace) {}

    bool IsRowSelected(int row) const;
    int RowCount() const;
    QLabel* FreeSpaceLabel() const { return m_pFreeSpace; }

    void ToggleSelection();
    bool AllSelected() const { return m_bSelectAll; }
    void ResetToggle() { m_bSelectAll = false; }

protected:
    CDataListCtrl* m_pList;

private:
    QLabel* m_pFreeSpace;
    bool m_bSelectAll = false;
};
