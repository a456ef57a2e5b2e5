// The window a transfer shows over the main dialog: what is being copied, how
// far it is, how fast and how long it still takes, and "中止". It reads the
// transfer's observer on a timer, so the copying thread never touches it.
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
    // The final state: the outcome text, the figures as they ended, "閉じる".
    void ShowOutcome(const QString& text);
    bool Finished() const { return m_finished; }

    // The texts of the figures, for a given state (also used by Poll).
    static QString BytesLine(uint64_t done, uint64_t total, double seconds);
    static QString SizeText(uint64_t bytes);

    QLabel* DataSetLabel() const { return m_dataSet; }
    QLabel* FileLabel() const { return m_file; }
    QLabel* CountLabel() const { return m_count; }
    QLabel* BytesLabel() const { return m_bytes; }
    QProgressBar* Bar() const { return m_bar; }
    QPushButton* Button() const { return m_button; }

public slots:
    void reject() override;

private:
    const TransferObserver& m_observer;
    std::atomic<bool>& m_cancel;
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_finished = false;
    QLabel* m_dataSet;
    QLabel* m_file;
    QLabel* m_count;
    QProgressBar* m_bar;
    QLabel* m_bytes;
    QLabel* m_outcome;
    QPushButton* m_button;
};
