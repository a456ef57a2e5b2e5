#include "catalogue/folder_names.h"

#include <cstring>

#include "platform/cp932_walk.h"
#include "platform/win32.h"

void CutAtDot(char* name) {
    if (char* dot = std::strchr(name, '.')) *dot = '\0';
}

std::string FolderEntryText(const char* cp932Name) {
    std::string name(cp932Name);
    CutAtDot(name.data());
    name.resize(std::strlen(name.c_str()));
    name.resize(platform::Cp932SafeCut(name, 127));
    return name;
}

bool IsSingleFolderName(const std::string& cp932Name) {
    if (cp932Name.empty() || cp932Name == "." || cp932Name == "..") return false;
    return !platform::HasCp932Separator(cp932Name);
}

std::vector<FolderInfo> ListMaintenanceFolders(const std::string& externalRoot) {
    std::vector<FolderInfo> folders;
    if (externalRoot.empty()) return folders;
    const std::string pattern = externalRoot + "\\*.*";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return folders;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0) continue;
        folders.push_back({FolderEntryText(found.cFileName), found.cFileName});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return folders;
}
