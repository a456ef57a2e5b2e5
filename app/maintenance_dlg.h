// The main dialog: both panes, the drive and folder choice, and the user's
// actions. It owns the catalogue table, the present flags and the transfer list.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <memory>
#include <string>

#include "app/dialog_transfer_host.h"
#include "app/external_panel.h"
#include "catalogue/catalogue_entry.h"
#include "dialogs/template_builder.h"
#include "host/dem.h"
#include "transfer/transfer_engine.h"
#include "transfer/restore_point.h"
#include "transfer/save_register.h"

struct Deliverable;
class CDataListCtrl;
class CDriveLabel;
class CDriveComboBox;
class QComboBox;
class QMenu;


class CMaintenanceDlg : public QDialog {
    Q_OBJECT
public:
    explicit CMaintenanceDlg(const Deliverable& deliverable, QWidget* parent = nullptr);
    ~CMaintenanceDlg() override;

    QWidget* GetDlgItem(int id) const;
    int DoModal();
    bool IsTransferBusy() const { return m_bTransferBusy; }

    // The panes: both read alike, the external one through its panel.
    void RefreshPane(Pane pane);
    void LoadList(Pane pane);

    // What the transfer logic asks of the dialog, through its host.
    bool IsSystemRowSelected(int row) const;
    bool IsExternalRowSelected(int row) const;
    std::string FolderName() const;
    int CurrentDrive() const;
    // Locks every control while a transfer runs; the focus comes back afterwards.
    void SetTransferBusy(bool busy);
    void ClearExternalRoot() { m_external->ClearRoot(); }
    // Sets the folder box's text as a drop-down list shows it: the matching entry
    // is selected, else the text stands in the empty field until the next refill.
    void SetFolderText(const std::string& cp932);

    static constexpr int kProgressDelayMs = DialogTransferHost::kProgressDelayMs;
    // The progress window of the running or last transfer, null when none is open.
    CProgressDlg* ProgressWindow() const { return m_host.ProgressWindow(); }
    // For tests: how long a transfer runs before its window appears.
    void SetProgressDelayForTesting(int ms) { m_host.SetProgressDelay(ms); }
    // For tests: how long a successful transfer may take and still end without a window.
    void SetQuietOutcomeLimitForTesting(int ms) { m_host.SetQuietOutcomeLimit(ms); }

    // State, readable by tests and the actions.
    const std::string& ExternalRoot() const { return m_external->Root(); }
    int32_t DataCount() const { return m_nDataCount; }
    const CatalogueEntry* Catalogue() const { return m_pCatalogue.get(); }
    const int32_t* FolderPresence() const { return m_pFolderPresence.get(); }
    int FolderSel() const { return m_external->FolderSel(); }
    bool SelectAllSystem() const { return m_bSelectAllSystem != 0; }
    // The dialog's own system menu (Shift+F10, the Menu key, Alt+Space, a right
    // click on the background).
    QMenu* BuildSystemMenu();
    // Whether `key` opens that menu: Shift+F10, the Menu key or Alt+Space.
    static bool IsMenuKey(const QKeyEvent& key);

    // Set once the program was asked to end (SIGTERM, SIGHUP): nothing more is
    // asked or shown, and the dialog closes as soon as no transfer runs.
    bool IsClosing() const { return m_bClosing; }

    // The window showing what a register (from the external pane's selected rows)
    // or a save (from the system pane's) would change; every row of the pane when
    // none is selected. Modal; returns when it is closed.
    void OpenCompare(Direction direction);

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
    void OnInitDialog();
    // The menu at the window's top left corner, its first entry highlighted.
    void OpenSystemMenuFromKeyboard();
    void ReloadFolders(Pane pane);
    void ShowFreeSpace(Pane pane);
    const std::string& PanePath(Pane pane) const;
    // The stop box naming a profile file refused for its size.
    void ShowFileTooLarge(const std::string& path);
    RestorePointStore RestorePoints() const;
    void CreateControls();
    void FillDocInit();
    void ReadCatalogue();
    TransferContext MakeTransferContext();

    const Deliverable& m_deliverable;
    BuiltDialog m_controls;

    // Members in the order the dialog declares them.
    CDataListCtrl* m_listSystem = nullptr;
    CDataListCtrl* m_listExternal = nullptr;
    CDriveLabel* m_labelDrive = nullptr;
    std::unique_ptr<ExternalPanel> m_external;
    QIcon m_hIcon;
    DemInitData m_docInit{};
    std::string m_strSystemPath;
    std::string m_strCatalogPath;
    int32_t m_nDataCount = 0;
    std::unique_ptr<CatalogueEntry[]> m_pCatalogue;
    std::unique_ptr<int32_t[]> m_pFolderPresence;
    TransferEngine m_transfer;
    DialogTransferHost m_host{*this};
    int32_t m_bSelectAllSystem = 0;
    int32_t m_bSelectAllExternal = 0;

    bool m_bInitialised = false;
    bool m_bTransferBusy = false;
    bool m_bClosing = false;
    QPointer<QWidget> m_pFocusBeforeTransfer;  // given the focus back when the transfer ends
    bool m_bInKickIdle = false;
};
