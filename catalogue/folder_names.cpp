#include "catalogue/folder_names.h"

#include <cctype>
#include <cstring>

#include "platform/cp932.h"
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

namespace {
bool IsRefusedByte(unsigned char c) { return c < 0x20 || c == 0x7F || std::strchr("\\/:*?\"<>|", c) != nullptr; }

// CON, PRN, AUX, NUL, COM1-9, LPT1-9, alone or before an extension, any case.
bool IsDeviceName(const std::string& name) {
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();  // "NUL .txt" is NUL too
    for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
           stem[3] <= '9';
}
}  // namespace

bool IsUsableFolderName(const std::string& cp932Name, size_t maxBytes) {
    if (cp932Name.size() > maxBytes || !IsSingleFolderName(cp932Name)) return false;
    if (cp932Name.find_first_not_of(' ') == std::string::npos) return false;
    // Neither can be the trail byte of a double-byte character.
    if (cp932Name.back() == '.' || cp932Name.back() == ' ') return false;
    bool ok = true;
    platform::Cp932ToUtf8(cp932Name, &ok);
    if (!ok) return false;  // not CP932 text: no Windows name
    platform::ForEachCp932Char(cp932Name, [&](size_t offset, size_t length) {
        if (length == 1 && IsRefusedByte(static_cast<unsigned char>(cp932Name[offset]))) ok = false;
        return ok;
    });
    return ok && !IsDeviceName(cp932Name);
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
