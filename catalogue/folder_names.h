// How a maintenance folder's name appears in the folder box.
#pragma once

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

struct FolderInfo {
    std::string boxText;  // CP932: as the folder box lists it
    std::string name;     // CP932: the name on the medium
};
// The maintenance folders under `externalRoot` (a CP932 Windows path), in the
// order the file search returns them; nothing for an empty root.
std::vector<FolderInfo> ListMaintenanceFolders(const std::string& externalRoot);
