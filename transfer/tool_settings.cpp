#include "transfer/tool_settings.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/profile_file.h"

namespace {
// The XDG rule: the variable when it holds an absolute path, else $HOME + fallback.
std::string UserFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') return value;
    const char* home = std::getenv("HOME");
    return std::string(home && home[0] ? home : "/tmp") + fallback;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A whole decimal number in [low, high], or `fallback`.
int ParseInt(std::string_view text, int low, int high, int fallback) {
    if (text.empty() || text.size() > 9) return fallback;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return fallback;
        value = value * 10 + (c - '0');
    }
    return value < low || value > high ? fallback : value;
}
}  // namespace

std::string ToolSettingsPath(const std::string& program) {
    return UserFolder("XDG_CONFIG_HOME", "/.config") + "/" + Lower(program) + "/settings.ini";
}

std::string RestorePointRoot(const std::string& program) {
    return UserFolder("XDG_DATA_HOME", "/.local/share") + "/" + Lower(program) + "/restore-points";
}

std::string LockFolder(const std::string& program) {
    return UserFolder("XDG_DATA_HOME", "/.local/share") + "/" + Lower(program) + "/locks";
}

ToolSettings LoadToolSettings(const std::string& hostPath) {
    ToolSettings settings;
    std::ifstream in(hostPath, std::ios::binary);
    if (!in) return settings;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) return settings;
    const platform::profile::ProfileFile file(bytes.str());
    const platform::profile::Section* section = file.FindSection("General");
    if (!section) return settings;
    if (const auto* line = file.FindKey(*section, "Verify"))
        settings.verify = ParseInt(file.ValueOf(*line), 0, 1, settings.verify ? 1 : 0) != 0;
    if (const auto* line = file.FindKey(*section, "RestorePoints"))
        settings.restorePoints = ParseInt(file.ValueOf(*line), 0, kMaxRestorePoints, settings.restorePoints);
    return settings;
}
