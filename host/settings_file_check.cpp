#include "host/settings_file_check.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "host/orbis_ini.h"
#include "platform/cp932.h"
#include "platform/paths.h"

SettingsFileCheck CheckSettingsFile() {
    SettingsFileCheck check{OrbisIni::kSettingsFile, {}, platform::PrefixDir(), false, false};
    const char* env = std::getenv("WINEPREFIX");
    check.prefixFromEnvironment = env != nullptr && *env != '\0';

    const platform::HostPath resolved = platform::ResolvePath(check.windowsPath);
    if (resolved.ok) {
        check.hostPath = resolved.host;
        check.found = resolved.exists && S_ISREG(resolved.info.st_mode) && ::access(resolved.host.c_str(), R_OK) == 0;
    } else {
        // No drive C: in the prefix: name the link that is missing on the way.
        check.hostPath = check.prefix + "/dosdevices/c:/windows/ORBIS.INI";
    }
    // Shown to the user: through the drive link to the folder it names.
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(check.hostPath, ec);
    if (!ec) check.hostPath = canonical.string();
    return check;
}

std::string MissingSettingsFileText(const SettingsFileCheck& check) {
    std::string utf8 = "システムの設定ファイルが見つかりません。\n\n探したファイル：";
    utf8 += platform::Cp932ToUtf8(check.windowsPath) + "\n（" + check.hostPath + "）\n\n";
    if (check.prefixFromEnvironment)
        utf8 += "使用中の WINEPREFIX：" + check.prefix + "\n";
    else
        utf8 += "WINEPREFIX が設定されていないため " + check.prefix + " を使用しています。\n";
    utf8 += "別の場所のシステムを使う場合は、環境変数 WINEPREFIX にそのフォルダを指定して起動し直して下さい。";
    return platform::Utf8ToCp932(utf8);
}
