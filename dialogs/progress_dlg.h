// The window a transfer shows over the main dialog: what it is doing (copying,
// writing to the medium, checking what was written, finishing), what is being
// copied, how far it is, how fast and how long it still takes, and "中止". It
// reads the transfer's observer on a timer, so the copying thread never touches it.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>

#include "transfer/transfer_progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

class CProgressDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPollMs = 80;  // more than ten updates a second

    // `caption`: the window title; `cancel` is set by "中止", Esc or closing.
    CProgressDlg(QWidget* parent, const TransferObserver& observer, std::atomic<bool>& cancel, const QString& caption);

    // Reads the observer now (the timer does it every kPollMs while the transfer runs).
    void Poll();
    // The final state: the outcome text, the figures as they ended, "閉じる"
    // (Enter or Esc closes it).
    void ShowOutcome(const QString& text);
    bool Finished() const { return m_finished; }

    // What the window says a phase is.
    static QString PhaseText(TransferPhase phase);
    // Seconds left for `workLeft` more units at the rate of `workDone` in `seconds`;
    // -1 while there is too little to measure. Copied and checked bytes both count.
    static int64_t SecondsLeft(uint64_t workDone, uint64_t workLeft, double seconds);

    QLabel* PhaseLabel() const { return m_phase; }
    QLabel* DataSetLabel() const { return m_dataSet; }
    QLabel* FileLabel() const { return m_file; }
    QLabel* CountLabel() const { return m_count; }
    QLabel* BytesLabel() const { return m_bytes; }
    QProgressBar* Bar() const { return m_bar; }
    QPushButton* Button() const { return m_button; }

public slots:
    void reject() override;

private:
    QString BytesLine(uint64_t done, uint64_t total, uint64_t work, uint64_t workTotal);

    const TransferObserver& m_observer;
    std::atomic<bool>& m_cancel;
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_finished = false;
    // The last estimate of the time left and when it was made: between two moves
    // of the figures (a long flush, one large file read back) it counts down.
    uint64_t m_estimatedAtWork = 0;
    qint64 m_estimatedAtMs = 0;
    int64_t m_estimateSeconds = -1;
    QLabel* m_phase;
    QLabel* m_dataSet;
    QLabel* m_file;
    QLabel* m_count;
    QProgressBar* m_bar;
    QLabel* m_bytes;
    QLabel* m_outcome;
    QPushButton* m_button;
};
