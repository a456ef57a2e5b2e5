#include "catalogue/system_catalogue.h"

#include <cstdio>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/file_limits.h"
#include "platform/cp932.h"
#include "platform/profile_snapshot.h"
#include "platform/win32.h"

namespace {

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

    // Texts go from the parsed file straight into the entry, which cuts them to 79
    // bytes on a character boundary as the read through an 81-byte buffer did.
    entry.SetName(file.GetValue(NameSection().c_str(), section, ""));
    entry.type = ReadInt(section, "TYPE", file);
    entry.typeIndex = ReadInt(section, "TYPEINDEX", file);
    entry.SetPath(file.GetValue(section, "PATH", DefaultFolder()));
    entry.SetBackupPath(file.GetValue(section, "BPATH", DefaultFolder()));

    // Every slot is read whatever the counts say; users stop at the counts.
    static const KeyNames names("NAME", CatalogueEntry::kMaxNames);
    static const KeyNames folders("DIRECT", CatalogueEntry::kMaxFolders);
    entry.nameCount = ReadInt(section, "CNT", file);
    for (int k = 0; k < CatalogueEntry::kMaxNames; ++k) entry.SetNames(k, file.GetValue(section, names[k], ""));
    entry.folderCount = ReadInt(section, "CNT2", file);
    for (int k = 0; k < CatalogueEntry::kMaxFolders; ++k) entry.SetFolders(k, file.GetValue(section, folders[k], ""));
    entry.ShrinkToFit();
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
    try {
        for (int32_t i = 0; i < n; ++i) ReadEntryFrom(file, i, cat.entries[static_cast<size_t>(i)]);
    } catch (const std::bad_alloc&) {
        cat.entries.reset();
        cat.presence.reset();
        return cat;  // texts that cannot be held: an empty catalogue, as for the table
    }
    cat.count = n;
    return cat;
}
