#include <QtGlobal>

#include "resources/deliverable.h"

// Resources compiled into a static library are registered by hand; the macro
// must stand outside any namespace.
static void RegisterResources() { Q_INIT_RESOURCE(resources); }

const char* ApplicationIconPath() {
    static const bool registered = (RegisterResources(), true);
    (void)registered;
    return ":/icons/app128.png";
}
