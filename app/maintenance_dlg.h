// The main dialog: both panes, the drive and folder choice, and the user's
// actions. It owns the catalogue table, the present flags and the transfer list.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>
#include <string>

#include "catalogue/catalogue_entry.h"
#include "dialogs/progress_dlg.h"
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


class CMaintenanceDlg : public QDialog, public OperationHost {
    Q_OBJECT
public:
    explicit CMaintenanceDlg(const Deliverable& deliverable, QWidget* parent = nullptr);
    ~CMaintenanceDlg() override;

    const Deliverable& GetDeliverable() const { return m_deliverable; }
    QWidget* GetDlgItem(int id) const;
    int DoModal();

    // Start-up and command state.
    void OnInitDialog();
    void OnKickIdle();
    bool IsTransferBusy() const { return m_bTransferBusy; }

    // External destination panel.
    void UpdateExternalRoot();
    void OnSelchangeDrive();
    void OnSelchangeFolder();
    void RefreshPane(Pane pane) override;
    void ReloadFolders(Pane pane);
    int EnumFolders(QComboBox& combo);
    const std::string& PanePath(Pane pane) const;
    CDataListCtrl& PaneList(Pane pane) const;
    void ShowFreeSpace(Pane pane);
    void LoadList(Pane pane);
    // The stop box naming a profile file refused for its size.
    void ShowFileTooLarge(const std::string& path);

    // The user's actions.
    void OnSaveButton();
    void OnRegisterButton();
    void OnNewFolderButton();
    void OnToggleSystemSelection();
    void OnToggleExternalSelection();
    void OnSysCommand(unsigned command);
    // Safety net: undo the last register, or one chosen from the restore points.
    void OnUndoLastRegister();
    void OnRestorePointList();
    RestorePointStore RestorePoints() const;

    // The transfer, run by the engine with this dialog as its front end.
    int BuildTransferList(Direction direction);
    uint32_t RunTransfer(Direction direction);
    void SetTransferBusy(bool busy) override;

    // TransferHost
    bool IsSystemRowSelected(int row) const override;
    bool IsExternalRowSelected(int row) const override;
    std::string FolderName() const override;
    int CurrentDrive() const override;
    MsgAnswer ShowMessage(const UserMessage& message) override;
    void ProcessPendingEvents() override;
    TransferObserver* Observer() override { return &m_observer; }
    const std::atomic<bool>* CancelFlag() override { return &m_cancel; }
    // What "中止" does: the running transfer stops at its next chunk.
    void CancelTransfer() { m_cancel = true; }
    // The copy runs on a worker thread; this thread serves events meanwhile and
    // shows the progress window once it has lasted kProgressDelayMs.
    TransferResult RunCopy(const std::function<TransferResult()>& copy) override;
    void ShowOutcome(const std::string& text) override;
    static constexpr int kProgressDelayMs = 500;
    // The progress window of the running or last transfer, null when none is open.
    CProgressDlg* ProgressWindow() const { return m_progress; }
    // For tests: how long a transfer runs before its window appears.
    void SetProgressDelayForTesting(int ms) { m_progressDelayMs = ms; }

    // OperationHost
    void SetFolderName(const std::string& name) override { SetFolderText(name); }
    void ClearExternalRoot() override { m_strExternalRoot.clear(); }
    void BeginWaitCursor() override;
    void EndWaitCursor() override;

    // State, readable by tests and the actions.
    const std::string& SystemPath() const { return m_strSystemPath; }
    const std::string& ExternalRoot() const { return m_strExternalRoot; }
    const std::string& CatalogPath() const { return m_strCatalogPath; }
    int32_t DataCount() const { return m_nDataCount; }
    const CatalogueEntry* Catalogue() const { return m_pCatalogue.get(); }
    const int32_t* FolderPresence() const { return m_pFolderPresence.get(); }
    int ExternalDrive() const { return m_nExternalDrive; }
    int FolderSel() const { return m_nFolderSel; }
    bool SelectAllSystem() const { return m_bSelectAllSystem != 0; }
    bool SelectAllExternal() const { return m_bSelectAllExternal != 0; }
    const TransferEngine& Transfer() const { return m_transfer; }
    QMenu* BuildSystemMenu();

    // Sets the folder box's text as a drop-down list shows it: the matching entry
    // is selected, else the text stands in the empty field until the next refill.
    void SetFolderText(const std::string& cp932);

public slots:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void FillDocInit();
    void ReadCatalogue();
    TransferContext MakeTransferContext();
    int AddFolderSorted(const QString& name);
    void SelectFolder(int index);

    const Deliverable& m_deliverable;
    BuiltDialog m_controls;

    // Members in the order the dialog declares them.
    CDataListCtrl* m_listSystem = nullptr;
    CDataListCtrl* m_listExternal = nullptr;
    CDriveLabel* m_labelDrive = nullptr;
    CDriveComboBox* m_comboDrive = nullptr;
    QComboBox* m_comboFolder = nullptr;
    QIcon m_hIcon;
    DemInitData m_docInit{};
    std::string m_strSystemPath;
    std::string m_strExternalRoot;
    std::string m_strCatalogPath;
    int32_t m_nDataCount = 0;
    std::unique_ptr<CatalogueEntry[]> m_pCatalogue;
    std::unique_ptr<int32_t[]> m_pFolderPresence;
    TransferEngine m_transfer;
    TransferObserver m_observer;
    std::atomic<bool> m_cancel{false};
    const std::thread::id m_uiThread = std::this_thread::get_id();
    // Messages asked for by the copying thread, shown once it has ended.
    std::mutex m_deferredLock;
    std::vector<UserMessage> m_deferred;
    QPointer<CProgressDlg> m_progress;
    int m_progressDelayMs = kProgressDelayMs;
    int32_t m_bSelectAllSystem = 0;
    int32_t m_bSelectAllExternal = 0;
    int32_t m_nExternalDrive = -1;
    int32_t m_nFolderSel = 0;

    bool m_bInitialised = false;
    bool m_bTransferBusy = false;
    QPointer<QWidget> m_pFocusBeforeTransfer;  // given the focus back when the transfer ends
    bool m_bInKickIdle = false;
    std::string m_strFolderOverride;  // text set into the field with no entry behind it
    bool m_bFolderOverride = false;
};
