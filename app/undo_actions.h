// The safety net of the main dialog: undoing a register from its restore point,
// the last one or one the user chooses from the list.
#pragma once

#include "transfer/restore_point.h"

class OperationHost;
class QWidget;
class SystemPanel;
struct Deliverable;

class UndoActions {
public:
    UndoActions(const Deliverable& deliverable, const SystemPanel& system, OperationHost& host, QWidget& window)
        : m_deliverable(deliverable), m_system(system), m_host(host), m_window(window) {}

    // The restore points of this program's registers into this system.
    RestorePointStore RestorePoints() const;
    // Undoes the last register that kept a restore point; says so when there is none.
    void UndoLastRegister();
    // Undoes the register the user chooses from the restore points, if any.
    void UndoChosenRegister();

private:
    const Deliverable& m_deliverable;
    const SystemPanel& m_system;
    OperationHost& m_host;
    QWidget& m_window;
};
