#include "host/copyright_info.h"

#include "host/orbis_ini.h"
#include "platform/win32.h"

CopyrightInfo ReadCopyrightInfo(const char* section) {
    const std::string file = OrbisIni().GetOrbisSystemDataRootPath() + "\\Copyright.ini";
    auto read = [&](const char* key) {
        // 256 bytes: at most 255 bytes of each value are shown.
        char buffer[256];
        GetPrivateProfileStringA(section, key, "", buffer, sizeof buffer, file.c_str());
        return std::string(buffer);
    };
    CopyrightInfo info;
    info.name = read("NAME");
    info.version = read("VERSION");
    info.copyright1 = read("COPYRIGHT1");
    info.copyright2 = read("COPYRIGHT2");
    return info;
}
