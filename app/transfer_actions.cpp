// Save and register: the dialog as the front end of the transfer logic.
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include "app/maintenance_dlg.h"
#include "controls/data_list_ctrl.h"
#include "controls/drive_combo_box.h"
#include "controls/qt_cp932.h"
#include "dialogs/message_box.h"
#include "dialogs/progress_dlg.h"
#include "transfer/transfer_texts.h"
#include "resources/deliverable.h"

TransferContext CMaintenanceDlg::MakeTransferContext() {
    TransferContext context;
    context.systemRoot = m_strSystemPath;
    context.externalRoot = m_external->Root();
    context.dataCount = m_nDataCount;
    context.catalogue = m_pCatalogue.get();
    context.presence = m_pFolderPresence.get();
    context.docInit = &m_docInit;
    context.files = m_deliverable.files;
    ApplyToolSettings(context, m_deliverable.programName);
    return context;
}

void CMaintenanceDlg::OnSaveButton() {
    TransferContext context = MakeTransferContext();
    RunSave(m_transfer, context, m_host);
}

void CMaintenanceDlg::OnRegisterButton() {
    TransferContext context = MakeTransferContext();
    RunRegister(m_transfer, context, m_host);
}

void CMaintenanceDlg::SetTransferBusy(bool busy) {
    const MainDialogIds& ids = m_deliverable.ids;
    // Every control is locked: a new folder made during a copy would show as the
    // open folder, empty, when the copy ends.
    const int locked[] = {ids.save,         ids.registerButton, ids.toggleSystem, ids.toggleExternal, ids.listSystem,
                          ids.listExternal, ids.comboDrive,     ids.comboFolder,  ids.exit,           ids.newFolder};
    // Disabling the focused control makes Qt pass the focus on to whatever is
    // left. The dialog holds the focus meanwhile, and it goes back where it was
    // afterwards.
    if (busy && !m_bTransferBusy) {
        m_pFocusBeforeTransfer = focusWidget();
        if (m_pFocusBeforeTransfer) setFocus(Qt::OtherFocusReason);
    }
    for (int id : locked)
        if (QWidget* w = GetDlgItem(id)) w->setEnabled(!busy);
    m_bTransferBusy = busy;
    if (!busy && m_pFocusBeforeTransfer) {
        if (m_pFocusBeforeTransfer->isEnabled() && m_pFocusBeforeTransfer->isVisible())
            m_pFocusBeforeTransfer->setFocus(Qt::OtherFocusReason);
        m_pFocusBeforeTransfer = nullptr;
    }
    // Asked to end during the transfer: the dialog closes once the operation is over.
    if (!busy && m_bClosing) QTimer::singleShot(0, this, &CMaintenanceDlg::OnTerminationRequest);
}

bool CMaintenanceDlg::IsSystemRowSelected(int row) const { return m_listSystem->IsRowSelected(row); }

bool CMaintenanceDlg::IsExternalRowSelected(int row) const { return m_external->IsRowSelected(row); }

int CMaintenanceDlg::CurrentDrive() const { return m_external->CurrentDrive(); }
