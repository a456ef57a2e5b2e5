#include "app/maintenance_dlg.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <cctype>
#include <cstring>

#include "catalogue/system_catalogue.h"
#include "controls/data_list_ctrl.h"
#include "controls/drive_combo_box.h"
#include "controls/drive_label.h"
#include "dialogs/message_box.h"
#include "host/orbis_ini.h"
#include "host/settings_file_check.h"
#include "platform/cp932.h"
#include "resources/deliverable.h"

namespace {

// Drive number of a path: its first character made upper case, minus 'A'.
int DriveOfPath(const std::string& path) {
    unsigned char first = path.empty() ? 0 : static_cast<unsigned char>(path[0]);
    return std::toupper(first) - 'A';
}

}  // namespace

CMaintenanceDlg::CMaintenanceDlg(const Deliverable& deliverable, QWidget* parent)
    : QDialog(parent), m_deliverable(deliverable) {
    CreateControls();
    FillDocInit();
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
    m_external = std::make_unique<ExternalPanel>(m_deliverable, comboDrive, comboFolder, m_listExternal);

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

void CMaintenanceDlg::FillDocInit() { FillStandardDocInit(m_docInit); }

void CMaintenanceDlg::ReadCatalogue() {
    std::string systemPath, catalogueFolder;
    {
        OrbisIni ini;
        systemPath = ini.GetOrbisPath(0x10000);
        catalogueFolder = ini.GetOrbisPath(0x10003);
    }
    LoadedCatalogue loaded = SystemCatalogue::Load(systemPath, catalogueFolder, m_deliverable.files.catalogueFile);
    m_strSystemPath = loaded.systemPath;
    m_external->ClearRoot();
    m_strCatalogPath = loaded.catalogPath;
    if (loaded.tooLarge) {
        ShowFileTooLarge(loaded.catalogPath);
        m_strCatalogPath.clear();  // the lists read it too: an empty catalogue everywhere
    }
    m_nDataCount = loaded.count;
    m_pCatalogue = std::move(loaded.entries);
    m_pFolderPresence = std::move(loaded.presence);
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

    int systemDrive = DriveOfPath(m_strSystemPath);
    m_labelDrive->SetDrive(systemDrive);
    // The external panel opens on the system drive and its first folder.
    m_external->FillDrives(systemDrive);
    RefreshPane(Pane::System);
    RefreshPane(Pane::External);
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
    if (m_bInKickIdle || m_bTransferBusy || !m_bInitialised) return;
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

void CMaintenanceDlg::OnToggleSystemSelection() {
    m_bSelectAllSystem = m_bSelectAllSystem == 0 ? 1 : 0;
    SelectAllRows(*m_listSystem, m_bSelectAllSystem != 0);
}

void CMaintenanceDlg::OnToggleExternalSelection() {
    m_bSelectAllExternal = m_bSelectAllExternal == 0 ? 1 : 0;
    SelectAllRows(*m_listExternal, m_bSelectAllExternal != 0);
}

// ---- closing -------------------------------------------------------------

void CMaintenanceDlg::accept() {
    if (m_bTransferBusy) return;  // a transfer cannot be abandoned half-way
    QDialog::accept();
}

void CMaintenanceDlg::reject() {
    if (m_bTransferBusy) return;
    QDialog::reject();
}

void CMaintenanceDlg::OnTerminationRequest() {
    m_bClosing = true;
    if (m_bTransferBusy) {
        m_host.RequestStop();  // SetTransferBusy(false) closes the dialog afterwards
        return;
    }
    // A question or another window open: it ends as if cancelled.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* other = qobject_cast<QDialog*>(w); other && other != this && other->isVisible()) other->reject();
    reject();
}

void CMaintenanceDlg::closeEvent(QCloseEvent* event) {
    if (m_bTransferBusy) {
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
    if (m_bTransferBusy && event->type() == QEvent::Quit) return true;
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
