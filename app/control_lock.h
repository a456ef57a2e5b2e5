// Locks the main dialog's controls while a transfer runs. Disabling the focused
// control would make Qt pass the focus on to whatever is left, so the dialog
// holds it meanwhile and it goes back where it was afterwards.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

class ControlLock : public QObject {
    Q_OBJECT
public:
    ControlLock(QWidget& window, QList<QWidget*> controls) : m_window(window), m_controls(std::move(controls)) {}

    void SetLocked(bool locked);
    bool IsLocked() const { return m_bLocked; }

signals:
    // The controls were given back.
    void released();

private:
    QWidget& m_window;
    QList<QWidget*> m_controls;
    bool m_bLocked = false;
    QPointer<QWidget> m_pFocusBefore;  // given the focus back when the lock ends
};
