#include "catalogue/folder_index_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unordered_set>

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

// The data set a key names, written as Key writes it ("7", not "07" or "+7"); none
// for any other key.
std::optional<int> SetOfKey(const char* key) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(key, &end, 10);
    if (end == key || *end != '\0' || errno != 0 || v < INT_MIN || v > INT_MAX) return std::nullopt;
    const int set = static_cast<int>(v);
    if (std::strcmp(Key(set).text, key) != 0) return std::nullopt;
    return set;
}

// What a rewrite sets, looked up by key in one step: a file of many thousand keys
// against as many sets stays linear.
struct FlagChanges {
    std::unordered_set<int> present, absent;
    std::unordered_set<int> written;  // present sets whose key the file has
};

// The value `key` gets in the rewrite: "1" when set present (noted as written),
// "0" when set absent, else the one it has in the file (held in *kept).
const char* NewValue(const std::string& indexPath, const char* key, FlagChanges& changes, std::string* kept) {
    const std::optional<int> set = SetOfKey(key);
    if (set && changes.present.count(*set)) {
        changes.written.insert(*set);
        return "1";
    }
    // A set missing from the file reads as absent already: only keys present are cleared.
    if (set && changes.absent.count(*set)) return "0";
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
    FlagChanges changes{{present.begin(), present.end()}, {absent.begin(), absent.end()}, {}};
    std::string entries, kept;
    for (const char* key = keys.data(); *key; key += std::strlen(key) + 1)
        entries.append(key).append("=").append(NewValue(indexPath, key, changes, &kept)).push_back('\0');
    // Present sets the file did not list yet, once each, in the order given.
    for (int set : present)
        if (changes.written.insert(set).second) entries.append(Key(set).text).append("=1").push_back('\0');
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
