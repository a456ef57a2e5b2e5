#include "app/maintenance_dlg.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "app/control_lock.h"
#include "app/dialog_transfer_host.h"
#include "app/external_panel.h"
#include "app/panes.h"
#include "app/system_menu.h"
#include "app/system_panel.h"
#include "app/transfer_actions.h"
#include "app/undo_actions.h"
#include "catalogue/system_catalogue.h"
#include "controls/data_list_ctrl.h"
#include "controls/drive_combo_box.h"
#include "controls/drive_label.h"
#include "controls/qt_cp932.h"
#include "dialogs/about_dlg.h"
#include "dialogs/message_box.h"
#include "dialogs/new_folder_dlg.h"
#include "host/settings_file_check.h"
#include "platform/cp932.h"
#include "platform/drive_letter.h"
#include "resources/deliverable.h"
#include "transfer/maintenance_folder.h"

CMaintenanceDlg::CMaintenanceDlg(const Deliverable& deliverable, QWidget* parent)
    : QDialog(parent), m_deliverable(deliverable) {
    CreateControls();
    m_hIcon = QIcon(QString::fromUtf8(ApplicationIconPath()));
    ReadCatalogue();
}

CMaintenanceDlg::~CMaintenanceDlg() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher) disconnect(dispatcher, nullptr, this, nullptr);
    qApp->removeEventFilter(this);
}

void CMaintenanceDlg::CreateControls() {
    const MainDialogIds& ids = m_deliverable.ids;
    m_controls =
        BuildFromTemplate(this, m_deliverable.mainDialog, [&](const ControlTemplate& c, QWidget* parent) -> QWidget* {
            switch (c.kind) {
            case ControlKind::ListView: {
                auto* list = new CDataListCtrl(parent);
                list->SetIndexFileName(m_deliverable.files.indexFile);
                return list;
            }
            case ControlKind::ComboOwnerDraw: return new CDriveComboBox(parent);
            case ControlKind::StaticImage: return new CDriveLabel(parent);
            default: return nullptr;
            }
        });
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    m_listSystem = qobject_cast<CDataListCtrl*>(GetDlgItem(ids.listSystem));
    m_listExternal = qobject_cast<CDataListCtrl*>(GetDlgItem(ids.listExternal));
    m_labelDrive = qobject_cast<CDriveLabel*>(GetDlgItem(ids.labelDrive));
    auto* comboDrive = qobject_cast<CDriveComboBox*>(GetDlgItem(ids.comboDrive));
    auto* comboFolder = qobject_cast<QComboBox*>(GetDlgItem(ids.comboFolder));
    m_pSystem =
        std::make_unique<SystemPanel>(m_deliverable, m_listSystem, qobject_cast<QLabel*>(GetDlgItem(ids.freeSystem)));
    m_pExternal = std::make_unique<ExternalPanel>(m_deliverable, comboDrive, comboFolder, m_listExternal,
                                                  qobject_cast<QLabel*>(GetDlgItem(ids.freeExternal)));

    // Every control is locked during a transfer: a new folder made during a copy
    // would show as the open folder, empty, when the copy ends.
    QList<QWidget*> locked;
    for (int id : {ids.save, ids.registerButton, ids.toggleSystem, ids.toggleExternal, ids.listSystem, ids.listExternal,
                   ids.comboDrive, ids.comboFolder, ids.exit, ids.newFolder})
        if (QWidget* w = GetDlgItem(id)) locked.append(w);
    m_pLock = std::make_unique<ControlLock>(*this, locked);
    m_pHost = std::make_unique<DialogTransferHost>(*this, *m_pSystem, *m_pExternal, *m_pLock);
    m_pTransfers = std::make_unique<TransferActions>(m_deliverable, *m_pSystem, *m_pExternal, *m_pHost, *this);
    m_pUndo = std::make_unique<UndoActions>(m_deliverable, *m_pSystem, *m_pHost, *this);
    m_pHost->SetDetailsView([this](Direction direction) { m_pTransfers->OpenCompare(direction); });
    // Asked to end during the transfer: the dialog closes once the operation is over.
    connect(m_pLock.get(), &ControlLock::released, this, [this] {
        if (m_pHost->IsClosing()) QTimer::singleShot(0, this, &CMaintenanceDlg::OnTerminationRequest);
    });

    // Message map: each control answers only to this deliverable's IDs.
    auto bind = [this](int id, void (CMaintenanceDlg::*handler)()) {
        if (auto* button = qobject_cast<QPushButton*>(GetDlgItem(id)))
            connect(button, &QPushButton::clicked, this, handler);
    };
    bind(ids.save, &CMaintenanceDlg::OnSaveButton);
    bind(ids.registerButton, &CMaintenanceDlg::OnRegisterButton);
    bind(ids.toggleExternal, &CMaintenanceDlg::OnToggleExternalSelection);
    bind(ids.toggleSystem, &CMaintenanceDlg::OnToggleSystemSelection);
    bind(ids.newFolder, &CMaintenanceDlg::OnNewFolderButton);
    bind(ids.exit, &CMaintenanceDlg::reject);
    connect(comboDrive, &QComboBox::activated, this, [this](int) { OnSelchangeDrive(); });
    connect(comboFolder, &QComboBox::activated, this, [this](int) { OnSelchangeFolder(); });
    connect(m_listSystem, &CDataListCtrl::selectionChanged, this, &CMaintenanceDlg::OnKickIdle);
    connect(m_listExternal, &CDataListCtrl::selectionChanged, this, &CMaintenanceDlg::OnKickIdle);
    // The button states follow the selections whenever the event loop runs idle.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &CMaintenanceDlg::OnKickIdle);
    qApp->installEventFilter(this);
}

