// The main dialog: its controls from the program's template, the two panes, and
// the user's actions. The panes keep their own state (SystemPanel, ExternalPanel);
// save, register and undo run through TransferActions and UndoActions, which the
// dialog owns, with its DialogTransferHost as their front end.
#pragma once

#include <QDialog>
#include <QIcon>
#include <memory>

#include "dialogs/template_builder.h"

struct Deliverable;
class CDataListCtrl;
class CDriveLabel;
class ControlLock;
class DialogTransferHost;
class ExternalPanel;
class QMenu;
class SystemPanel;
class TransferActions;
class UndoActions;

class CMaintenanceDlg : public QDialog {
    Q_OBJECT
public:
    explicit CMaintenanceDlg(const Deliverable& deliverable, QWidget* parent = nullptr);
    ~CMaintenanceDlg() override;

    QWidget* GetDlgItem(int id) const;
    int DoModal();

public slots:
    // The program is asked to end: a running transfer stops at its next safe point
    // and the dialog closes after it; without one the dialog closes now.
    void OnTerminationRequest();
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    // The user's actions; the controls and the system menu call them.
    void OnKickIdle();
    void OnSelchangeDrive();
    void OnSelchangeFolder();
    void OnSaveButton();
    void OnRegisterButton();
    void OnNewFolderButton();
    void OnToggleSystemSelection();
    void OnToggleExternalSelection();
    void OnSysCommand(unsigned command);
    // Safety net: undo the last register, or one chosen from the restore points.
    void OnUndoLastRegister();
    void OnRestorePointList();

private:
    friend class CMaintenanceDlgTestProbe;

    void CreateControls();
    void ReadCatalogue();
    void OnInitDialog();
    bool IsTransferBusy() const;
    // The dialog's own system menu (Shift+F10, the Menu key, Alt+Space, a right
    // click on the background).
    QMenu* BuildSystemMenu();
    // The menu at the window's top left corner, its first entry highlighted.
    void OpenSystemMenuFromKeyboard();

    const Deliverable& m_deliverable;
    BuiltDialog m_controls;

    // Members in the order the dialog declares them.
    CDataListCtrl* m_listSystem = nullptr;
    CDataListCtrl* m_listExternal = nullptr;
    CDriveLabel* m_labelDrive = nullptr;
    QIcon m_hIcon;
    std::unique_ptr<SystemPanel> m_pSystem;
    std::unique_ptr<ExternalPanel> m_pExternal;
    std::unique_ptr<ControlLock> m_pLock;
    std::unique_ptr<DialogTransferHost> m_pHost;
    std::unique_ptr<TransferActions> m_pTransfers;
    std::unique_ptr<UndoActions> m_pUndo;

    bool m_bInitialised = false;
    bool m_bInKickIdle = false;
};
