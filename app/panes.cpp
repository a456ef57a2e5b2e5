#include "app/panes.h"

#include <QLabel>
#include <cctype>

#include "app/external_panel.h"
#include "app/system_panel.h"
#include "controls/qt_cp932.h"
#include "dialogs/message_box.h"
#include "dialogs/wait_cursor.h"
#include "host/odisk.h"
#include "platform/drive_letter.h"
#include "resources/ui_texts.h"
#include "transfer/transfer_texts.h"

void Panes::Refresh(Pane pane) const {
    ReloadFolders(pane);
    ShowFreeSpace(pane);
    const std::string& systemPath = m_system.Path();
    const std::string& root = m_external.Root();
    if (!systemPath.empty() && !root.empty() &&
        std::toupper(static_cast<unsigned char>(systemPath[0])) == std::toupper(static_cast<unsigned char>(root[0])))
        ShowFreeSpace(OtherPane(pane));
}

void Panes::ReloadFolders(Pane pane) const {
    if (pane == Pane::External) m_external.ReloadFolders();
    LoadList(pane);
}

void Panes::LoadList(Pane pane) const {
    WaitCursor wait;
    m_system.ResetToggle();
    m_external.ResetToggle();
    if (pane == Pane::System) {
        m_system.LoadList();
        return;
    }
    const std::string refused = m_external.LoadList(m_system.CatalogPath());
    if (!refused.empty()) ShowFileTooLarge(m_window, refused);  // the user learns which file
}

void Panes::ShowFreeSpace(Pane pane) const {
    const std::string& path = pane == Pane::System ? m_system.Path() : m_external.Root();
    QString text = ui_texts::FreeSpacePrefix();
    const auto letter = platform::DriveLetter::OfPath(path);
    if (letter)
        text += FromCp932(ODiskNo(static_cast<unsigned char>(letter->Number())).GetFreeSize().ToString(0xFFFFFFFF));
    if (QLabel* label = pane == Pane::System ? m_system.FreeSpaceLabel() : m_external.FreeSpaceLabel())
        label->setText(text);
}

void ShowFileTooLarge(QWidget& window, const std::string& path) {
    UserMessage message;
    message.text = transfer_texts::FileTooLarge(path);
    message.caption = transfer_texts::CaptionMaintenance();
    message.icon = MsgIcon::Stop;
    ShowMessageBox(&window, message);
}