void CMaintenanceDlg::ReadCatalogue() {
    LoadedCatalogue loaded = m_pSystem->ReadCatalogue();
    m_pSystem->HoldCatalogue(loaded);
    m_pExternal->HoldPresence(std::move(loaded.presence), loaded.count);
    if (loaded.tooLarge) ShowFileTooLarge(*this, loaded.catalogPath);  // the lists read an empty catalogue
}

QWidget* CMaintenanceDlg::GetDlgItem(int id) const { return m_controls.byId.value(id, nullptr); }

int CMaintenanceDlg::DoModal() {
    // Without the suite's settings file there is nothing to maintain: say which
    // file was looked for and how to choose another prefix, and end, as the tool
    // does not start without its host.
    if (const SettingsFileCheck settings = CheckSettingsFile(); !settings.found) {
        UserMessage message{MissingSettingsFileText(settings), platform::Utf8ToCp932(m_deliverable.mainDialog.caption),
                            false, MsgButtons::Ok, MsgIcon::Stop};
        ShowMessageBox(nullptr, message);
        return QDialog::Rejected;
    }
    if (!m_bInitialised) OnInitDialog();
    return exec();
}

void CMaintenanceDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialised) OnInitDialog();
    QDialog::showEvent(event);
}

void CMaintenanceDlg::OnInitDialog() {
    if (m_bInitialised) return;
    m_bInitialised = true;
    setWindowIcon(m_hIcon);
    // The list columns need the controls' final client widths.
    m_listSystem->SetupColumns();
    m_listExternal->SetupColumns();

    const std::optional<platform::DriveLetter> systemDrive = platform::DriveLetter::OfPath(m_pSystem->Path());
    m_labelDrive->SetDrive(systemDrive);
    // The external panel opens on the system drive and its first folder.
    m_pExternal->FillDrives(systemDrive);
    const Panes panes(*m_pSystem, *m_pExternal, *this);
    panes.Refresh(Pane::System);
    panes.Refresh(Pane::External);
    OnKickIdle();
    // The first control in tab order that takes the focus gets it.
    for (QWidget* w : m_controls.inTabOrder) {
        if (w->isEnabled() && !w->isHidden() && w->focusPolicy() != Qt::NoFocus) {
            w->setFocus();
            break;
        }
    }
}

void CMaintenanceDlg::OnKickIdle() {
    if (m_bInKickIdle || IsTransferBusy() || !m_bInitialised) return;
    m_bInKickIdle = true;
    const MainDialogIds& ids = m_deliverable.ids;
    auto enable = [this](int id, bool on) {
        if (QWidget* w = GetDlgItem(id); w && w->isEnabled() != on) w->setEnabled(on);
    };
    enable(ids.save, m_listSystem->GetNextSelected(-1) >= 0);              // OnUpdateSave
    enable(ids.registerButton, m_listExternal->GetNextSelected(-1) >= 0);  // OnUpdateRegister
    // Buttons without a handler are disabled; those with one stay enabled.
    for (int id : {ids.editHidden, ids.deleteHidden, ids.listDeleteHidden}) enable(id, false);
    for (int id : {ids.toggleSystem, ids.toggleExternal, ids.newFolder, ids.exit}) enable(id, true);
    m_bInKickIdle = false;
}

void CMaintenanceDlg::OnToggleSystemSelection() { m_pSystem->ToggleSelection(); }

void CMaintenanceDlg::OnToggleExternalSelection() { m_pExternal->ToggleSelection(); }

void CMaintenanceDlg::OnSelchangeDrive() {
    m_pExternal->UpdateRoot();
    Panes(*m_pSystem, *m_pExternal, *this).Refresh(Pane::External);
}

void CMaintenanceDlg::OnSelchangeFolder() {
    m_pExternal->OnFolderChosen();
    Panes(*m_pSystem, *m_pExternal, *this).ReloadFolders(Pane::External);
}

// ---- the actions -----------------------------------------------------------

void CMaintenanceDlg::OnSaveButton() { m_pTransfers->Save(); }

void CMaintenanceDlg::OnRegisterButton() { m_pTransfers->Register(); }

