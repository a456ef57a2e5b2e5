#include "app/dialog_transfer_host.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

#include "app/control_lock.h"
#include "app/external_panel.h"
#include "app/panes.h"
#include "app/system_panel.h"
#include "controls/qt_cp932.h"
#include "dialogs/message_box.h"
#include "platform/cp932.h"
#include "transfer/transfer_texts.h"

bool DialogTransferHost::IsSystemRowSelected(int row) const { return m_system.IsRowSelected(row); }

bool DialogTransferHost::IsExternalRowSelected(int row) const { return m_external.IsRowSelected(row); }

std::string DialogTransferHost::FolderName() const { return m_external.FolderName(); }

std::optional<platform::DriveLetter> DialogTransferHost::CurrentDrive() const { return m_external.CurrentDrive(); }

void DialogTransferHost::SetTransferBusy(bool busy) { m_lock.SetLocked(busy); }

void DialogTransferHost::SetFolderName(const std::string& name) { m_external.SetFolderText(name); }

void DialogTransferHost::ClearExternalRoot() { m_external.ClearRoot(); }

void DialogTransferHost::RefreshPane(Pane pane) { Panes(m_system, m_external, m_window).Refresh(pane); }

MsgAnswer DialogTransferHost::ShowMessage(const UserMessage& message) {
    if (std::this_thread::get_id() != m_uiThread) {
        // No window from the copying thread: the message waits for its end.
        std::lock_guard<std::mutex> lock(m_deferredLock);
        m_deferred.push_back(message);
        return MsgAnswer::Ok;
    }
    if (ShownAsClosing(message)) return message.buttons == MsgButtons::OkCancel ? MsgAnswer::Cancel : MsgAnswer::Ok;
    if (message.detail == MsgDetail::None || !m_openDetails) return ShowMessageBox(&m_window, message);
    const Direction direction = message.detail == MsgDetail::CompareSave ? Direction::Save : Direction::Register;
    return ShowMessageBox(&m_window, message, [this, direction] { m_openDetails(direction); });
}

bool DialogTransferHost::ShownAsClosing(const UserMessage& message) const {
    if (!m_bClosing) return false;
    std::fprintf(stderr, "%s\n", platform::Cp932ToUtf8(message.text).c_str());
    return true;
}

CProgressDlg* DialogTransferHost::NewProgressWindow() {
    return new CProgressDlg(&m_window, m_observer, m_bCancel, FromCp932(transfer_texts::CaptionMaintenance()));
}

TransferResult DialogTransferHost::RunCopy(const std::function<TransferResult()>& copy) {
    delete m_pProgress;      // the last transfer's outcome
    m_bCancel = m_bClosing;  // asked to end before the copy began: it does not start
    TransferResult result;
    std::atomic<bool> done{false};
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    std::thread worker([&] {
        result = copy();
        done = true;
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    // The window comes only for a transfer that takes a while; a quick one looks as before.
    QTimer appear;
    appear.setSingleShot(true);
    QObject::connect(&appear, &QTimer::timeout, &m_window, [&] {
        if (done) return;
        m_pProgress = NewProgressWindow();
        m_pProgress->show();
    });
    appear.start(m_nProgressDelayMs);
    // Also ends the wait should the quit be posted before the loop runs.
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done) loop.quit();
    });
    check.start(CProgressDlg::kPollMs);
    while (!done) loop.exec();
    worker.join();
    m_nLastCopyMs = clock.elapsed();
    appear.stop();
    if (m_pProgress && (result.failed || result.cancelled)) delete m_pProgress;
    std::vector<UserMessage> deferred;
    {
        std::lock_guard<std::mutex> lock(m_deferredLock);
        deferred.swap(m_deferred);
    }
    for (const UserMessage& message : deferred)
        if (!ShownAsClosing(message)) ShowMessageBox(&m_window, message);
    return result;
}

void DialogTransferHost::ShowOutcome(const std::string& text) {
    if (m_bClosing) {
        delete m_pProgress;
        std::fprintf(stderr, "%s\n", platform::Cp932ToUtf8(text).c_str());
        return;
    }
    if (m_nLastCopyMs < m_nQuietOutcomeMs) {
        // Nothing to read that the lists do not show; the focus stays in the dialog.
        delete m_pProgress;
        return;
    }
    if (!m_pProgress) m_pProgress = NewProgressWindow();
    // The final state stays for the user to read, without holding up the dialog.
    if (m_pProgress->isVisible()) m_pProgress->hide();
    m_pProgress->setModal(false);
    m_pProgress->setAttribute(Qt::WA_DeleteOnClose);
    m_pProgress->ShowOutcome(DisplayPath(text));
    // Closed, it hands the keyboard back to the dialog, whose focus is as before.
    QObject::connect(m_pProgress, &QDialog::finished, &m_window, [this] { m_window.activateWindow(); });
    m_pProgress->show();
    m_pProgress->activateWindow();
}

void DialogTransferHost::ProcessPendingEvents() {
    if (std::this_thread::get_id() != m_uiThread) return;  // the interface thread serves them itself
    // Repaints and input for the enabled windows; quitting is filtered while busy.
    QApplication::processEvents(QEventLoop::AllEvents);
}

void DialogTransferHost::BeginWaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

void DialogTransferHost::EndWaitCursor() { QApplication::restoreOverrideCursor(); }
