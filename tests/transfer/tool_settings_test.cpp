// The program's own settings file: defaults for what is missing or bad, and the
// user folders it lives in.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "tests/support/temp_prefix.h"
#include "transfer/tool_settings.h"

namespace {

using namespace std::literals;

struct SettingsCase {
    const char* name;
    bool file;
    std::string_view text;
    bool verify;
    int restorePoints;
};

TEST(ToolSettings, ValuesDefaultsAndBadValues) {
    const SettingsCase cases[] = {
        {"no file", false, "", true, 20},
        {"empty", true, ""sv, true, 20},
        {"both set", true, "[General]\nVerify=0\nRestorePoints=5\n"sv, false, 5},
        {"CRLF, blanks, any case", true, "[general]\r\n verify = 0 \r\nRESTOREPOINTS=0\r\n"sv, false, 0},
        {"other section only", true, "[Other]\nVerify=0\nRestorePoints=3\n"sv, true, 20},
        {"verify not 0 or 1", true, "[General]\nVerify=2\nRestorePoints=7\n"sv, true, 7},
        {"verify text", true, "[General]\nVerify=no\n"sv, true, 20},
        {"negative count", true, "[General]\nRestorePoints=-1\nVerify=0\n"sv, false, 20},
        {"huge count", true, "[General]\nRestorePoints=99999999999\n"sv, true, 20},
        {"count with unit", true, "[General]\nRestorePoints=5x\n"sv, true, 20},
        {"largest count", true, "[General]\nRestorePoints=1000\n"sv, true, 1000},
        {"binary junk", true, "\xff\xfe\x00\x01[Gen\x00"sv, true, 20},
    };
    const std::string dir = MakeTempDir();
    for (const SettingsCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/settings.ini";
        std::remove(path.c_str());
        if (c.file) WriteHostFile(path, c.text);
        const ToolSettings s = LoadToolSettings(path);
        EXPECT_EQ(s.verify, c.verify);
        EXPECT_EQ(s.restorePoints, c.restorePoints);
    }
    RemoveHostTree(dir);
}

TEST(ToolSettings, FoldersFollowXdgAndFallBackOnHome) {
    const std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
    setenv("HOME", "/home/tech", 1);
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    setenv("XDG_DATA_HOME", "/data", 1);
    EXPECT_EQ(ToolSettingsPath("Quillmark"), "/cfg/quillmark/settings.ini");
    EXPECT_EQ(RestorePointRoot("Brightfen"), "/data/brightfen/restore-points");
    // Relative values are not to be used, as XDG says.
    setenv("XDG_CONFIG_HOME", "cfg", 1);
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(ToolSettingsPath("Quillmark"), "/home/tech/.config/quillmark/settings.ini");
    EXPECT_EQ(RestorePointRoot("Quillmark"), "/home/tech/.local/share/quillmark/restore-points");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", oldHome.c_str(), 1);
}

}  // namespace
