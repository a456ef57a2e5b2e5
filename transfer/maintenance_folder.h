// Making a new maintenance folder: the folder and an index file that holds nothing yet.
#pragma once

#include <cstdint>
#include <string>

#include "platform/status.h"

// The index file path must fit the 128-byte buffers a Windows build keeps it in.
inline constexpr size_t kMaxIndexPath = 127;

// Makes "<externalRoot>\<name>" and its index file with `count` flags "0". A
// failure, with nothing made, for no drive (empty root: ERROR_PATH_NOT_FOUND), a
// name that is not one folder or an index path too long (ERROR_INVALID_NAME); a
// failure too with the file system's error when the folder could not be made.
// The text names the folder; GetLastError() reports the same error.
[[nodiscard]] platform::Status CreateMaintenanceFolder(const std::string& externalRoot, const std::string& name,
                                                       const char* indexFile, int32_t count);

// Whether `name` (CP932) can be used as a maintenance folder under `externalRoot`:
// IsUsableFolderName with the listed length for a folder already there, the typed
// length for one still to be made.
[[nodiscard]] bool IsUsableMaintenanceFolder(const std::string& externalRoot, const std::string& name);

// True when something (folder or file) exists at the Windows path, asked with
// critical-error boxes suppressed.
[[nodiscard]] bool PathExists(const char* path);

// The refusal of a name already taken in the maintenance root (CP932).
std::string FolderExistsText(const std::string& name);
// The stop message when a folder could not be made (CP932), and its caption.
std::string FolderCreateErrorText();
std::string FolderCreateErrorCaption();
