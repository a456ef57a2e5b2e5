// "新規": makes a maintenance folder with an index file that holds nothing yet.
#include <QComboBox>

#include "app/folder_names.h"
#include "app/maintenance_dlg.h"
#include "catalogue/folder_index_file.h"
#include "controls/qt_cp932.h"
#include "dialogs/message_box.h"
#include "dialogs/new_folder_dlg.h"
#include "resources/deliverable.h"
#include "transfer/folder_path.h"

namespace {
// The index file path must fit the 128-byte buffers a Windows build keeps it in.
constexpr size_t kMaxIndexPath = 127;
}  // namespace

void CMaintenanceDlg::OnNewFolderButton() {
    CNewFolderDlg dialog(m_deliverable, this);
    dialog.m_strName = FolderName();
    dialog.m_strRoot = m_strExternalRoot;
    if (dialog.exec() != QDialog::Accepted) return;
    const std::string name = dialog.m_strName;

    int position = AddFolderSorted(FromCp932(name));
    auto fail = [&] {
        m_comboFolder->removeItem(position);
        SelectFolder(m_nFolderSel);
        UserMessage message;
        message.text = platform::Utf8ToCp932("フォルダ作成エラーです！\n空き容量・書き込み禁止の確認等を行ってください");
        message.caption = platform::Utf8ToCp932("設定データ保守");
        message.icon = MsgIcon::Stop;
        ShowMessage(message);
    };

    const std::string folderPath = m_strExternalRoot + "\\" + name;
    const std::string indexPath = FolderIndexFile::PathFor(folderPath, m_deliverable.files.indexFile);
    // No drive chosen, a name that is not one folder, or a path too long for the
    // index file: nothing is made.
    if (m_strExternalRoot.empty() || !IsSingleFolderName(name) || indexPath.size() > kMaxIndexPath) {
        fail();
        return;
    }
    if (CreateFolderPath(indexPath.c_str()) == 0 || !PathExists(folderPath.c_str())) {
        fail();
        return;
    }
    m_nFolderSel = position;
    FolderIndexFile::WriteNew(indexPath, m_nDataCount);
    RefreshPane(1);
}
