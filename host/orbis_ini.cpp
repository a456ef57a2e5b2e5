// Where the installed suite keeps its data, read from its settings file.
#include "host/orbis_ini.h"

#include <cstdio>
#include <vector>

#include "platform/cp932_walk.h"
#include "platform/win32.h"

const char OrbisIni::kSettingsFile[] = "C:\\windows\\ORBIS.INI";

namespace {

std::string ReadValue(const char* section, const char* key) {
    // Grow the buffer until the value fits (a value that fills it exactly is cut).
    for (DWORD size = 1024; size <= 65536; size *= 4) {
        std::vector<char> buf(size, '\0');
        const DWORD n = GetPrivateProfileStringA(section, key, "", buf.data(), size, OrbisIni::kSettingsFile);
        if (n < size - 1) return std::string(buf.data(), n);
    }
    return {};
}

// Removes trailing separators that are characters of their own: the second byte of
// a double-byte character such as 表 (95 5C) is never taken for a backslash.
std::string WithoutTrailingSeparators(const std::string& path) {
    std::vector<size_t> starts;  // start of every character
    platform::ForEachCp932Char(path, [&](size_t i, size_t) { starts.push_back(i); });
    size_t end = path.size();
    while (!starts.empty()) {
        const size_t last = starts.back();
        if (end - last != 1 || (path[last] != '\\' && path[last] != '/')) break;
        end = last;
        starts.pop_back();
    }
    return path.substr(0, end);
}

}  // namespace

OrbisIni::OrbisIni() = default;
OrbisIni::~OrbisIni() = default;

std::string OrbisIni::GetOrbisPath(unsigned selector) const {
    char key[16];
    std::snprintf(key, sizeof key, "%X", selector);
    return WithoutTrailingSeparators(ReadValue("OrbisPath", key));
}

std::string OrbisIni::GetOrbisSystemDataRootPath() const {
    return WithoutTrailingSeparators(ReadValue("System", "DataRoot"));
}

std::string OrbisIni::GetSystemDocTempPath(unsigned, unsigned) const {
    return WithoutTrailingSeparators(ReadValue("System", "DocTemp"));
}
