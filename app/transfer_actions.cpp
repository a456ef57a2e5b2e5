#include "app/transfer_actions.h"

#include <QApplication>
#include <QCursor>
#include <algorithm>
#include <vector>

#include "app/dialog_transfer_host.h"
#include "app/external_panel.h"
#include "app/system_panel.h"
#include "dialogs/compare_dlg.h"
#include "resources/deliverable.h"

TransferActions::TransferActions(const Deliverable& deliverable, const SystemPanel& system,
                                 const ExternalPanel& external, DialogTransferHost& host, QWidget& window)
    : m_deliverable(deliverable), m_system(system), m_external(external), m_host(host), m_window(window) {
    FillStandardDocInit(m_docInit);
}

TransferContext TransferActions::MakeTransferContext() {
    TransferContext context;
    context.systemRoot = m_system.Path();
    context.externalRoot = m_external.Root();
    context.dataCount = m_system.DataCount();
    context.catalogue = m_system.Entries();
    context.presence = m_external.Presence();
    context.docInit = &m_docInit;
    context.files = m_deliverable.files;
    ApplyToolSettings(context, m_deliverable.programName);
    return context;
}

void TransferActions::Save() {
    TransferContext context = MakeTransferContext();
    RunSave(m_transfer, context, m_host);
}

void TransferActions::Register() {
    TransferContext context = MakeTransferContext();
    RunRegister(m_transfer, context, m_host);
}

void TransferActions::OpenCompare(Direction direction) {
    if (m_external.Root().empty()) return;
    const TransferContext context = MakeTransferContext();
    const int32_t dataCount = m_system.DataCount();
    const int32_t* presence = m_external.Presence();
    const size_t count = static_cast<size_t>(dataCount);
    // The pane's rows as catalogue indices: the external pane lists the held sets in order.
    std::vector<char> rows(count, 0), selected(count, 0);
    int externalRow = 0;
    for (int32_t e = 0; e < dataCount; ++e) {
        const size_t k = static_cast<size_t>(e);
        if (direction == Direction::Save) {
            rows[k] = 1;
            selected[k] = m_system.IsRowSelected(e) ? 1 : 0;
        } else if (presence && presence[k] != 0) {
            rows[k] = 1;
            selected[k] = m_external.IsRowSelected(externalRow++) ? 1 : 0;
        }
    }
    const bool any = std::find(selected.begin(), selected.end(), 1) != selected.end();
    // Asked from a confirmation, the wait cursor of the operation is still up.
    QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    CCompareDlg dialog(context, m_external.FolderName(), any ? selected : rows, direction, &m_window);
    dialog.exec();
    QApplication::restoreOverrideCursor();
}
