#include "catalogue/system_catalogue.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

#include "catalogue/file_limits.h"
#include "platform/cp932.h"
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

// The profile reader answers UINT; the catalogue's integers are signed 32-bit.
int32_t ReadInt(const char* section, const char* key, const char* file) {
    return static_cast<int32_t>(GetPrivateProfileIntA(section, key, 0, file));
}

// Reads one text value into an 80-byte field, never leaving half a double-byte
// character at the cut.
void ReadText(const char* section, const char* key, const char* def, const char* file,
              char (&field)[CatalogueEntry::kTextSize]) {
    char buf[kReadBufferSize] = {};
    GetPrivateProfileStringA(section, key, def, buf, kReadBufferSize, file);
    buf[kReadBufferSize - 1] = '\0';
    std::string_view value(buf, std::strlen(buf));
    size_t keep = platform::Cp932SafeCut(value, kMaxTextBytes);
    std::memcpy(field, buf, keep);
    field[keep] = '\0';
}

}  // namespace

int32_t SystemCatalogue::ReadCount(const char* catalogPath) {
    if (!catalogPath || !*catalogPath) return 0;
    int32_t n = ReadInt(CountSection().c_str(), "MAX", catalogPath);
    if (n < 0 || n > kMaxDataSets) return 0;
    return n;
}

void SystemCatalogue::ReadEntry(const char* catalogPath, int32_t i, CatalogueEntry& entry) {
    char section[16];
    std::snprintf(section, sizeof section, "%d", static_cast<int>(i));
    char key[16];

    ReadText(NameSection().c_str(), section, "", catalogPath, entry.name);
    entry.type = ReadInt(section, "TYPE", catalogPath);
    entry.typeIndex = ReadInt(section, "TYPEINDEX", catalogPath);
    ReadText(section, "PATH", DefaultFolder(), catalogPath, entry.path);
    ReadText(section, "BPATH", DefaultFolder(), catalogPath, entry.backupPath);

    // Every slot is read whatever the counts say; users stop at the counts.
    entry.nameCount = ReadInt(section, "CNT", catalogPath);
    for (int k = 0; k < CatalogueEntry::kMaxNames; ++k) {
        std::snprintf(key, sizeof key, "NAME%d", k);
        ReadText(section, key, "", catalogPath, entry.names[k]);
    }
    entry.folderCount = ReadInt(section, "CNT2", catalogPath);
    for (int k = 0; k < CatalogueEntry::kMaxFolders; ++k) {
        std::snprintf(key, sizeof key, "DIRECT%d", k);
        ReadText(section, key, "", catalogPath, entry.folders[k]);
    }
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
    int32_t n = ReadCount(cat.catalogPath.c_str());
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

    for (int32_t i = 0; i < n; ++i) ReadEntry(cat.catalogPath.c_str(), i, cat.entries[i]);
    return cat;
}
