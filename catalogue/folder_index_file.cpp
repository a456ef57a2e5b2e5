#include "catalogue/folder_index_file.h"

#include <algorithm>
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

platform::Status WriteFlag(const std::string& indexPath, int i, bool present) {
    if (WritePrivateProfileStringA(FlagSection().c_str(), Key(i).text, present ? "1" : "0", indexPath.c_str()))
        return platform::Status::Success();
    return platform::Status::LastError(indexPath);
}

namespace {
// The flag section's key names, as a list of strings; the buffer grows until the list fits.
platform::Status ReadKeys(const std::string& indexPath, std::vector<char>* keys) {
    keys->assign(4096, '\0');
    while (true) {
        const DWORD n = GetPrivateProfileStringA(FlagSection().c_str(), nullptr, "", keys->data(),
                                                 static_cast<DWORD>(keys->size()), indexPath.c_str());
        if (n + 2 < keys->size()) return platform::Status::Success();
        // Not an index file this tool wrote.
        if (keys->size() >= (size_t(64) << 20)) return platform::Status::Failure(ERROR_MORE_DATA, indexPath);
        keys->resize(keys->size() * 4);
    }
}

bool Lists(const std::vector<int>& sets, const char* key) {
    return std::any_of(sets.begin(), sets.end(), [&](int i) { return std::strcmp(key, Key(i).text) == 0; });
}

// The value `key` gets in the rewrite: "1" when set present (marked in *written),
// "0" when set absent, else the one it has in the file (held in *kept).
const char* NewValue(const std::string& indexPath, const char* key, const std::vector<int>& present,
                     const std::vector<int>& absent, std::vector<bool>* written, std::string* kept) {
    const char* v = nullptr;
    for (size_t i = 0; i < present.size(); ++i)
        if (std::strcmp(key, Key(present[i]).text) == 0) {
            (*written)[i] = true;
            v = "1";
        }
    if (v) return v;
    // A set missing from the file reads as absent already: only keys present are cleared.
    if (Lists(absent, key)) return "0";
    kept->assign(256, '\0');
    const DWORD n = GetPrivateProfileStringA(FlagSection().c_str(), key, "", kept->data(),
                                             static_cast<DWORD>(kept->size()), indexPath.c_str());
    kept->resize(n);
    return kept->c_str();
}
}  // namespace

platform::Status WriteFlags(const std::string& indexPath, const std::vector<int>& present,
                            const std::vector<int>& absent) {
    if (present.empty() && absent.empty()) return platform::Status::Success();
    std::vector<char> keys;
    if (platform::Status read = ReadKeys(indexPath, &keys); !read) return read;
    std::vector<bool> written(present.size(), false);
    std::string entries, kept;
    for (const char* key = keys.data(); *key; key += std::strlen(key) + 1)
        entries.append(key)
            .append("=")
            .append(NewValue(indexPath, key, present, absent, &written, &kept))
            .push_back('\0');
    for (size_t i = 0; i < present.size(); ++i)
        if (!written[i]) entries.append(Key(present[i]).text).append("=1").push_back('\0');
    entries.push_back('\0');
    if (WritePrivateProfileSectionA(FlagSection().c_str(), entries.c_str(), indexPath.c_str()))
        return platform::Status::Success();
    return platform::Status::LastError(indexPath);
}

platform::Status WriteNew(const std::string& indexPath, int count) {
    platform::Status status;
    auto note = [&](bool written) {
        if (!written && status) status = platform::Status::LastError(indexPath);
    };
    if (count > 0 && GetFileAttributesA(indexPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        // A new file: every flag in one write, the same bytes as one key at a
        // time, without a rewrite and flush of the file per data set.
        std::string entries;
        for (int i = 0; i < count; ++i) entries.append(Key(i).text).append("=0").push_back('\0');
        entries.push_back('\0');
        note(WritePrivateProfileSectionA(FlagSection().c_str(), entries.c_str(), indexPath.c_str()) != FALSE);
    } else {
        for (int i = 0; i < count; ++i) {
            platform::Status one = WriteFlag(indexPath, i, false);
            if (status && !one) status = std::move(one);
        }
    }
    note(WritePrivateProfileStringA(CountSection().c_str(), "MAX", "0", indexPath.c_str()) != FALSE);
    return status;
}

}  // namespace FolderIndexFile
