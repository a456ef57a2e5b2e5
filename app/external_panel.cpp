// The right pane: the drive, its maintenance folders and what the chosen one
// holds, and the free space of both panes' drives.
#include <QComboBox>
#include <QLabel>
#include <cctype>
#include <cstdio>

#include "app/maintenance_dlg.h"
#include "dialogs/message_box.h"
#include "catalogue/folder_names.h"
#include "catalogue/file_limits.h"
#include "catalogue/folder_index_file.h"
#include "controls/data_list_ctrl.h"
#include "controls/drive_combo_box.h"
#include "controls/qt_cp932.h"
#include "dialogs/wait_cursor.h"
#include "host/odisk.h"
#include "platform/win32.h"
#include "resources/deliverable.h"
#include "transfer/transfer_texts.h"
#include "platform/drive_letter.h"

void CMaintenanceDlg::UpdateExternalRoot() {
    int index = m_comboDrive->GetCurSel();
    if (index < 0) {
        m_strExternalRoot.clear();
        return;
    }
    int drive = m_comboDrive->GetItemDrive(index);
    const auto letter = platform::DriveLetter::FromNumber(drive);
    if (!letter) {
        m_strExternalRoot.clear();
        return;
    }
    m_strExternalRoot = letter->Root() + m_deliverable.files.externalRoot;
    m_nExternalDrive = drive;
}

void CMaintenanceDlg::OnSelchangeDrive() {
    UpdateExternalRoot();
    RefreshPane(Pane::External);
}

void CMaintenanceDlg::OnSelchangeFolder() {
    m_nFolderSel = m_comboFolder->currentIndex();
    ReloadFolders(Pane::External);
}

void CMaintenanceDlg::RefreshPane(Pane pane) {
    ReloadFolders(pane);
    ShowFreeSpace(pane);
    if (!m_strSystemPath.empty() && !m_strExternalRoot.empty() &&
        std::toupper(static_cast<unsigned char>(m_strSystemPath[0])) ==
            std::toupper(static_cast<unsigned char>(m_strExternalRoot[0])))
        ShowFreeSpace(OtherPane(pane));
}

void CMaintenanceDlg::ReloadFolders(Pane pane) {
    if (pane == Pane::External) {
        m_comboFolder->clear();
        m_bFolderOverride = false;
        m_comboFolder->setPlaceholderText(QString());
        EnumFolders(*m_comboFolder);
        SelectFolder(m_nFolderSel);
    }
    LoadList(pane);
}

int CMaintenanceDlg::EnumFolders(QComboBox& combo) {
    // With no drive chosen there is no root to list: the box stays empty rather
    // than showing the folders of whatever drive is current.
    const std::vector<FolderInfo> folders = ListMaintenanceFolders(m_strExternalRoot);
    for (const FolderInfo& folder : folders) {
        if (&combo == m_comboFolder)
            AddFolderSorted(FromCp932(folder.boxText));
        else
            combo.addItem(FromCp932(folder.boxText));
    }
    return static_cast<int>(folders.size());
}

int CMaintenanceDlg::AddFolderSorted(const QString& name) {
    // The box sorts as a sorted Windows combo box does: case-insensitively,
    // a new entry after its equals.
    int at = 0;
    while (at < m_comboFolder->count() && QString::compare(m_comboFolder->itemText(at), name, Qt::CaseInsensitive) <= 0) ++at;
    m_comboFolder->insertItem(at, name);
    return at;
}

void CMaintenanceDlg::SelectFolder(int index) {
    m_comboFolder->setCurrentIndex(index >= 0 && index < m_comboFolder->count() ? index : -1);
}

void CMaintenanceDlg::SetFolderText(const std::string& cp932) {
    QString text = FromCp932(cp932);
    int index = m_comboFolder->findText(text, Qt::MatchFixedString);
    if (index >= 0) {
        m_comboFolder->setCurrentIndex(index);
        m_bFolderOverride = false;
        return;
    }
    m_comboFolder->setCurrentIndex(-1);
    m_comboFolder->setPlaceholderText(text);
    m_strFolderOverride = cp932;
    m_bFolderOverride = true;
}

std::string CMaintenanceDlg::FolderName() const {
    if (m_comboFolder->currentIndex() < 0) return m_bFolderOverride ? m_strFolderOverride : std::string();
    return ToCp932(m_comboFolder->currentText());
}

const std::string& CMaintenanceDlg::PanePath(Pane pane) const {
    return pane == Pane::System ? m_strSystemPath : m_strExternalRoot;
}

void CMaintenanceDlg::ShowFreeSpace(Pane pane) {
    const std::string& path = PanePath(pane);
    QString text = QStringLiteral("空きﾃﾞｨｽｸ容量: ");
    int drive = path.empty() ? -1 : std::toupper(static_cast<unsigned char>(path[0])) - 'A';
    if (platform::IsDriveNumber(drive)) {
        ODiskSize free = ODiskNo(static_cast<unsigned char>(drive)).GetFreeSize();
        text += FromCp932(free.ToString(0xFFFFFFFF));
    }
    const int id = pane == Pane::System ? m_deliverable.ids.freeSystem : m_deliverable.ids.freeExternal;
    if (auto* label = qobject_cast<QLabel*>(GetDlgItem(id))) label->setText(text);
}

void CMaintenanceDlg::LoadList(Pane pane) {
    WaitCursor wait;
    m_bSelectAllSystem = 0;
    m_bSelectAllExternal = 0;
    if (pane == Pane::System) {
        m_listSystem->LoadItems(ListMode::Catalogue, m_strCatalogPath.c_str(), nullptr);
        return;
    }
    if (m_strExternalRoot.empty()) {
        // No drive: nothing is held anywhere.
        for (int32_t i = 0; i < m_nDataCount; ++i) m_pFolderPresence[static_cast<size_t>(i)] = 0;
        m_listExternal->LoadItems(ListMode::HeldByFolder, nullptr, nullptr);
        return;
    }
    std::string folderPath = m_strExternalRoot + "\\" + FolderName();
    std::string indexPath = FolderIndexFile::PathFor(folderPath, m_deliverable.files.indexFile);
    if (file_limits::RefusedAsTooLarge(indexPath.c_str(), file_limits::kMaxIndexFileBytes)) {
        // Not read at all: the folder lists nothing, and the user learns which file.
        for (int32_t i = 0; i < m_nDataCount; ++i) m_pFolderPresence[static_cast<size_t>(i)] = 0;
        m_listExternal->LoadItems(ListMode::HeldByFolder, nullptr, nullptr);
        ShowFileTooLarge(indexPath);
        return;
    }
    for (int32_t i = 0; i < m_nDataCount; ++i) m_pFolderPresence[static_cast<size_t>(i)] = FolderIndexFile::ReadFlag(indexPath, i);
    m_listExternal->LoadItems(ListMode::HeldByFolder, m_strCatalogPath.c_str(), folderPath.c_str());
}

void CMaintenanceDlg::ShowFileTooLarge(const std::string& path) {
    UserMessage message;
    message.text = transfer_texts::FileTooLarge(path);
    message.caption = transfer_texts::CaptionMaintenance();
    message.icon = MsgIcon::Stop;
    ShowMessageBox(this, message);
}
