#include "app/settings_tool_app.h"
#include "resources/deliverable.h"

int main(int argc, char** argv) { return RunSettingsTool(argc, argv, QuillmarkDeliverable()); }
