#include "app/settings_tool_app.h"
#include "cli/cli_main.h"
#include "resources/deliverable.h"

int main(int argc, char** argv) {
    const Deliverable& deliverable = BrightfenDeliverable();
    // A subcommand or an option runs the command line, before any window system is touched.
    const CliProgram program{deliverable.programName, deliverable.productName, deliverable.files};
    if (IsCliInvocation(argc, argv)) return RunCli(argc, argv, program);
    if (!DialogHasDisplay(argc, argv)) return ExplainNoDisplay(program);
    CSettingsToolApp app(argc, argv, deliverable);
    return app.Run();
}
