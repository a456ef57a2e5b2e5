#include "app/dialog_transfer_host.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

#include "app/maintenance_dlg.h"
#include "controls/qt_cp932.h"
#include "dialogs/message_box.h"
#include "platform/cp932.h"
#include "transfer/transfer_texts.h"

bool DialogTransferHost::IsSystemRowSelected(int row) const { return m_dialog.IsSystemRowSelected(row); }

bool DialogTransferHost::IsExternalRowSelected(int row) const { return m_dialog.IsExternalRowSelected(row); }

std::string DialogTransferHost::FolderName() const { return m_dialog.FolderName(); }

int DialogTransferHost::CurrentDrive() const { return m_dialog.CurrentDrive(); }

void DialogTransferHost::SetTransferBusy(bool busy) { m_dialog.SetTransferBusy(busy); }

void DialogTransferHost::SetFolderName(const std::string& name) { m_dialog.SetFolderText(name); }

void DialogTransferHost::ClearExternalRoot() { m_dialog.ClearExternalRoot(); }

void DialogTransferHost::RefreshPane(Pane pane) { m_dialog.RefreshPane(pane); }

MsgAnswer DialogTransferHost::ShowMessage(const UserMessage& message) {
    if (std::this_thread::get_id() != m_uiThread) {
        // No window from the copying thread: the message waits for its end.
        std::lock_guard<std::mutex> lock(m_deferredLock);
        m_deferred.push_back(message);
        return MsgAnswer::Ok;
    }
    if (ShownAsClosing(message)) return message.buttons == MsgButtons::OkCancel ? MsgAnswer::Cancel : MsgAnswer::Ok;
    if (message.detail == MsgDetail::None) return ShowMessageBox(&m_dialog, message);
    const Direction direction = message.detail == MsgDetail::CompareSave ? Direction::Save : Direction::Register;
    return ShowMessageBox(&m_dialog, message, [this, direction] { m_dialog.OpenCompare(direction); });
}

bool DialogTransferHost::ShownAsClosing(const UserMessage& message) const {
    if (!m_dialog.IsClosing()) return false;
    std::fprintf(stderr, "%s\n", platform::Cp932ToUtf8(message.text).c_str());
    return true;
}

CProgressDlg* DialogTransferHost::NewProgressWindow() {
    return new CProgressDlg(&m_dialog, m_observer, m_cancel, FromCp932(transfer_texts::CaptionMaintenance()));
}

TransferResult DialogTransferHost::RunCopy(const std::function<TransferResult()>& copy) {
    delete m_progress;                // the last transfer's outcome
    m_cancel = m_dialog.IsClosing();  // asked to end before the copy began: it does not start
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
    QObject::connect(&appear, &QTimer::timeout, &m_dialog, [&] {
        if (done) return;
        m_progress = NewProgressWindow();
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
    m_lastCopyMs = clock.elapsed();
    appear.stop();
    if (m_progress && (result.failed || result.cancelled)) delete m_progress;
    std::vector<UserMessage> deferred;
    {
        std::lock_guard<std::mutex> lock(m_deferredLock);
        deferred.swap(m_deferred);
    }
    for (const UserMessage& message : deferred)
        if (!ShownAsClosing(message)) ShowMessageBox(&m_dialog, message);
    return result;
}

void DialogTransferHost::ShowOutcome(const std::string& text) {
    if (m_dialog.IsClosing()) {
        delete m_progress;
        std::fprintf(stderr, "%s\n", platform::Cp932ToUtf8(text).c_str());
        return;
    }
    if (m_lastCopyMs < m_quietOutcomeMs) {
        // Nothing to read that the lists do not show; the focus stays in the dialog.
        delete m_progress;
        return;
    }
    if (!m_progress) m_progress = NewProgressWindow();
    // The final state stays for the user to read, without holding up the dialog.
    if (m_progress->isVisible()) m_progress->hide();
    m_progress->setModal(false);
    m_progress->setAttribute(Qt::WA_DeleteOnClose);
    m_progress->ShowOutcome(DisplayPath(text));
    // Closed, it hands the keyboard back to the dialog, whose focus is as before.
    QObject::connect(m_progress, &QDialog::finished, &m_dialog, [this] { m_dialog.activateWindow(); });
    m_progress->show();
    m_progress->activateWindow();
}

void DialogTransferHost::ProcessPendingEvents() {
    if (std::this_thread::get_id() != m_uiThread) return;  // the interface thread serves them itself
    // Repaints and input for the enabled windows; quitting is filtered while busy.
    QApplication::processEvents(QEventLoop::AllEvents);
}

void DialogTransferHost::BeginWaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

void DialogTransferHost::EndWaitCursor() { QApplication::restoreOverrideCursor(); }
