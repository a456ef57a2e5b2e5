#include "transfer/user_checks.h"
#include "platform/drive_letter.h"

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
    const auto letter = platform::DriveLetter::FromNumber(drive);
    if (!letter) return FALSE;
    SetErrorMode(SEM_FAILCRITICALERRORS);
    const DWORD attributes = GetFileAttributesA(letter->Root().c_str());
    SetErrorMode(0);
    return attributes != INVALID_FILE_ATTRIBUTES ? TRUE : FALSE;
}
