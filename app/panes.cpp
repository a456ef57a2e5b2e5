// Both panes of the main dialog: their refresh, their lists and the free space of
// their drives. The right pane's own state lives in ExternalPanel.
#include <QComboBox>
#include <QLabel>
#include <cctype>

#include "app/maintenance_dlg.h"
#include "controls/data_list_ctrl.h"
#include "controls/qt_cp932.h"
#include "dialogs/message_box.h"
#include "dialogs/wait_cursor.h"
#include "host/odisk.h"
#include "platform/drive_letter.h"
#include "resources/deliverable.h"
#include "transfer/transfer_texts.h"
#include "resources/ui_texts.h"

void CMaintenanceDlg::OnSelchangeDrive() {
    m_external->UpdateRoot();
    RefreshPane(Pane::External);
}

void CMaintenanceDlg::OnSelchangeFolder() {
    m_external->OnFolderChosen();
    ReloadFolders(Pane::External);
}

void CMaintenanceDlg::RefreshPane(Pane pane) {
    ReloadFolders(pane);
    ShowFreeSpace(pane);
    const std::string& root = m_external->Root();
    if (!m_strSystemPath.empty() && !root.empty() &&
        std::toupper(static_cast<unsigned char>(m_strSystemPath[0])) ==
            std::toupper(static_cast<unsigned char>(root[0])))
        ShowFreeSpace(OtherPane(pane));
}

void CMaintenanceDlg::ReloadFolders(Pane pane) {
    if (pane == Pane::External) m_external->ReloadFolders();
    LoadList(pane);
}

void CMaintenanceDlg::SetFolderText(const std::string& cp932) { m_external->SetFolderText(cp932); }

std::string CMaintenanceDlg::FolderName() const { return m_external->FolderName(); }

const std::string& CMaintenanceDlg::PanePath(Pane pane) const {
    return pane == Pane::System ? m_strSystemPath : m_external->Root();
}

void CMaintenanceDlg::ShowFreeSpace(Pane pane) {
    const std::string& path = PanePath(pane);
    QString text = ui_texts::FreeSpacePrefix();
    const auto letter = path.empty() ? std::nullopt : platform::DriveLetter::FromLetter(path[0]);
    if (letter)
        text += FromCp932(ODiskNo(static_cast<unsigned char>(letter->Number())).GetFreeSize().ToString(0xFFFFFFFF));
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
    const std::string refused = m_external->LoadList(m_strCatalogPath, m_nDataCount, m_pFolderPresence.get());
    if (!refused.empty()) ShowFileTooLarge(refused);  // the user learns which file
}

void CMaintenanceDlg::ShowFileTooLarge(const std::string& path) {
    UserMessage message;
    message.text = transfer_texts::FileTooLarge(path);
    message.caption = transfer_texts::CaptionMaintenance();
    message.icon = MsgIcon::Stop;
    ShowMessageBox(this, message);
}
