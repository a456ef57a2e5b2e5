// Stands for a platform source reaching up into the transfer logic: must not compile.
#include "platform/win32.h"
#include "transfer/transfer_engine.h"

int LayerProbeUpward() { return static_cast<int>(sizeof(TransferEngine)); }
