#include "app/dialog_transfer_host.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "app/control_lock.h"
#include "app/external_panel.h"
#include "app/panes.h"
#include "app/system_panel.h"
#include "controls/qt_cp932.h"
#include "dialogs/message_box.h"
#include "platform/cp932.h"
#include "transfer/transfer_texts.h"

namespace {
bool RowIn(const std::vector<char>& rows, int row) {
    return row >= 0 && static_cast<size_t>(row) < rows.size() && rows[static_cast<size_t>(row)] != 0;
}

std::vector<char> SelectedRows(const ListPane& pane) {
    std::vector<char> rows(static_cast<size_t>(std::max(pane.RowCount(), 0)), 0);
    for (size_t r = 0; r < rows.size(); ++r) rows[r] = pane.IsRowSelected(static_cast<int>(r)) ? 1 : 0;
    return rows;
}
}  // namespace

// The worker never reads a widget: it gets the answers taken before it started.
bool DialogTransferHost::IsSystemRowSelected(int row) const {
    return OnWorker() ? RowIn(m_answers.system, row) : m_system.IsRowSelected(row);
}

bool DialogTransferHost::IsExternalRowSelected(int row) const {
    return OnWorker() ? RowIn(m_answers.external, row) : m_external.IsRowSelected(row);
}

std::string DialogTransferHost::FolderName() const {
    return OnWorker() ? m_answers.folderName : m_external.FolderName();
}

std::optional<platform::DriveLetter> DialogTransferHost::CurrentDrive() const {
    return OnWorker() ? m_answers.drive : m_external.CurrentDrive();
}

void DialogTransferHost::TakeAnswers() {
    m_answers = {SelectedRows(m_system), SelectedRows(m_external), m_external.FolderName(), m_external.CurrentDrive()};
}

void DialogTransferHost::SetTransferBusy(bool busy) { m_lock.SetLocked(busy); }

void DialogTransferHost::SetFolderName(const std::string& name) { m_external.SetFolderText(name); }

void DialogTransferHost::ClearExternalRoot() { m_external.ClearRoot(); }

void DialogTransferHost::RefreshPane(Pane pane) { Panes(m_system, m_external, m_window).Refresh(pane); }

MsgAnswer DialogTransferHost::ShowMessage(const UserMessage& message) {
    if (OnWorker()) {
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

void DialogTransferHost::ServeWhile(const std::function<void()>& work, std::atomic<bool>& done) {
    QEventLoop loop;
    std::thread worker([&] {
        work();
        done = true;
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    // Also ends the wait should the quit be posted before the loop runs.
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done) loop.quit();
    });
    check.start(CProgressDlg::kPollMs);
    while (!done) loop.exec();
    worker.join();
}

void DialogTransferHost::ShowDeferred() {
    std::vector<UserMessage> deferred;
    {
        std::lock_guard<std::mutex> lock(m_deferredLock);
        deferred.swap(m_deferred);
    }
    for (const UserMessage& message : deferred)
        if (!ShownAsClosing(message)) ShowMessageBox(&m_window, message);
}

TransferResult DialogTransferHost::RunCopy(const std::function<TransferResult()>& copy) {
    delete m_pProgress;      // the last transfer's outcome
    m_bCancel = m_bClosing;  // asked to end before the copy began: it does not start
    TransferResult result;
    std::atomic<bool> done{false};
    QElapsedTimer clock;
    clock.start();
    // The window comes only for a transfer that takes a while; a quick one looks as before.
    QTimer appear;
    appear.setSingleShot(true);
    QObject::connect(&appear, &QTimer::timeout, &m_window, [&] {
        if (done) return;
        m_pProgress = NewProgressWindow();
        m_pProgress->show();
    });
    appear.start(m_nProgressDelayMs);
    ServeWhile([&] { result = copy(); }, done);
    m_nLastCopyMs = clock.elapsed();
    appear.stop();
    if (m_pProgress && (result.failed || result.cancelled)) delete m_pProgress;
    ShowDeferred();
    return result;
}

void DialogTransferHost::RunAside(const std::function<void()>& work) {
    // The wait cursor is up already; what changes is that the dialog repaints.
    const bool wasLocked = m_lock.IsLocked();
    m_lock.SetLocked(true);
    TakeAnswers();
    std::atomic<bool> done{false};
    ServeWhile(work, done);
    m_lock.SetLocked(wasLocked);
    ShowDeferred();
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
    if (OnWorker()) return;  // the interface thread serves them itself
    // Repaints and input for the enabled windows; quitting is filtered while busy.
    QApplication::processEvents(QEventLoop::AllEvents);
}

void DialogTransferHost::BeginWaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

void DialogTransferHost::EndWaitCursor() { QApplication::restoreOverrideCursor(); }
