// What a register or a save would change, shown before it runs.
#include <QApplication>
#include <algorithm>
#include <QCursor>

#include "app/maintenance_dlg.h"
#include "dialogs/compare_dlg.h"

void CMaintenanceDlg::OpenCompare(Direction direction) {
    if (ExternalRoot().empty()) return;
    const TransferContext context = MakeTransferContext();
    const size_t count = static_cast<size_t>(m_nDataCount);
    // The pane's rows as catalogue indices: the external pane lists the held sets in order.
    std::vector<char> rows(count, 0), selected(count, 0);
    int externalRow = 0;
    for (int32_t e = 0; e < m_nDataCount; ++e) {
        const size_t k = static_cast<size_t>(e);
        if (direction == Direction::Save) {
            rows[k] = 1;
            selected[k] = IsSystemRowSelected(e) ? 1 : 0;
        } else if (m_pFolderPresence && m_pFolderPresence[k] != 0) {
            rows[k] = 1;
            selected[k] = IsExternalRowSelected(externalRow++) ? 1 : 0;
        }
    }
    const bool any = std::find(selected.begin(), selected.end(), 1) != selected.end();
    // Asked from a confirmation, the wait cursor of the operation is still up.
    QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    CCompareDlg dialog(context, FolderName(), any ? selected : rows, direction, this);
    dialog.exec();
    QApplication::restoreOverrideCursor();
}
