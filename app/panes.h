// Both panes of the main dialog together: a refresh of either, which keeps the
// free-space texts of both right, and the stop box naming a file refused for its size.
#pragma once

#include <string>

#include "transfer/save_register.h"

class ExternalPanel;
class QWidget;
class SystemPanel;

class Panes {
public:
    // `window`: where the stop boxes open.
    Panes(SystemPanel& system, ExternalPanel& external, QWidget& window)
        : m_system(system), m_external(external), m_window(window) {}

    // Reloads one pane (its folders, its list, the free space of its drive), and
    // the other pane's free space when both are on one drive.
    void Refresh(Pane pane) const;
    // Refills the right pane's folder box (for that pane) and reloads the pane's list.
    void ReloadFolders(Pane pane) const;
    // Reloads one pane's list; either load starts both "選択/解除" toggles over.
    void LoadList(Pane pane) const;
    void ShowFreeSpace(Pane pane) const;

private:
    SystemPanel& m_system;
    ExternalPanel& m_external;
    QWidget& m_window;
};

// The stop box naming a profile file refused for its size.
void ShowFileTooLarge(QWidget& window, const std::string& path);
