// Save, register and the window of what either would change: the main dialog's
// actions on the transfer logic, each from the panes' state of the moment.
#pragma once

#include "host/dem.h"
#include "transfer/save_register.h"
#include "transfer/transfer_engine.h"

class DialogTransferHost;
class ExternalPanel;
class QWidget;
class SystemPanel;
struct Deliverable;

class TransferActions {
public:
    TransferActions(const Deliverable& deliverable, const SystemPanel& system, const ExternalPanel& external,
                    DialogTransferHost& host, QWidget& window);

    void Save();
    void Register();
    // The window showing what a register (from the external pane's selected rows)
    // or a save (from the system pane's) would change; every row of the pane when
    // none is selected. Modal; returns when it is closed.
    void OpenCompare(Direction direction);

private:
    TransferContext MakeTransferContext();

    const Deliverable& m_deliverable;
    const SystemPanel& m_system;
    const ExternalPanel& m_external;
    DialogTransferHost& m_host;
    QWidget& m_window;
    DemInitData m_docInit{};
    TransferEngine m_transfer;
};
