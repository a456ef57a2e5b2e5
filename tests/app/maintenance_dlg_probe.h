// What the tests (and the start-up benchmark) read and set inside the main dialog,
// through the one friend it declares for them.
#pragma once

#include <cstdint>
#include <string>

#include "app/control_lock.h"
#include "app/dialog_transfer_host.h"
#include "app/external_panel.h"
#include "app/maintenance_dlg.h"
#include "app/panes.h"
#include "app/system_panel.h"

class CMaintenanceDlgTestProbe {
public:
    explicit CMaintenanceDlgTestProbe(CMaintenanceDlg& dialog) : m_dialog(dialog) {}

    // The panes, as the dialog's own handlers refresh and load them.
    void RefreshPane(Pane pane) const { Panes().Refresh(pane); }
    void LoadList(Pane pane) const { Panes().LoadList(pane); }
    void SetFolderText(const std::string& cp932) const { m_dialog.m_pExternal->SetFolderText(cp932); }

    const std::string& ExternalRoot() const { return m_dialog.m_pExternal->Root(); }
    int FolderSel() const { return m_dialog.m_pExternal->FolderSel(); }
    const int32_t* FolderPresence() const { return m_dialog.m_pExternal->Presence(); }
    int32_t DataCount() const { return m_dialog.m_pSystem->DataCount(); }
    bool SelectAllSystem() const { return m_dialog.m_pSystem->AllSelected(); }

    // Locks the controls as a transfer does.
    void SetTransferBusy(bool busy) const { m_dialog.m_pHost->SetTransferBusy(busy); }
    bool IsTransferBusy() const { return m_dialog.IsTransferBusy(); }
    QMenu* BuildSystemMenu() const { return m_dialog.BuildSystemMenu(); }

    // The progress window of the running or last transfer, null when none is open.
    CProgressDlg* ProgressWindow() const { return m_dialog.m_pHost->ProgressWindow(); }
    // How long a transfer runs before its window appears.
    void SetProgressDelay(int ms) const { m_dialog.m_pHost->SetProgressDelay(ms); }
    // How long a successful transfer may take and still end without a window.
    void SetQuietOutcomeLimit(int ms) const { m_dialog.m_pHost->SetQuietOutcomeLimit(ms); }

private:
    ::Panes Panes() const { return ::Panes(*m_dialog.m_pSystem, *m_dialog.m_pExternal, m_dialog); }

    CMaintenanceDlg& m_dialog;
};
