// Undoing a register from its restore point: the dialog as the front end.
#include "app/maintenance_dlg.h"
#include "dialogs/message_box.h"
#include "dialogs/restore_point_dlg.h"
#include "resources/deliverable.h"
#include "transfer/safety_texts.h"
#include "transfer/tool_settings.h"
#include "transfer/transfer_texts.h"
#include "transfer/undo_register.h"

RestorePointStore CMaintenanceDlg::RestorePoints() const {
    return RestorePointStore(RestorePointRoot(m_deliverable.programName), m_strSystemPath);
}

void CMaintenanceDlg::OnUndoLastRegister() {
    if (m_bTransferBusy) return;
    RestorePointStore store = RestorePoints();
    RestorePoint point;
    if (!store.Latest(&point)) {
        UserMessage message;
        message.text = safety_texts::NoRestorePoint();
        message.caption = transfer_texts::CaptionRegister();
        ShowMessageBox(this, message);
        return;
    }
    RunUndoRegister(store, point, m_host, LockFolder(m_deliverable.programName));
}

void CMaintenanceDlg::OnRestorePointList() {
    if (m_bTransferBusy) return;
    RestorePointStore store = RestorePoints();
    CRestorePointDlg chooser(store.List(), this);
    if (chooser.exec() != QDialog::Accepted) return;
    RunUndoRegister(store, chooser.Chosen(), m_host, LockFolder(m_deliverable.programName));
}
