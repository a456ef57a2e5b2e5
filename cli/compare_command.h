// The `compare` command: what a register and a save of chosen data sets would
// change, per data set and per file, without writing anything.
#pragma once

#include <string>

#include "cli/cli_program.h"

namespace CLI {
class App;
}

struct CompareArgs {
    bool json = false;  // the caller's --json
    bool all = false;
    std::string drive, folder, sets;
};

// Declares `compare` on `app` with its own options bound to `args`; the caller adds
// --json and --prefix as for its other commands.
CLI::App* AddCompareCommand(CLI::App& app, CompareArgs& args);

// Runs it: 0 when compared (whatever differs), else the exit code of the failure.
[[nodiscard]] int RunCompare(const CliProgram& program, const CompareArgs& args);
