// SIGTERM and SIGHUP for the dialog: the signal handler only writes a byte to a
// pipe; the event loop reads it and emits requested(), so the dialog can stop a
// running transfer safely before it closes.
#pragma once

#include <QObject>
#include <csignal>

class QSocketNotifier;

class TerminationWatch : public QObject {
    Q_OBJECT
public:
    explicit TerminationWatch(QObject* parent = nullptr);
    // Puts the signals' previous handling back.
    ~TerminationWatch() override;
    TerminationWatch(const TerminationWatch&) = delete;
    TerminationWatch& operator=(const TerminationWatch&) = delete;

signals:
    void requested();

private:
    void Drain();

    QSocketNotifier* m_pNotifier = nullptr;
    struct sigaction m_oldTerm {};
    struct sigaction m_oldHup {};
};
