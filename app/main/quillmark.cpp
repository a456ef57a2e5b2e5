#include "app/settings_tool_app.h"
#include "resources/deliverable.h"

int main(int argc, char** argv) {
    CSettingsToolApp app(argc, argv, QuillmarkDeliverable());
    return app.Run();
}
