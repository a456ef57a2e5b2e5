#include "app/external_panel.h"

#include <QComboBox>
#include <vector>

#include "catalogue/file_limits.h"
#include "catalogue/folder_index_file.h"
#include "catalogue/folder_names.h"
#include "controls/data_list_ctrl.h"
#include "controls/drive_combo_box.h"
#include "controls/qt_cp932.h"
#include "platform/drive_letter.h"
#include "resources/deliverable.h"

ExternalPanel::ExternalPanel(const Deliverable& deliverable, CDriveComboBox* driveBox, QComboBox* folderBox,
                             CDataListCtrl* list, QLabel* freeSpace)
    : ListPane(list, freeSpace), m_deliverable(deliverable), m_pDriveBox(driveBox), m_pFolderBox(folderBox) {}

void ExternalPanel::FillDrives(std::optional<platform::DriveLetter> drive) {
    m_pDriveBox->FillDrives();
    m_pDriveBox->SetCurSel(m_pDriveBox->FindDrive(drive));
    UpdateRoot();
}

void ExternalPanel::UpdateRoot() {
    const std::optional<platform::DriveLetter> drive = CurrentDrive();
    m_strRoot = drive ? drive->Root() + m_deliverable.files.externalRoot : std::string();
}

std::optional<platform::DriveLetter> ExternalPanel::CurrentDrive() const {
    // No selection is index -1, which holds no drive.
    return m_pDriveBox->GetItemDrive(m_pDriveBox->GetCurSel());
}

void ExternalPanel::OnFolderChosen() { m_nFolderSel = m_pFolderBox->currentIndex(); }

void ExternalPanel::ReloadFolders() {
    m_pFolderBox->clear();
    m_bHasFolderOverride = false;
    m_pFolderBox->setPlaceholderText(QString());
    // With no drive chosen there is no root to list: the box stays empty rather
    // than showing the folders of whatever drive is current.
    for (const FolderInfo& folder : ListMaintenanceFolders(m_strRoot)) AddFolderSorted(FromCp932(folder.boxText));
    SelectFolder(m_nFolderSel);
}

int ExternalPanel::AddFolderSorted(const QString& name) {
    // The box sorts as a sorted Windows combo box does: case-insensitively,
    // a new entry after its equals.
    int at = 0;
    while (at < m_pFolderBox->count() && QString::compare(m_pFolderBox->itemText(at), name, Qt::CaseInsensitive) <= 0)
        ++at;
    m_pFolderBox->insertItem(at, name);
    return at;
}

void ExternalPanel::RemoveFolder(int position) { m_pFolderBox->removeItem(position); }

void ExternalPanel::SelectFolder(int index) {
    m_pFolderBox->setCurrentIndex(index >= 0 && index < m_pFolderBox->count() ? index : -1);
}

void ExternalPanel::SetFolderText(const std::string& cp932) {
    const QString text = FromCp932(cp932);
    const int index = m_pFolderBox->findText(text, Qt::MatchFixedString);
    if (index >= 0) {
        m_pFolderBox->setCurrentIndex(index);
        m_bHasFolderOverride = false;
        return;
    }
    m_pFolderBox->setCurrentIndex(-1);
    m_pFolderBox->setPlaceholderText(text);
    m_strFolderOverride = cp932;
    m_bHasFolderOverride = true;
}

std::string ExternalPanel::FolderName() const {
    if (m_pFolderBox->currentIndex() < 0) return m_bHasFolderOverride ? m_strFolderOverride : std::string();
    return ToCp932(m_pFolderBox->currentText());
}

void ExternalPanel::HoldPresence(std::unique_ptr<int32_t[]> presence, int32_t count) {
    m_pPresence = std::move(presence);
    m_nDataCount = m_pPresence ? count : 0;
}

std::string ExternalPanel::LoadList(const std::string& catalogPath) {
    int32_t* presence = m_pPresence.get();
    auto nothingHeld = [&] {
        for (int32_t i = 0; i < m_nDataCount; ++i) presence[i] = 0;
        m_pList->LoadItems(ListMode::HeldByFolder, nullptr, nullptr);
    };
    if (m_strRoot.empty()) {
        nothingHeld();  // no drive: nothing is held anywhere
        return {};
    }
    const std::string folderPath = m_strRoot + "\\" + FolderName();
    std::string indexPath = FolderIndexFile::PathFor(folderPath, m_deliverable.files.indexFile);
    if (file_limits::RefusedAsTooLarge(indexPath.c_str(), file_limits::kMaxIndexFileBytes)) {
        nothingHeld();  // not read at all: the folder lists nothing
        return indexPath;
    }
    {
        const FolderIndexFile::FlagSnapshot flags(indexPath);  // one freshness check for every flag
        for (int32_t i = 0; i < m_nDataCount; ++i) presence[i] = flags.ReadFlag(i);
    }
    m_pList->LoadItems(ListMode::HeldByFolder, catalogPath.c_str(), folderPath.c_str());
    return {};
}
