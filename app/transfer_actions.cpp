// Save and register: the dialog as the front end of the transfer logic.
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QEventLoop>
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

int CMaintenanceDlg::BuildTransferList(Direction direction) {
    TransferContext context = MakeTransferContext();
    return m_transfer.BuildTransferList(direction, context, *this);
}

uint32_t CMaintenanceDlg::RunTransfer(Direction direction) {
    TransferContext context = MakeTransferContext();
    return m_transfer.RunTransfer(direction, context, *this).rows;
}

void CMaintenanceDlg::SetTransferBusy(bool busy) {
    const MainDialogIds& ids = m_deliverable.ids;
    // Every control is locked: a new folder made during a copy would show as the
    // open folder, empty, when the copy ends.
    const int locked[] = {ids.save,         ids.registerButton, ids.toggleSystem, ids.toggleExternal,
                          ids.listSystem,   ids.listExternal,   ids.comboDrive,   ids.comboFolder,
                          ids.exit,         ids.newFolder};
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
}

bool CMaintenanceDlg::IsSystemRowSelected(int row) const { return m_listSystem->IsRowSelected(row); }

bool CMaintenanceDlg::IsExternalRowSelected(int row) const { return m_listExternal->IsRowSelected(row); }

int CMaintenanceDlg::CurrentDrive() const {
    int index = m_comboDrive->GetCurSel();
    return index < 0 ? -1 : m_comboDrive->GetItemDrive(index);
}

MsgAnswer CMaintenanceDlg::ShowMessage(const UserMessage& message) {
    if (std::this_thread::get_id() != m_uiThread) {
        // No window from the copying thread: the message waits for its end.
        std::lock_guard<std::mutex> lock(m_deferredLock);
        m_deferred.push_back(message);
        return MsgAnswer::Ok;
    }
    return ShowMessageBox(this, message);
}

TransferResult CMaintenanceDlg::RunCopy(const std::function<TransferResult()>& copy) {
    delete m_progress;  // the last transfer's outcome
    m_cancel = false;
    TransferResult result;
    std::atomic<bool> done{false};
    QEventLoop loop;
    std::thread worker([&] {
        result = copy();
        done = true;
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    // The window comes only for a transfer that takes a while; a quick one looks as before.
    QTimer appear;
    appear.setSingleShot(true);
    QObject::connect(&appear, &QTimer::timeout, this, [&] {
        if (done) return;
        m_progress = new CProgressDlg(this, m_observer, m_cancel, FromCp932(transfer_texts::CaptionMaintenance()));
        m_progress->show();
    });
    appear.start(m_progressDelayMs);
    // Also ends the wait should the quit be posted before the loop runs.
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done) loop.quit();
    });
    check.start(CProgressDlg::kPollMs);
    while (!done) loop.exec();
    worker.join();
    appear.stop();
    if (m_progress && (result.failed || result.cancelled)) delete m_progress;
    std::vector<UserMessage> deferred;
    {
        std::lock_guard<std::mutex> lock(m_deferredLock);
        deferred.swap(m_deferred);
    }
    for (const UserMessage& message : deferred) ShowMessageBox(this, message);
    return result;
}

void CMaintenanceDlg::ShowOutcome(const std::string& text) {
    if (!m_progress)
        m_progress = new CProgressDlg(this, m_observer, m_cancel, FromCp932(transfer_texts::CaptionMaintenance()));
    // The final state stays for the user to read, without holding up the dialog.
    if (m_progress->isVisible()) m_progress->hide();
    m_progress->setModal(false);
    m_progress->setAttribute(Qt::WA_DeleteOnClose);
    m_progress->ShowOutcome(FromCp932(text));
    m_progress->show();
}

void CMaintenanceDlg::ProcessPendingEvents() {
    if (std::this_thread::get_id() != m_uiThread) return;  // the interface thread serves them itself
    // Repaints and input for the enabled windows; quitting is filtered while busy.
    QApplication::processEvents(QEventLoop::AllEvents);
}

void CMaintenanceDlg::BeginWaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

void CMaintenanceDlg::EndWaitCursor() { QApplication::restoreOverrideCursor(); }
