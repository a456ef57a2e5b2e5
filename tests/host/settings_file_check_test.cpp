// Finding the suite's settings file, and the message that names it when it is missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "host/settings_file_check.h"
#include "tests/support/temp_prefix.h"

namespace {

// Sets or clears an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

struct Layout {
    const char* what;
    void (*arrange)(TempPrefix& prefix);
    const char* hostPathTail;  // below the prefix
    bool found;
};

const Layout kLayouts[] = {
    {"the file as named", [](TempPrefix& p) { WriteHostFile(p.DriveC() + "/windows/ORBIS.INI", "[System]\r\n"); },
     "/drive_c/windows/ORBIS.INI", true},
    {"the name in other case, as Windows finds it",
     [](TempPrefix& p) { WriteHostFile(p.DriveC() + "/windows/orbis.ini", ""); }, "/drive_c/windows/orbis.ini", true},
    {"no file", [](TempPrefix&) {}, "/drive_c/windows/ORBIS.INI", false},
    {"a folder of that name", [](TempPrefix& p) { MakeHostDirs(p.DriveC() + "/windows/ORBIS.INI"); },
     "/drive_c/windows/ORBIS.INI", false},
    {"no windows folder", [](TempPrefix& p) { std::filesystem::remove_all(p.DriveC() + "/windows"); },
     "/drive_c/windows/ORBIS.INI", false},
    {"no drive C:", [](TempPrefix& p) { p.UnlinkDrive('C'); }, "/dosdevices/c:/windows/ORBIS.INI", false},
    {"drive C: pointing nowhere", [](TempPrefix& p) { p.LinkDrive('C', p.Dir() + "/gone"); }, "/gone/windows/ORBIS.INI",
     false},
};

TEST(SettingsFileCheck, FindsThePlainFileAndNamesWhereItLooked) {
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.what);
        TempPrefix prefix;
        layout.arrange(prefix);
        const SettingsFileCheck check = CheckSettingsFile();
        EXPECT_EQ(check.found, layout.found);
        EXPECT_EQ(check.windowsPath, "C:\\windows\\ORBIS.INI");
        EXPECT_EQ(check.hostPath, std::filesystem::weakly_canonical(prefix.Dir()).string() + layout.hostPathTail);
        EXPECT_EQ(check.prefix, prefix.Dir());
        EXPECT_TRUE(check.prefixFromEnvironment);
    }
}

TEST(SettingsFileCheck, WithoutWineprefixTheHomePrefixIsUsedAndSaidSo) {
    const std::string home = MakeTempDir();
    {
        ScopedEnv noPrefix("WINEPREFIX", nullptr);
        ScopedEnv homeEnv("HOME", home.c_str());
        const SettingsFileCheck check = CheckSettingsFile();
        EXPECT_FALSE(check.found);
        EXPECT_FALSE(check.prefixFromEnvironment);
        EXPECT_EQ(check.prefix, home + "/.wine");
        EXPECT_EQ(check.hostPath, home + "/.wine/dosdevices/c:/windows/ORBIS.INI");

        const std::string text = platform::Cp932ToUtf8(MissingSettingsFileText(check));
        EXPECT_NE(text.find("WINEPREFIX が設定されていないため " + home + "/.wine を使用しています。"),
                  std::string::npos)
            << text;
    }
    RemoveHostTree(home);
}

TEST(SettingsFileCheck, TheMessageNamesTheFileItsHostPathThePrefixAndTheWayOut) {
    TempPrefix prefix;
    const SettingsFileCheck check = CheckSettingsFile();
    bool exact = false;
    const std::string text = platform::Cp932ToUtf8(MissingSettingsFileText(check), &exact);
    EXPECT_TRUE(exact);
    EXPECT_EQ(text.rfind("システムの設定ファイルが見つかりません。\n", 0), 0u) << text;
    for (const std::string& part :
         {std::string("探したファイル：C:\\windows\\ORBIS.INI\n"), "（" + prefix.Dir() + "/drive_c/windows/ORBIS.INI）",
          "使用中の WINEPREFIX：" + prefix.Dir() + "\n",
          std::string("環境変数 WINEPREFIX にそのフォルダを指定して起動し直して下さい。")}) {
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n in \n" << text;
    }
    EXPECT_EQ(text.find("設定されていない"), std::string::npos);
}

}  // namespace
