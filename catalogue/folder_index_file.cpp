#include "catalogue/folder_index_file.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/cp932.h"
#include "platform/profile_snapshot.h"
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

namespace {
// The profile reader does not clamp: "-1" comes back as 4294967295. Taken as a
// signed value, anything below zero is not a flag the system ever writes.
int AsFlag(UINT read) {
    const auto v = static_cast<int32_t>(read);
    return v < 0 ? 0 : v;
}
}  // namespace

int ReadFlag(const std::string& indexPath, int i) {
    return AsFlag(GetPrivateProfileIntA(FlagSection().c_str(), Key(i).text, 0, indexPath.c_str()));
}

FlagSnapshot::FlagSnapshot(const std::string& indexPath)
    : m_file(std::make_unique<platform::ProfileSnapshot>(indexPath.c_str())) {}

FlagSnapshot::~FlagSnapshot() = default;

int FlagSnapshot::ReadFlag(int i) const { return AsFlag(m_file->GetInt(FlagSection().c_str(), Key(i).text, 0)); }

bool IsPresent(const std::string& indexPath, int i) { return ReadFlag(indexPath, i) != 0; }

bool WriteFlag(const std::string& indexPath, int i, bool present) {
    return WritePrivateProfileStringA(FlagSection().c_str(), Key(i).text, present ? "1" : "0", indexPath.c_str()) !=
           FALSE;
}

bool WriteFlags(const std::string& indexPath, const std::vector<int>& present, const std::vector<int>& absent) {
    if (present.empty() && absent.empty()) return true;
    const char* section = FlagSection().c_str();
    // The section's key names, as a list of strings; the buffer grows until the list fits.
    std::vector<char> keys(4096);
    while (true) {
        DWORD n = GetPrivateProfileStringA(section, nullptr, "", keys.data(), static_cast<DWORD>(keys.size()),
                                           indexPath.c_str());
        if (n + 2 < keys.size()) break;
        if (keys.size() >= (size_t(64) << 20)) return false;  // not an index file this tool wrote
        keys.resize(keys.size() * 4);
    }
    auto listed = [](const std::vector<int>& sets, const char* key) {
        for (int i : sets)
            if (std::strcmp(key, Key(i).text) == 0) return true;
        return false;
    };
    std::vector<bool> written(present.size(), false);
    std::string entries, value(256, '\0');
    for (const char* key = keys.data(); *key; key += std::strlen(key) + 1) {
        const char* v = nullptr;
        for (size_t i = 0; i < present.size(); ++i)
            if (std::strcmp(key, Key(present[i]).text) == 0) {
                written[i] = true;
                v = "1";
            }
        // A set missing from the file reads as absent already: only keys present are cleared.
        if (!v && listed(absent, key)) v = "0";
        if (!v) {
            DWORD n = GetPrivateProfileStringA(section, key, "", value.data(), static_cast<DWORD>(value.size()),
                                               indexPath.c_str());
            value.resize(n);
            v = value.c_str();
        }
        entries.append(key).append("=").append(v).push_back('\0');
        value.assign(256, '\0');
    }
    for (size_t i = 0; i < present.size(); ++i)
        if (!written[i]) entries.append(Key(present[i]).text).append("=1").push_back('\0');
    entries.push_back('\0');
    return WritePrivateProfileSectionA(section, entries.c_str(), indexPath.c_str()) != FALSE;
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
