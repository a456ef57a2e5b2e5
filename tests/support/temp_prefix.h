// A throw-away Wine-style prefix for tests: dosdevices links, drive folders and
// system.reg drive types. WINEPREFIX points at it for the object's lifetime.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "platform/cp932.h"

class TempPrefix {
public:
    // Creates the prefix with C: (drive_c, holding "windows") and Z: -> "/".
    TempPrefix();
    ~TempPrefix();
    TempPrefix(const TempPrefix&) = delete;
    TempPrefix& operator=(const TempPrefix&) = delete;

    const std::string& Dir() const { return m_dir; }
    // Host folder of drive C: ("<prefix>/drive_c").
    std::string DriveC() const { return m_dir + "/drive_c"; }

    // Makes folder "<prefix>/drive_<l>" and the link "<l>:" to it; `type` is
    // written to system.reg unless empty ("hd", "floppy", "cdrom", ...).
    // Returns the host folder.
    std::string AddDrive(char letter, const std::string& type = "");
    // Points "<l>:" at any host path (which may not exist: a drive without medium).
    void LinkDrive(char letter, const std::string& hostTarget);
    void UnlinkDrive(char letter);
    void SetDriveType(char letter, const std::string& type);

private:
    void WriteSystemReg();
    std::string m_dir;
    std::string m_oldPrefix;
    bool m_hadOldPrefix = false;
    std::map<char, std::string> m_types;
};

// CP932 bytes of a UTF-8 literal: W("データ数").
inline std::string W(std::string_view utf8) { return platform::Utf8ToCp932(utf8); }

// Host file helpers (host paths, raw bytes).
void WriteHostFile(const std::string& hostPath, std::string_view bytes);
std::string ReadHostFile(const std::string& hostPath);
bool HostExists(const std::string& hostPath);
void MakeHostDirs(const std::string& hostPath);
// A fresh empty host folder under the system temp folder, removed by the caller.
std::string MakeTempDir();
void RemoveHostTree(const std::string& hostPath);
