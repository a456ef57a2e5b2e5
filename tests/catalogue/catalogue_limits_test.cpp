// Hostile catalogues and index files: paths that climb out of their root, and
// files too large to be read from a removable drive.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "catalogue/catalogue_paths.h"
#include "catalogue/file_limits.h"
#include "catalogue/system_catalogue.h"
#include "tests/support/temp_prefix.h"

namespace {

TEST(CataloguePaths, OnlyPathsThatStayInsideTheirRootPass) {
    const struct {
        const char* utf8;
        bool inside;
    } cases[] = {
        {"", true},
        {"\\USERDATA\\SYMBOL", true},
        {"\\*.*", true},
        {"\\LINE??.DAT", true},
        {"\\表示設定\\a.ini", true},  // 表 (95 5C) holds no separator
        {"\\a..b\\...x", true},       // dots inside names are names
        {"\\.\\x", true},
        {"..", false},
        {"\\..\\x", false},
        {"/../x", false},
        {"x\\..", false},
        {"\\.. \\x", false},  // Windows drops the trailing space
        {"\\... \\x", false},
        {"C:\\Windows", false},
        {"\\x\\C:y", false},
        {"\\a.ini:stream", false},
    };
    for (const auto& c : cases) EXPECT_EQ(CataloguePathStaysInside(W(c.utf8).c_str()), c.inside) << c.utf8;

    // Every used field counts; unused slots do not.
    CatalogueEntry e;
    e.SetPath("\\P");
    e.SetBackupPath("\\B");
    e.nameCount = 1;
    e.folderCount = 1;
    e.SetNames(0, "\\*.*");
    e.SetNames(1, "\\..\\*.*");
    EXPECT_TRUE(CatalogueEntryStaysInside(e));
    const char* climb = "\\..\\x";
    const std::function<void(CatalogueEntry&)> spoil[] = {
        [&](CatalogueEntry& x) { x.SetPath(climb); },
        [&](CatalogueEntry& x) { x.SetBackupPath(climb); },
        [&](CatalogueEntry& x) { x.SetFolders(0, climb); },
        [&](CatalogueEntry& x) { x.SetNames(0, climb); },
    };
    for (const auto& how : spoil) {
        CatalogueEntry bad = e;
        how(bad);
        EXPECT_FALSE(CatalogueEntryStaysInside(bad));
    }
}

TEST(FileLimits, LargeFilesAreRefusedOnRemovableAndNetworkDrivesOnly) {
    TempPrefix prefix;
    const std::string content = "[データ数]\r\nMAX=1\r\n[データ名称]\r\n0=x\r\n";
    const struct {
        const char* type;
        bool large;
        bool refused;
    } cases[] = {
        {"floppy", true, true}, {"cdrom", true, true},    {"network", true, true},
        {"hd", true, false},    {"floppy", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.type) + (c.large ? " large" : " small"));
        const std::string root = prefix.AddDrive('F', c.type);
        std::string bytes = W(content);
        const uint64_t limit = file_limits::kMaxCatalogueBytes;
        if (c.large) bytes.resize(limit + 1, '\n');
        WriteHostFile(root + "/S/JDTKANRI.JYO", bytes);
        WriteHostFile(root + "/S/JKNDT.INI", std::string(c.large ? file_limits::kMaxIndexFileBytes + 1 : 10, '\n'));
        EXPECT_EQ(file_limits::RefusedAsTooLarge("F:\\S\\JKNDT.INI", file_limits::kMaxIndexFileBytes), c.refused);
        LoadedCatalogue cat = SystemCatalogue::Load("F:\\D", "F:\\S", "JDTKANRI.JYO");
        EXPECT_EQ(cat.tooLarge, c.refused);
        EXPECT_EQ(cat.count, c.refused ? 0 : 1);
        RemoveHostTree(root + "/S");
    }
    EXPECT_FALSE(file_limits::RefusedAsTooLarge("F:\\S\\missing.ini", 0));
}

}  // namespace
