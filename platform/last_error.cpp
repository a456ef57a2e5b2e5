#include "platform/win32.h"

// Per thread, as on Windows.
static thread_local DWORD t_lastError = ERROR_SUCCESS;

DWORD GetLastError(void) { return t_lastError; }
void SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }
