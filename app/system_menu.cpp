// The dialog's own system menu: on Linux the window manager owns the title
// bar's menu, so Alt+Space and a right click on the background open this one.
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QMenu>
#include <QWindow>

#include "app/maintenance_dlg.h"
#include "dialogs/about_dlg.h"
#include "resources/deliverable.h"

namespace {
constexpr unsigned kIdmAboutBox = 0x0010;
constexpr unsigned kScMove = 0xF010;
constexpr unsigned kScClose = 0xF060;
}  // namespace

QMenu* CMaintenanceDlg::BuildSystemMenu() {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("移動(&M)"), this, [this] { OnSysCommand(kScMove); });
    QAction* close = menu->addAction(QStringLiteral("閉じる(&C)\tAlt+F4"), this, [this] { OnSysCommand(kScClose); });
    close->setEnabled(!m_bTransferBusy);
    QString about = QString::fromUtf8(m_deliverable.aboutMenuText);
    if (!about.isEmpty()) {
        menu->addSeparator();
        QAction* entry = menu->addAction(about, this, [this] { OnSysCommand(kIdmAboutBox); });
        entry->setObjectName(QStringLiteral("aboutEntry"));
    }
    return menu;
}

void CMaintenanceDlg::OnSysCommand(unsigned command) {
    if ((command & 0xFFF0) == kIdmAboutBox) {
        CAboutDlg about(m_deliverable, this);
        about.exec();
        return;
    }
    switch (command & 0xFFF0) {
    case kScMove:
        if (QWindow* window = windowHandle()) window->startSystemMove();
        break;
    case kScClose:
        close();
        break;
    default:
        break;
    }
}

void CMaintenanceDlg::contextMenuEvent(QContextMenuEvent* event) {
    // Only the dialog's background: the controls keep their own menus.
    if (childAt(event->pos()) && !qobject_cast<QGroupBox*>(childAt(event->pos()))) {
        QDialog::contextMenuEvent(event);
        return;
    }
    BuildSystemMenu()->popup(event->globalPos());
}
