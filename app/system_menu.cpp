#include "app/system_menu.h"

#include <QKeyEvent>
#include <QMenu>

#include "resources/ui_texts.h"

using namespace system_menu;

QMenu* MakeSystemMenu(QWidget* parent, const SystemMenuState& state, const std::function<void(unsigned)>& command) {
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    auto add = [&](const QString& text, unsigned code, const char* name, bool enabled) {
        QAction* action = menu->addAction(text, parent, [command, code] { command(code); });
        if (name) action->setObjectName(QString::fromLatin1(name));
        action->setEnabled(enabled);
    };
    add(ui_texts::MenuMove(), kScMove, nullptr, true);
    add(ui_texts::MenuClose(), kScClose, nullptr, !state.busy);
    // Safety net: the last register can be undone while a restore point of it is kept.
    menu->addSeparator();
    add(ui_texts::MenuUndoRegister(), kIdmUndoRegister, "undoRegisterEntry", state.undoable && !state.busy);
    add(ui_texts::MenuRestorePoints(), kIdmRestorePoints, "restorePointsEntry", state.anyRestorePoint && !state.busy);
    add(ui_texts::MenuCompare(), kIdmCompare, "compareEntry", state.folderChosen && !state.busy);
    if (!state.aboutText.isEmpty()) {
        menu->addSeparator();
        add(state.aboutText, kIdmAboutBox, "aboutEntry", true);
    }
    return menu;
}

bool IsMenuKey(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    return (key.key() == Qt::Key_F10 && mods == Qt::ShiftModifier) ||
           (key.key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
           (key.key() == Qt::Key_Space && mods == Qt::AltModifier);
}
