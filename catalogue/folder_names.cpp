#include "catalogue/folder_names.h"

#include <cstring>

#include "platform/cp932_walk.h"

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
