#include "catalogue/folder_index_file.h"

#include <cstdint>
#include <cstdio>

#include "platform/cp932.h"
#include "platform/win32.h"

namespace FolderIndexFile {

namespace {

const std::string& FlagSection() {
    static const std::string s = platform::Utf8ToCp932("データ存在フラグ");
    return s;
}

const std::string& CountSection() {
    static const std::string s = platform::Utf8ToCp932("データ存在数");
    return s;
}

struct Key {
    explicit Key(int i) { std::snprintf(text, sizeof text, "%d", i); }
    char text[16];
};

}  // namespace

std::string PathFor(const std::string& folderPath, const char* indexFileName) {
    return folderPath + "\\" + (indexFileName ? indexFileName : "");
}

int ReadFlag(const std::string& indexPath, int i) {
    // The profile reader does not clamp: "-1" comes back as 4294967295. Taken as a
    // signed value, anything below zero is not a flag the system ever writes.
    int32_t v = static_cast<int32_t>(
        GetPrivateProfileIntA(FlagSection().c_str(), Key(i).text, 0, indexPath.c_str()));
    return v < 0 ? 0 : v;
}

bool IsPresent(const std::string& indexPath, int i) { return ReadFlag(indexPath, i) != 0; }

bool WriteFlag(const std::string& indexPath, int i, bool present) {
    return WritePrivateProfileStringA(FlagSection().c_str(), Key(i).text, present ? "1" : "0",
                                      indexPath.c_str()) != FALSE;
}

bool WriteNew(const std::string& indexPath, int count) {
    bool ok = true;
    if (count > 0 && GetFileAttributesA(indexPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        // A new file: every flag in one write, the same bytes as one key at a
        // time, without a rewrite and flush of the file per data set.
        std::string entries;
        for (int i = 0; i < count; ++i) entries.append(Key(i).text).append("=0").push_back('\0');
        entries.push_back('\0');
        ok = WritePrivateProfileSectionA(FlagSection().c_str(), entries.c_str(), indexPath.c_str()) != FALSE;
    } else {
        for (int i = 0; i < count; ++i) ok = WriteFlag(indexPath, i, false) && ok;
    }
    ok = (WritePrivateProfileStringA(CountSection().c_str(), "MAX", "0", indexPath.c_str()) != FALSE) && ok;
    return ok;
}

}  // namespace FolderIndexFile
