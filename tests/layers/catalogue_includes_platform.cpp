// Stands for a catalogue source using the layer below it: compiles.
#include "catalogue/system_catalogue.h"
#include "platform/win32.h"

int LayerProbeDownward() { return static_cast<int>(sizeof(SystemCatalogue)) + static_cast<int>(GetLastError()); }
