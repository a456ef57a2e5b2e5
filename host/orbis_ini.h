// Host settings library: where the installed suite keeps its data.
// The stand-in reads the suite's settings file "C:\windows\ORBIS.INI" in the prefix
// (see README, "The host suite's settings"). Answers are CP932 Windows paths without
// a trailing backslash; a missing file or key gives "".
#pragma once

#include <string>

class OrbisIni {
public:
    // The settings file, a CP932 Windows path.
    static const char kSettingsFile[];

    OrbisIni();
    virtual ~OrbisIni();

    // 0x10000: the system data root; 0x10003: the folder of the system catalogue.
    std::string GetOrbisPath(unsigned selector) const;
    std::string GetOrbisSystemDataRootPath() const;
    // The folder for scratch documents handed to DEM::Init.
    std::string GetSystemDocTempPath(unsigned a, unsigned b) const;
};
