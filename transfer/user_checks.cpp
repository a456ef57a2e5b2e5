#include "transfer/user_checks.h"

#include <cstdio>

BOOL IsValidFolderName(const std::string& name) {
    if (_access(name.c_str(), 0) == 0) return TRUE;
    FILE* probe = win32::fopen(name.c_str(), "w+");
    if (!probe) return FALSE;
    std::fclose(probe);
    win32::remove(name.c_str());
    return TRUE;
}

BOOL IsDiskInDrive(int drive) {
    if (drive < 0 || drive > 25) return FALSE;
    const char root[4] = {static_cast<char>('A' + drive), ':', '\\', '\0'};
    SetErrorMode(SEM_FAILCRITICALERRORS);
    const DWORD attributes = GetFileAttributesA(root);
    SetErrorMode(0);
    return attributes != INVALID_FILE_ATTRIBUTES ? TRUE : FALSE;
}
