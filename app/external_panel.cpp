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
                             CDataListCtrl* list)
    : m_deliverable(deliverable), m_driveBox(driveBox), m_folderBox(folderBox), m_list(list) {}

void ExternalPanel::FillDrives(int drive) {
    m_drive = drive;
    m_driveBox->FillDrives();
    m_driveBox->SetCurSel(m_driveBox->FindDrive(m_drive));
    UpdateRoot();
}

void ExternalPanel::UpdateRoot() {
    const int index = m_driveBox->GetCurSel();
    const auto letter = index < 0 ? std::nullopt : platform::DriveLetter::FromNumber(m_driveBox->GetItemDrive(index));
    if (!letter) {
        m_root.clear();
        return;
    }
    m_root = letter->Root() + m_deliverable.files.externalRoot;
    m_drive = letter->Number();
}

int ExternalPanel::CurrentDrive() const {
    const int index = m_driveBox->GetCurSel();
    return index < 0 ? -1 : m_driveBox->GetItemDrive(index);
}

void ExternalPanel::OnFolderChosen() { m_folderSel = m_folderBox->currentIndex(); }

void ExternalPanel::ReloadFolders() {
    m_folderBox->clear();
    m_hasFolderOverride = false;
    m_folderBox->setPlaceholderText(QString());
    EnumFolders(*m_folderBox);
    SelectFolder(m_folderSel);
}

int ExternalPanel::EnumFolders(QComboBox& combo) {
    // With no drive chosen there is no root to list: the box stays empty rather
    // than showing the folders of whatever drive is current.
    const std::vector<FolderInfo> folders = ListMaintenanceFolders(m_root);
    for (const FolderInfo& folder : folders) {
        if (&combo == m_folderBox)
            AddFolderSorted(FromCp932(folder.boxText));
        else
            combo.addItem(FromCp932(folder.boxText));
    }
    return static_cast<int>(folders.size());
}

int ExternalPanel::AddFolderSorted(const QString& name) {
    // The box sorts as a sorted Windows combo box does: case-insensitively,
    // a new entry after its equals.
    int at = 0;
    while (at < m_folderBox->count() && QString::compare(m_folderBox->itemText(at), name, Qt::CaseInsensitive) <= 0)
        ++at;
    m_folderBox->insertItem(at, name);
    return at;
}

void ExternalPanel::RemoveFolder(int position) { m_folderBox->removeItem(position); }

void ExternalPanel::SelectFolder(int index) {
    m_folderBox->setCurrentIndex(index >= 0 && index < m_folderBox->count() ? index : -1);
}

void ExternalPanel::SetFolderText(const std::string& cp932) {
    const QString text = FromCp932(cp932);
    const int index = m_folderBox->findText(text, Qt::MatchFixedString);
    if (index >= 0) {
        m_folderBox->setCurrentIndex(index);
        m_hasFolderOverride = false;
        return;
    }
    m_folderBox->setCurrentIndex(-1);
    m_folderBox->setPlaceholderText(text);
    m_folderOverride = cp932;
    m_hasFolderOverride = true;
}

std::string ExternalPanel::FolderName() const {
    if (m_folderBox->currentIndex() < 0) return m_hasFolderOverride ? m_folderOverride : std::string();
    return ToCp932(m_folderBox->currentText());
}

std::string ExternalPanel::LoadList(const std::string& catalogPath, int32_t count, int32_t* presence) {
    auto nothingHeld = [&] {
        for (int32_t i = 0; i < count; ++i) presence[i] = 0;
        m_list->LoadItems(ListMode::HeldByFolder, nullptr, nullptr);
    };
    if (m_root.empty()) {
        nothingHeld();  // no drive: nothing is held anywhere
        return {};
    }
    const std::string folderPath = m_root + "\\" + FolderName();
    std::string indexPath = FolderIndexFile::PathFor(folderPath, m_deliverable.files.indexFile);
    if (file_limits::RefusedAsTooLarge(indexPath.c_str(), file_limits::kMaxIndexFileBytes)) {
        nothingHeld();  // not read at all: the folder lists nothing
        return indexPath;
    }
    {
        const FolderIndexFile::FlagSnapshot flags(indexPath);  // one freshness check for every flag
        for (int32_t i = 0; i < count; ++i) presence[i] = flags.ReadFlag(i);
    }
    m_list->LoadItems(ListMode::HeldByFolder, catalogPath.c_str(), folderPath.c_str());
    return {};
}

bool ExternalPanel::IsRowSelected(int row) const { return m_list->IsRowSelected(row); }
