// The program's own settings, $XDG_CONFIG_HOME/<program>/settings.ini, and the
// user folders it keeps its data in. A missing or unreadable file means the
// defaults; a value that does not parse is ignored with its default.
#pragma once

#include <string>

struct ToolSettings {
    bool verify = true;      // [General] Verify=1: read back every written file
    int restorePoints = 20;  // [General] RestorePoints=20: 0 keeps none
};

inline constexpr int kMaxRestorePoints = 1000;

// "$XDG_CONFIG_HOME/<program>/settings.ini" (~/.config when unset or relative);
// `program` is lower-cased ("Quillmark" -> "quillmark").
std::string ToolSettingsPath(const std::string& program);

// "$XDG_DATA_HOME/<program>/restore-points" (~/.local/share when unset or relative).
std::string RestorePointRoot(const std::string& program);

// "$XDG_DATA_HOME/<program>/locks": the installation locks (transfer_lock.h).
std::string LockFolder(const std::string& program);

ToolSettings LoadToolSettings(const std::string& hostPath);
