// Whether the dialog can start: Qt ends the process with a core dump when its
// platform finds no display, so the question is asked before Qt is.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cli/cli_main.h"
#include "cli/exit_codes.h"

namespace {
bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// The platforms that draw on a display server.
bool NeedsDisplayServer(const std::string& platform) {
    return platform.empty() || platform.rfind("xcb", 0) == 0 || platform.rfind("wayland", 0) == 0;
}
}  // namespace

bool DialogHasDisplay(int argc, char** argv) {
    if (Set("DISPLAY") || Set("WAYLAND_DISPLAY")) return true;
    std::string platform = Set("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "";
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0) platform = argv[i + 1];
    return !NeedsDisplayServer(platform);
}

int ExplainNoDisplay(const CliProgram& program) {
    std::string command = program.programName;
    for (char& c : command) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::fprintf(stderr,
                 "%s: ダイアログには画面 (DISPLAY または WAYLAND_DISPLAY) が必要です。"
                 "画面なしで使うコマンドは %s --help を参照してください。\n",
                 command.c_str(), command.c_str());
    return exit_code::kNoDisplay;
}
