// "新規": makes a maintenance folder with an index file that holds nothing yet.
#include <QComboBox>

#include "app/maintenance_dlg.h"
#include "controls/qt_cp932.h"
#include "dialogs/message_box.h"
#include "dialogs/new_folder_dlg.h"
#include "resources/deliverable.h"
#include "transfer/maintenance_folder.h"

void CMaintenanceDlg::OnNewFolderButton() {
    CNewFolderDlg dialog(m_deliverable, this);
    dialog.m_strName = FolderName();
    dialog.m_strRoot = m_external->Root();
    if (dialog.exec() != QDialog::Accepted) return;
    const std::string name = dialog.m_strName;

    const int position = m_external->AddFolderSorted(FromCp932(name));
    auto fail = [&] {
        m_external->RemoveFolder(position);
        m_external->SelectFolder(m_external->FolderSel());
        UserMessage message;
        message.text = FolderCreateErrorText();
        message.caption = FolderCreateErrorCaption();
        message.icon = MsgIcon::Stop;
        ShowMessageBox(this, message);
    };

    if (!CreateMaintenanceFolder(m_external->Root(), name, m_deliverable.files.indexFile, m_nDataCount)) {
        fail();
        return;
    }
    m_external->SetFolderSel(position);
    RefreshPane(Pane::External);
}
