#include "catalogue/system_catalogue.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/file_limits.h"
#include "platform/cp932.h"
#include "platform/profile_snapshot.h"
#include "platform/win32.h"

namespace {

// Text values are read with a buffer of 81 characters and kept to 79 bytes.
constexpr DWORD kReadBufferSize = 81;
constexpr size_t kMaxTextBytes = CatalogueEntry::kTextSize - 1;

const std::string& CountSection() {
    static const std::string s = platform::Utf8ToCp932("データ数");
    return s;
}

const std::string& NameSection() {
    static const std::string s = platform::Utf8ToCp932("データ名称");
    return s;
}

const char* DefaultFolder() { return "\\USERDATA"; }

using platform::ProfileSnapshot;

// The profile reader answers UINT; the catalogue's integers are signed 32-bit.
int32_t ReadInt(const char* section, const char* key, const ProfileSnapshot& file) {
    return static_cast<int32_t>(file.GetInt(section, key, 0));
}

// Reads one text value into an 80-byte field, never leaving half a double-byte
// character at the cut.
void ReadText(const char* section, const char* key, const char* def, const ProfileSnapshot& file,
              char (&field)[CatalogueEntry::kTextSize]) {
    char buf[kReadBufferSize] = {};
    file.GetString(section, key, def, buf, kReadBufferSize);
    buf[kReadBufferSize - 1] = '\0';
    std::string_view value(buf, std::strlen(buf));
    size_t keep = platform::Cp932SafeCut(value, kMaxTextBytes);
    std::memcpy(field, buf, keep);
    field[keep] = '\0';
}

// "NAME0", "NAME1", ...: made once rather than once per data set.
class KeyNames {
public:
    KeyNames(const char* stem, int count) {
        for (int k = 0; k < count; ++k) m_keys.push_back(stem + std::to_string(k));
    }
    const char* operator[](int k) const { return m_keys[static_cast<size_t>(k)].c_str(); }

private:
    std::vector<std::string> m_keys;
};

// Every field of entry i, looked up as the profile functions would look it up.
void ReadEntryFrom(const ProfileSnapshot& file, int32_t i, CatalogueEntry& entry) {
    char section[16];
    std::snprintf(section, sizeof section, "%d", static_cast<int>(i));

    ReadText(NameSection().c_str(), section, "", file, entry.name);
    entry.type = ReadInt(section, "TYPE", file);
    entry.typeIndex = ReadInt(section, "TYPEINDEX", file);
    ReadText(section, "PATH", DefaultFolder(), file, entry.path);
    ReadText(section, "BPATH", DefaultFolder(), file, entry.backupPath);

    // Every slot is read whatever the counts say; users stop at the counts.
    static const KeyNames names("NAME", CatalogueEntry::kMaxNames);
    static const KeyNames folders("DIRECT", CatalogueEntry::kMaxFolders);
    entry.nameCount = ReadInt(section, "CNT", file);
    for (int k = 0; k < CatalogueEntry::kMaxNames; ++k) ReadText(section, names[k], "", file, entry.names[k]);
    entry.folderCount = ReadInt(section, "CNT2", file);
    for (int k = 0; k < CatalogueEntry::kMaxFolders; ++k) ReadText(section, folders[k], "", file, entry.folders[k]);
}

}  // namespace

int32_t SystemCatalogue::ReadCount(const char* catalogPath) {
    if (!catalogPath || !*catalogPath) return 0;
    return ReadCount(ProfileSnapshot(catalogPath));
}

int32_t SystemCatalogue::ReadCount(const ProfileSnapshot& catalogue) {
    int32_t n = ReadInt(CountSection().c_str(), "MAX", catalogue);
    if (n < 0 || n > kMaxDataSets) return 0;
    return n;
}

void SystemCatalogue::ReadEntry(const char* catalogPath, int32_t i, CatalogueEntry& entry) {
    ReadEntryFrom(ProfileSnapshot(catalogPath), i, entry);
}

LoadedCatalogue SystemCatalogue::Load(const std::string& systemPath, const std::string& catalogueFolder,
                                      const char* catalogueFileName) {
    LoadedCatalogue cat;
    cat.systemPath = systemPath;
    cat.catalogPath = catalogueFolder + "\\" + (catalogueFileName ? catalogueFileName : "");

    if (file_limits::RefusedAsTooLarge(cat.catalogPath.c_str(), file_limits::kMaxCatalogueBytes)) {
        cat.tooLarge = true;
        return cat;
    }
    // The file as it is now, for every entry: one check of it rather than 32 per
    // data set, and never a table half from an older file and half from a newer one.
    ProfileSnapshot file(cat.catalogPath.c_str());
    int32_t n = ReadCount(file);
    if (n <= 0) return cat;

    // Value-initialised: every count 0 and every text empty before any entry is read.
    cat.entries.reset(new (std::nothrow) CatalogueEntry[static_cast<size_t>(n)]());
    if (cat.entries) cat.presence.reset(new (std::nothrow) int32_t[static_cast<size_t>(n)]());
    if (!cat.entries || !cat.presence) {
        cat.entries.reset();
        cat.presence.reset();
        return cat;  // an empty catalogue rather than a crash
    }
    cat.count = n;

    for (int32_t i = 0; i < n; ++i) ReadEntryFrom(file, i, cat.entries[static_cast<size_t>(i)]);
    return cat;
}
