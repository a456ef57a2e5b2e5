// The main dialog as the front end of save, register and undo: answers the
// logic's questions from the two panes, locks the controls, runs the copy (and
// the file work beside it) on a worker thread while the progress window shows
// it, and holds back the messages that thread asks for until it has ended.
#pragma once

#include <QPointer>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dialogs/progress_dlg.h"
#include "transfer/save_register.h"

class ControlLock;
class ExternalPanel;
class QDialog;
class SystemPanel;

class DialogTransferHost : public OperationHost {
public:
    // `window` parents the boxes and the progress window; `lock` holds the
    // controls a transfer locks.
    DialogTransferHost(QDialog& window, SystemPanel& system, ExternalPanel& external, ControlLock& lock)
        : m_window(window), m_system(system), m_external(external), m_lock(lock) {}

    // TransferHost
    bool IsSystemRowSelected(int row) const override;
    bool IsExternalRowSelected(int row) const override;
    std::string FolderName() const override;
    std::optional<platform::DriveLetter> CurrentDrive() const override;
    MsgAnswer ShowMessage(const UserMessage& message) override;
    void ProcessPendingEvents() override;
    void SetTransferBusy(bool busy) override;
    TransferObserver* Observer() override { return &m_observer; }
    const std::atomic<bool>* CancelFlag() override { return &m_bCancel; }
    // The copy runs on a worker thread; this thread serves events meanwhile and
    // shows the progress window once it has lasted the delay.
    TransferResult RunCopy(const std::function<TransferResult()>& copy) override;

    // OperationHost
    void SetFolderName(const std::string& name) override;
    void ClearExternalRoot() override;
    void RefreshPane(Pane pane) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    // A transfer that took under kQuietOutcomeMs ends without a window: the
    // refreshed lists show what it did. A longer one ends in its progress window,
    // which then tells the outcome.
    void ShowOutcome(const std::string& text) override;
    // On a worker thread too, the controls locked, without a progress window.
    void RunAside(const std::function<void()>& work) override;

    // What a confirmation's "詳細..." opens: the window of what the operation would change.
    void SetDetailsView(std::function<void(Direction)> open) { m_openDetails = std::move(open); }

    // Set once the program was asked to end (SIGTERM, SIGHUP): nothing more is
    // asked or shown, and a copy asked for from then on does not start.
    void SetClosing() { m_bClosing = true; }
    bool IsClosing() const { return m_bClosing; }

    static constexpr int kProgressDelayMs = 500;
    static constexpr int kQuietOutcomeMs = 2000;
    // The progress window of the running or last transfer, null when none is open.
    CProgressDlg* ProgressWindow() const { return m_pProgress; }
    void SetProgressDelay(int ms) { m_nProgressDelayMs = ms; }
    void SetQuietOutcomeLimit(int ms) { m_nQuietOutcomeMs = ms; }
    // Asks the running copy to stop at its next safe point, as "中止" does.
    void RequestStop() { m_bCancel = true; }

private:
    CProgressDlg* NewProgressWindow();
    // Runs `work` on a worker thread, serving this thread's events until it has
    // ended; `done` is set when it has.
    void ServeWhile(const std::function<void()>& work, std::atomic<bool>& done);
    // The messages the worker asked for, in their order.
    void ShowDeferred();
    bool OnWorker() const { return std::this_thread::get_id() != m_uiThread; }
    // What the logic asks of the panes, taken before work aside starts; the
    // controls are locked while it runs, so the answers hold.
    void TakeAnswers();
    // The dialog is closing: messages go to standard error instead of a box.
    bool ShownAsClosing(const UserMessage& message) const;

    QDialog& m_window;
    SystemPanel& m_system;
    ExternalPanel& m_external;
    ControlLock& m_lock;
    std::function<void(Direction)> m_openDetails;
    bool m_bClosing = false;
    TransferObserver m_observer;
    std::atomic<bool> m_bCancel{false};
    const std::thread::id m_uiThread = std::this_thread::get_id();
    struct PaneAnswers {
        std::vector<char> system, external;  // selected rows
        std::string folderName;
        std::optional<platform::DriveLetter> drive;
    } m_answers;
    // Messages asked for by the copying thread, shown once it has ended.
    std::mutex m_deferredLock;
    std::vector<UserMessage> m_deferred;
    QPointer<CProgressDlg> m_pProgress;
    int m_nProgressDelayMs = kProgressDelayMs;
    int m_nQuietOutcomeMs = kQuietOutcomeMs;
    qint64 m_nLastCopyMs = 0;  // how long the last copy took, its flushes and checks included
};