// "新規": makes a maintenance folder with an index file that holds nothing yet.
void CMaintenanceDlg::OnNewFolderButton() {
    ExternalPanel& external = *m_pExternal;
    CNewFolderDlg dialog(m_deliverable, this);
    dialog.m_strName = external.FolderName();
    dialog.m_strRoot = external.Root();
    if (dialog.exec() != QDialog::Accepted) return;
    const std::string name = dialog.m_strName;

    const int position = external.AddFolderSorted(FromCp932(name));
    if (!CreateMaintenanceFolder(external.Root(), name, m_deliverable.files.indexFile, m_pSystem->DataCount())) {
        external.RemoveFolder(position);
        external.SelectFolder(external.FolderSel());
        UserMessage message;
        message.text = FolderCreateErrorText();
        message.caption = FolderCreateErrorCaption();
        message.icon = MsgIcon::Stop;
        ShowMessageBox(this, message);
        return;
    }
    external.SetFolderSel(position);
    Panes(*m_pSystem, external, *this).Refresh(Pane::External);
}

void CMaintenanceDlg::OnUndoLastRegister() {
    if (!IsTransferBusy()) m_pUndo->UndoLastRegister();
}

void CMaintenanceDlg::OnRestorePointList() {
    if (!IsTransferBusy()) m_pUndo->UndoChosenRegister();
}

// ---- the system menu ---------------------------------------------------------

QMenu* CMaintenanceDlg::BuildSystemMenu() {
    const std::vector<RestorePoint> points = m_pUndo->RestorePoints().List();
    SystemMenuState state;
    state.busy = IsTransferBusy();
    state.undoable = std::any_of(points.begin(), points.end(), [](const RestorePoint& p) { return !p.used; });
    state.anyRestorePoint = !points.empty();
    state.folderChosen = !m_pExternal->Root().empty();
    state.aboutText = QString::fromUtf8(m_deliverable.aboutMenuText);
    return MakeSystemMenu(this, state, [this](unsigned command) { OnSysCommand(command); });
}

void CMaintenanceDlg::OnSysCommand(unsigned command) {
    using namespace system_menu;
    switch (command & 0xFFF0) {
    case kIdmAboutBox: {
        CAboutDlg about(m_deliverable, this);
        about.exec();
        break;
    }
    case kIdmUndoRegister: OnUndoLastRegister(); break;
    case kIdmRestorePoints: OnRestorePointList(); break;
    case kIdmCompare: m_pTransfers->OpenCompare(Direction::Register); break;
    case kScMove:
        if (QWindow* window = windowHandle()) window->startSystemMove();
        break;
    case kScClose: close(); break;
    default: break;
    }
}

void CMaintenanceDlg::OpenSystemMenuFromKeyboard() {
    QMenu* menu = BuildSystemMenu();
    menu->popup(mapToGlobal(QPoint(0, 0)));
    // Opened by a key, the menu is worked by keys: the first entry is the current one.
    if (!menu->actions().isEmpty()) menu->setActiveAction(menu->actions().constFirst());
}

void CMaintenanceDlg::contextMenuEvent(QContextMenuEvent* event) {
    // Only the dialog's background: the controls keep their own menus.
    if (childAt(event->pos()) && !qobject_cast<QGroupBox*>(childAt(event->pos()))) {
        QDialog::contextMenuEvent(event);
        return;
    }
    BuildSystemMenu()->popup(event->globalPos());
}

// ---- closing -------------------------------------------------------------

bool CMaintenanceDlg::IsTransferBusy() const { return m_pLock->IsLocked(); }

void CMaintenanceDlg::accept() {
    if (IsTransferBusy()) return;  // a transfer cannot be abandoned half-way
    QDialog::accept();
}

void CMaintenanceDlg::reject() {
    if (IsTransferBusy()) return;
    QDialog::reject();
}

void CMaintenanceDlg::OnTerminationRequest() {
    m_pHost->SetClosing();
    if (IsTransferBusy()) {
        m_pHost->RequestStop();  // the lock's release closes the dialog afterwards
        return;
    }
    // A question or another window open: it ends as if cancelled.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* other = qobject_cast<QDialog*>(w); other && other != this && other->isVisible()) other->reject();
    reject();
}

void CMaintenanceDlg::closeEvent(QCloseEvent* event) {
    if (IsTransferBusy()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CMaintenanceDlg::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        // Enter presses the focused push button; no button is the default, so
        // Enter anywhere else is the OK command.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            if (button->isEnabled()) button->click();
            return;
        }
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CMaintenanceDlg::eventFilter(QObject* watched, QEvent* event) {
    // A request to quit that arrives during a transfer is dropped.
    if (IsTransferBusy() && event->type() == QEvent::Quit) return true;
    // The menu keys open the system menu wherever the focus is in this window,
    // before the focused control sees them: a list would select a row with Alt+Space
    // or open a menu of its own, and a push button would be pressed.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this && IsMenuKey(*static_cast<QKeyEvent*>(event))) {
        OpenSystemMenuFromKeyboard();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
