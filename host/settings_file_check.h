// Whether the suite's settings file is where the programs look for it. Without it
// every answer of OrbisIni is empty and the catalogue shows nothing, so the dialog
// and the command line name the file instead of starting silently empty.
#pragma once

#include <string>

struct SettingsFileCheck {
    std::string windowsPath;     // CP932: OrbisIni::kSettingsFile
    std::string hostPath;        // UTF-8: the host file that path maps to now
    std::string prefix;          // UTF-8: the prefix folder in use
    bool prefixFromEnvironment;  // $WINEPREFIX named it (else the default ~/.wine)
    bool found;                  // a readable plain file is there
};

// Looks for the settings file in the current prefix (read at every call).
[[nodiscard]] SettingsFileCheck CheckSettingsFile();

// The message for a settings file that was not found (CP932, lines separated by
// '\n'): the file looked for, its host path, the prefix and how to choose another.
std::string MissingSettingsFileText(const SettingsFileCheck& check);
