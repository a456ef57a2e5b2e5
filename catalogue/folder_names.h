// How a maintenance folder's name appears in the folder box.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Ends the text at its first '.': a folder 2008.03 is listed as 2008.
void CutAtDot(char* name);

// The box text for a folder found on disk: cut at the first '.', then to at
// most 127 bytes without splitting a double-byte character.
std::string FolderEntryText(const char* cp932Name);

// True when a typed name names one folder: no separator ('\' outside a
// double-byte character, or '/') and not "." or "..". Anything else would make
// nested folders or leave the maintenance root.
bool IsSingleFolderName(const std::string& cp932Name);

// Byte limits of a maintenance folder name: a name typed for a new folder holds
// at most 20 bytes (the new-folder edit stops there); a folder already on the
// medium is used by the name the folder box lists, at most 127 bytes.
inline constexpr size_t kMaxTypedFolderName = 20;
inline constexpr size_t kMaxListedFolderName = 127;

// True when `cp932Name` can name one maintenance folder on any drive the Windows
// tool also reads: one folder (IsSingleFolderName), not blank, no character a
// Windows file system refuses (\ / : * ? " < > | and control bytes, trail bytes
// of double-byte characters excepted), no trailing dot or space (Windows drops
// them and would reach another folder), no device name (CON, NUL, COM1, LPT1.txt
// ...), and at most `maxBytes` bytes.
bool IsUsableFolderName(const std::string& cp932Name, size_t maxBytes = kMaxTypedFolderName);

struct FolderInfo {
    std::string boxText;  // CP932: as the folder box lists it
    std::string name;     // CP932: the name on the medium
};
// The maintenance folders under `externalRoot` (a CP932 Windows path), in the
// order the file search returns them; nothing for an empty root.
std::vector<FolderInfo> ListMaintenanceFolders(const std::string& externalRoot);
