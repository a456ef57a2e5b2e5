// Save and register: the dialog as the front end of the transfer logic.
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QPushButton>

#include "app/maintenance_dlg.h"
#include "controls/data_list_ctrl.h"
#include "controls/drive_combo_box.h"
#include "dialogs/message_box.h"
#include "resources/deliverable.h"

TransferContext CMaintenanceDlg::MakeTransferContext() {
    TransferContext context;
    context.systemRoot = m_strSystemPath;
    context.externalRoot = m_strExternalRoot;
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
    RunSave(m_transfer, context, *this);
}

void CMaintenanceDlg::OnRegisterButton() {
    TransferContext context = MakeTransferContext();
    RunRegister(m_transfer, context, *this);
}

int CMaintenanceDlg::BuildTransferList(int direction) {
    TransferContext context = MakeTransferContext();
    return m_transfer.BuildTransferList(direction, context, *this);
}

uint32_t CMaintenanceDlg::RunTransfer(int direction) {
    TransferContext context = MakeTransferContext();
    return m_transfer.RunTransfer(direction, context, *this);
}

void CMaintenanceDlg::SetTransferBusy(bool busy) {
    const MainDialogIds& ids = m_deliverable.ids;
    // The nine controls a transfer locks, in this order; the new-folder button
    // stays usable.
    const int locked[] = {ids.save,       ids.registerButton, ids.toggleSystem, ids.toggleExternal, ids.listSystem,
                          ids.listExternal, ids.comboDrive,    ids.comboFolder,  ids.exit};
    // Disabling the focused control makes Qt pass the focus on, and the only
    // control left to take it is "新規": a key pressed during or after the
    // transfer would then open the new-folder dialog. The dialog holds the focus
    // meanwhile, and it goes back where it was afterwards.
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
}

bool CMaintenanceDlg::IsSystemRowSelected(int row) const { return m_listSystem->IsRowSelected(row); }

bool CMaintenanceDlg::IsExternalRowSelected(int row) const { return m_listExternal->IsRowSelected(row); }

int CMaintenanceDlg::CurrentDrive() const {
    int index = m_comboDrive->GetCurSel();
    return index < 0 ? -1 : m_comboDrive->GetItemDrive(index);
}

MsgAnswer CMaintenanceDlg::ShowMessage(const UserMessage& message) { return ShowMessageBox(this, message); }

void CMaintenanceDlg::ProcessPendingEvents() {
    // Repaints and input for the enabled windows; quitting is filtered while busy.
    QApplication::processEvents(QEventLoop::AllEvents);
}

void CMaintenanceDlg::BeginWaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

void CMaintenanceDlg::EndWaitCursor() { QApplication::restoreOverrideCursor(); }
