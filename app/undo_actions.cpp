#include "app/undo_actions.h"

#include "app/system_panel.h"
#include "dialogs/message_box.h"
#include "dialogs/restore_point_dlg.h"
#include "resources/deliverable.h"
#include "transfer/safety_texts.h"
#include "transfer/tool_settings.h"
#include "transfer/transfer_texts.h"
#include "transfer/undo_register.h"

RestorePointStore UndoActions::RestorePoints() const {
    return RestorePointStore(RestorePointRoot(m_deliverable.programName), m_system.Path());
}

void UndoActions::UndoLastRegister() {
    RestorePointStore store = RestorePoints();
    RestorePoint point;
    if (!store.Latest(&point)) {
        UserMessage message;
        message.text = safety_texts::NoRestorePoint();
        message.caption = transfer_texts::CaptionRegister();
        ShowMessageBox(&m_window, message);
        return;
    }
    RunUndoRegister(store, point, m_host, LockFolder(m_deliverable.programName));
}

void UndoActions::UndoChosenRegister() {
    RestorePointStore store = RestorePoints();
    CRestorePointDlg chooser(store.List(), &m_window);
    if (chooser.exec() != QDialog::Accepted) return;
    RunUndoRegister(store, chooser.Chosen(), m_host, LockFolder(m_deliverable.programName));
}
