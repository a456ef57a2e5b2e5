// The dialog's own system menu: on Linux the window manager owns the title
// bar's menu (and most keep Alt+Space for it), so Shift+F10, the Menu key,
// Alt+Space where the window manager lets it through and a right click on the
// background open this one.
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenu>
#include <QWindow>
#include <algorithm>

#include "app/maintenance_dlg.h"
#include "dialogs/about_dlg.h"
#include "resources/deliverable.h"
#include "resources/ui_texts.h"

namespace {
constexpr unsigned kIdmAboutBox = 0x0010;
constexpr unsigned kIdmUndoRegister = 0x0020;
constexpr unsigned kIdmRestorePoints = 0x0030;
constexpr unsigned kIdmCompare = 0x0040;
constexpr unsigned kScMove = 0xF010;
constexpr unsigned kScClose = 0xF060;
}  // namespace

QMenu* CMaintenanceDlg::BuildSystemMenu() {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(ui_texts::MenuMove(), this, [this] { OnSysCommand(kScMove); });
    QAction* close = menu->addAction(ui_texts::MenuClose(), this, [this] { OnSysCommand(kScClose); });
    close->setEnabled(!m_bTransferBusy);
    // Safety net: the last register can be undone while a restore point of it is kept.
    menu->addSeparator();
    const std::vector<RestorePoint> points = RestorePoints().List();
    const bool undoable = std::any_of(points.begin(), points.end(), [](const RestorePoint& p) { return !p.used; });
    QAction* undo = menu->addAction(ui_texts::MenuUndoRegister(), this, [this] { OnSysCommand(kIdmUndoRegister); });
    undo->setObjectName(QStringLiteral("undoRegisterEntry"));
    undo->setEnabled(undoable && !m_bTransferBusy);
    QAction* list = menu->addAction(ui_texts::MenuRestorePoints(), this, [this] { OnSysCommand(kIdmRestorePoints); });
    list->setObjectName(QStringLiteral("restorePointsEntry"));
    list->setEnabled(!points.empty() && !m_bTransferBusy);
    QAction* compare = menu->addAction(ui_texts::MenuCompare(), this, [this] { OnSysCommand(kIdmCompare); });
    compare->setObjectName(QStringLiteral("compareEntry"));
    compare->setEnabled(!ExternalRoot().empty() && !m_bTransferBusy);
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
    case kIdmUndoRegister: OnUndoLastRegister(); break;
    case kIdmRestorePoints: OnRestorePointList(); break;
    case kIdmCompare: OpenCompare(Direction::Register); break;
    case kScMove:
        if (QWindow* window = windowHandle()) window->startSystemMove();
        break;
    case kScClose: close(); break;
    default: break;
    }
}

bool CMaintenanceDlg::IsMenuKey(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    return (key.key() == Qt::Key_F10 && mods == Qt::ShiftModifier) ||
           (key.key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
           (key.key() == Qt::Key_Space && mods == Qt::AltModifier);
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
