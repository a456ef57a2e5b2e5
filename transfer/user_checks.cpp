#include "transfer/user_checks.h"

#include <cstdio>

#include "platform/drive_letter.h"

bool IsValidFolderName(const std::string& name) {
    if (_access(name.c_str(), 0) == 0) return true;
    FILE* probe = win32::fopen(name.c_str(), "w+");
    if (!probe) return false;
    std::fclose(probe);
    win32::remove(name.c_str());
    return true;
}

bool IsDiskInDrive(platform::DriveLetter drive) {
    SetErrorMode(SEM_FAILCRITICALERRORS);
    const DWORD attributes = GetFileAttributesA(drive.Root().c_str());
    SetErrorMode(0);
    return attributes != INVALID_FILE_ATTRIBUTES;
}
