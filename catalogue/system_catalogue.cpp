#include "catalogue/system_catalogue.h"

#include <algorithm>
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

// The keys of a data set's section, as field numbers: the four integers, the two
// paths, then the 20 name and 5 folder slots.
enum Field : int {
    kType,
    kTypeIndex,
    kNameCount,
    kFolderCount,
    kPath,
    kBackupPath,
    kFirstName,
    kFirstFolder = kFirstName + CatalogueEntry::kMaxNames,
    kFieldCount = kFirstFolder + CatalogueEntry::kMaxFolders
};

const std::vector<std::string>& FieldKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> k = {"TYPE", "TYPEINDEX", "CNT", "CNT2", "PATH", "BPATH"};
        for (int n = 0; n < CatalogueEntry::kMaxNames; ++n) k.push_back("NAME" + std::to_string(n));
        for (int n = 0; n < CatalogueEntry::kMaxFolders; ++n) k.push_back("DIRECT" + std::to_string(n));
        return k;
    }();
    return keys;
}

// The field a key line names, -1 for none. Plain ASCII names (all a real catalogue
// has) are matched ignoring ASCII case, which is all the look-up's folding does to
// them; any other name is compared as the look-up compares names.
int FieldOf(std::string_view key) {
    const std::vector<std::string>& keys = FieldKeys();
    const bool ascii = std::all_of(key.begin(), key.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    for (int f = 0; f < kFieldCount; ++f) {
        const std::string& want = keys[static_cast<size_t>(f)];
        if (ascii ? (key.size() == want.size() &&
                     std::equal(key.begin(), key.end(), want.begin(),
                                [](char a, char b) {
                                    return (a >= 'a' && a <= 'z' ? static_cast<char>(a - 'a' + 'A') : a) == b;
                                }))
                  : ProfileSnapshot::SameName(key, want))
            return f;
    }
    return -1;
}

// Every field of entry i but its name, as the profile functions would look each
// one up: one pass over the data set's section, where the first line of a name is
// the one a look-up of that name finds. Every slot is taken whatever the counts
// say; users stop at the counts.
void ReadEntryFrom(const ProfileSnapshot& file, int32_t i, CatalogueEntry& entry) {
    char section[16];
    std::snprintf(section, sizeof section, "%d", static_cast<int>(i));

    // Texts go from the parsed file straight into the entry, which cuts them to 79
    // bytes on a character boundary as the read through an 81-byte buffer did.
    uint32_t seen = 0;
    file.ForEachKey(section, [&](std::string_view key, std::string_view value) {
        const int f = FieldOf(key);
        if (f < 0 || (seen & (1u << f))) return;
        seen |= 1u << f;
        const auto number = [&] { return static_cast<int32_t>(ProfileSnapshot::IntOf(value, 0)); };
        switch (f) {
        case kType: entry.type = number(); break;
        case kTypeIndex: entry.typeIndex = number(); break;
        case kNameCount: entry.nameCount = number(); break;
        case kFolderCount: entry.folderCount = number(); break;
        case kPath: entry.SetPath(value); break;
        case kBackupPath: entry.SetBackupPath(value); break;
        default:
            if (f < kFirstFolder)
                entry.SetNames(f - kFirstName, value);
            else
                entry.SetFolders(f - kFirstFolder, value);
        }
    });
    if (!(seen & (1u << kPath))) entry.SetPath(DefaultFolder());
    if (!(seen & (1u << kBackupPath))) entry.SetBackupPath(DefaultFolder());
    entry.ShrinkToFit();
}

// Every data set's name in one pass over the name section. The key of set i is
// "%d" of i, so only a plain decimal key without a leading zero can be one (blanks
// around it are not part of it; digits fold to nothing else); the first line of a
// key is the one a look-up finds.
void ReadNames(const ProfileSnapshot& file, int32_t n, CatalogueEntry* entries) {
    std::vector<bool> seen(static_cast<size_t>(n));
    file.ForEachKey(NameSection().c_str(), [&](std::string_view key, std::string_view value) {
        if (key.empty() || key.size() > 9 || (key.size() > 1 && key[0] == '0')) return;
        int32_t i = 0;
        for (const char c : key) {
            if (c < '0' || c > '9') return;
            i = i * 10 + (c - '0');
        }
        if (i >= n || seen[static_cast<size_t>(i)]) return;
        seen[static_cast<size_t>(i)] = true;
        entries[i].SetName(value);
    });
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
    const ProfileSnapshot file(catalogPath);
    char key[16];
    std::snprintf(key, sizeof key, "%d", static_cast<int>(i));
    entry.SetName(file.GetValue(NameSection().c_str(), key, ""));
    ReadEntryFrom(file, i, entry);
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
        ReadNames(file, n, cat.entries.get());
        for (int32_t i = 0; i < n; ++i) ReadEntryFrom(file, i, cat.entries[static_cast<size_t>(i)]);
    } catch (const std::bad_alloc&) {
        cat.entries.reset();
        cat.presence.reset();
        return cat;  // texts that cannot be held: an empty catalogue, as for the table
    }
    cat.count = n;
    return cat;
}
