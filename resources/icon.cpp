#include "resources/deliverable.h"

const char* ApplicationIconPath() { return ":/icons/app128.png"; }
