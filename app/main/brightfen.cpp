#include "app/settings_tool_app.h"
#include "cli/cli_main.h"
#include "resources/deliverable.h"

int main(int argc, char** argv) {
    const Deliverable& deliverable = BrightfenDeliverable();
    // A subcommand or an option runs the command line, before any window system is touched.
    if (IsCliInvocation(argc, argv))
        return RunCli(argc, argv, {deliverable.programName, deliverable.productName, deliverable.files});
    CSettingsToolApp app(argc, argv, deliverable);
    return app.Run();
}
