// Checks the save and register handlers make before a transfer.
#pragma once

#include <string>

#include "platform/drive_letter.h"
#include "platform/win32.h"

// True when something named `name` exists (relative names from the current
// folder), or a file of that name can be created there (it is removed at once);
// false exactly when the file system refuses the name.
[[nodiscard]] bool IsValidFolderName(const std::string& name);

// True when the root of `drive` answers an attribute query, asked with the
// system's critical-error boxes suppressed; false for no medium or no such drive.
[[nodiscard]] bool IsDiskInDrive(platform::DriveLetter drive);
