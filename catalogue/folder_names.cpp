#include "catalogue/folder_names.h"

#include <cstring>

#include "platform/cp932.h"

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
    for (size_t i = 0; i < cp932Name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(cp932Name[i]);
        if (platform::IsCp932LeadByte(c)) {
            ++i;  // the trail byte may be 0x5C (表, ソ) and is no separator
            continue;
        }
        if (c == '\\' || c == '/') return false;
    }
    return true;
}
