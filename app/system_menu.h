// The main dialog's own system menu: on Linux the window manager owns the title
// bar's menu (and most keep Alt+Space for it), so Shift+F10, the Menu key,
// Alt+Space where the window manager lets it through and a right click on the
// background open this one. Its entries send the dialog's OnSysCommand codes.
#pragma once

#include <QString>
#include <functional>

class QKeyEvent;
class QMenu;
class QWidget;

namespace system_menu {
constexpr unsigned kIdmAboutBox = 0x0010;
constexpr unsigned kIdmUndoRegister = 0x0020;
constexpr unsigned kIdmRestorePoints = 0x0030;
constexpr unsigned kIdmCompare = 0x0040;
constexpr unsigned kScMove = 0xF010;
constexpr unsigned kScClose = 0xF060;
}  // namespace system_menu

// What the entries' states follow.
struct SystemMenuState {
    bool busy = false;             // a transfer runs: nothing that closes or writes
    bool undoable = false;         // a restore point not used yet is kept
    bool anyRestorePoint = false;  // any restore point is kept
    bool folderChosen = false;     // a drive with a maintenance root is chosen
    QString aboutText;             // empty leaves the about entry out
};

// A menu that deletes itself when closed; each entry calls `command` with its code.
QMenu* MakeSystemMenu(QWidget* parent, const SystemMenuState& state, const std::function<void(unsigned)>& command);

// Whether `key` opens that menu: Shift+F10, the Menu key or Alt+Space.
bool IsMenuKey(const QKeyEvent& key);
