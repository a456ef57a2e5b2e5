// Entry of the command line, reached before any window system is touched.
#pragma once

#include "cli/cli_program.h"

// True when the arguments ask for the command line: a word, a long option or -h
// as the first argument. No arguments, or Qt's own options, start the dialog.
bool IsCliInvocation(int argc, char** argv);

// Runs one command and returns the process exit code (see cli/exit_codes.h).
[[nodiscard]] int RunCli(int argc, char** argv, const CliProgram& program);

// True when the dialog can open a window: a display (DISPLAY, WAYLAND_DISPLAY), or
// a Qt platform that needs none (QT_QPA_PLATFORM or -platform, e.g. offscreen).
bool DialogHasDisplay(int argc, char** argv);

// Says on standard error that the dialog needs a display and names --help;
// returns exit_code::kNoDisplay.
[[nodiscard]] int ExplainNoDisplay(const CliProgram& program);
