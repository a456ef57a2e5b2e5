// Making a new maintenance folder: the folder and an index file that holds nothing yet.
#pragma once

#include <cstdint>
#include <string>

// The index file path must fit the 128-byte buffers a Windows build keeps it in.
inline constexpr size_t kMaxIndexPath = 127;

// Makes "<externalRoot>\<name>" and its index file with `count` flags "0". False,
// with nothing made, for no drive (empty root), a name that is not one folder or
// an index path too long; false too when the folder could not be made.
bool CreateMaintenanceFolder(const std::string& externalRoot, const std::string& name, const char* indexFile,
                             int32_t count);

// Whether `name` (CP932) can be used as a maintenance folder under `externalRoot`:
// IsUsableFolderName with the listed length for a folder already there, the typed
// length for one still to be made.
bool IsUsableMaintenanceFolder(const std::string& externalRoot, const std::string& name);

// True when something (folder or file) exists at the Windows path, asked with
// critical-error boxes suppressed.
bool PathExists(const char* path);

// The refusal of a name already taken in the maintenance root (CP932).
std::string FolderExistsText(const std::string& name);
// The stop message when a folder could not be made (CP932), and its caption.
std::string FolderCreateErrorText();
std::string FolderCreateErrorCaption();
