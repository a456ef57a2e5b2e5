// How a maintenance folder's name appears in the folder box.
#pragma once

#include <string>

// Ends the text at its first '.': a folder 2008.03 is listed as 2008.
void CutAtDot(char* name);

// The box text for a folder found on disk: cut at the first '.', then to at
// most 127 bytes without splitting a double-byte character.
std::string FolderEntryText(const char* cp932Name);

// True when a typed name names one folder: no separator ('\' outside a
// double-byte character, or '/') and not "." or "..". Anything else would make
// nested folders or leave the maintenance root.
bool IsSingleFolderName(const std::string& cp932Name);
