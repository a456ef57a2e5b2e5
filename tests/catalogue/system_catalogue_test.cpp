// The catalogue as the profile reader sees it, including damaged and hostile files.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "catalogue/system_catalogue.h"
#include "platform/win32.h"
#include "tests/support/temp_prefix.h"

namespace {

class CatalogueTest : public ::testing::Test {
protected:
    // Writes C:\sys\<file> from UTF-8 text, stored as CP932.
    void WriteCatalogue(const std::string& utf8, const std::string& file = "JDTKANRI.JYO") {
        WriteHostFile(prefix.DriveC() + "/sys/" + file, W(utf8));
    }
    LoadedCatalogue Load(const char* file = "JDTKANRI.JYO") {
        return SystemCatalogue::Load("C:\\data", "C:\\sys", file);
    }
    TempPrefix prefix;
};

TEST_F(CatalogueTest, ReadsEveryFieldAndIgnoresSectionsBeyondMax) {
    WriteCatalogue(
        "[データ数]\r\nMAX=3\r\n"
        "[データ名称]\r\n0=座標\r\n1=図面\r\n2=表示\r\n3=余分\r\n"
        "[0]\r\nTYPE=2\r\nTYPEINDEX=1\r\nPATH=\\USER\\座標\r\nBPATH=\\B\r\nCNT=2\r\nNAME0=\\*.DAT\r\n"
        "NAME1=\\a.ソ\r\nNAME19=\\last\r\nCNT2=1\r\nDIRECT0=\r\nDIRECT4=\\d4\r\n"
        "[2]\r\nTYPE=-3\r\n"
        "[3]\r\nTYPE=9\r\n");
    LoadedCatalogue cat = Load();
    EXPECT_EQ(cat.systemPath, "C:\\data");
    EXPECT_EQ(cat.catalogPath, "C:\\sys\\JDTKANRI.JYO");
    ASSERT_EQ(cat.count, 3);
    ASSERT_TRUE(cat.entries && cat.presence);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(cat.presence[i], 0);

    const CatalogueEntry& e = cat.entries[0];
    EXPECT_EQ(e.type, 2);
    EXPECT_EQ(e.typeIndex, 1);
    EXPECT_EQ(std::string(e.name()), W("座標"));
    EXPECT_EQ(std::string(e.path()), W("\\USER\\座標"));
    EXPECT_EQ(std::string(e.backupPath()), "\\B");
    EXPECT_EQ(e.nameCount, 2);
    EXPECT_EQ(std::string(e.names(0)), "\\*.DAT");
    EXPECT_EQ(std::string(e.names(1)), W("\\a.ソ"));  // trail byte 0x5C survives
    EXPECT_EQ(std::string(e.names(19)), "\\last");    // read although CNT is 2
    EXPECT_EQ(e.folderCount, 1);
    EXPECT_EQ(std::string(e.folders(0)), "");
    EXPECT_EQ(std::string(e.folders(4)), "\\d4");
    EXPECT_EQ(cat.entries[2].type, -3);  // the UINT answer is taken as signed
}

TEST_F(CatalogueTest, MissingSectionTakesDefaults) {
    WriteCatalogue("[データ数]\r\nMAX=2\r\n[データ名称]\r\n1=名前だけ\r\n[0]\r\nPATH=\r\nCNT=1\r\nCNT2=1\r\n");
    LoadedCatalogue cat = Load();
    ASSERT_EQ(cat.count, 2);
    // An empty PATH stays empty: the data set then lies in the system data root itself.
    EXPECT_EQ(std::string(cat.entries[0].path()), "");
    EXPECT_EQ(std::string(cat.entries[0].backupPath()), "\\USERDATA");
    const CatalogueEntry& d = cat.entries[1];
    EXPECT_EQ(std::string(d.name()), W("名前だけ"));
    EXPECT_EQ(d.type, 0);
    EXPECT_EQ(d.typeIndex, 0);
    EXPECT_EQ(std::string(d.path()), "\\USERDATA");
    EXPECT_EQ(std::string(d.backupPath()), "\\USERDATA");
    EXPECT_EQ(d.UsedNames(), 0);
    EXPECT_EQ(d.UsedFolders(), 0);
    EXPECT_EQ(std::string(d.names(0)), "");
}

TEST_F(CatalogueTest, CountsAreStoredAsReadAndClampedForUsers) {
    WriteCatalogue("[データ数]\r\nMAX=2\r\n[0]\r\nCNT=25\r\nCNT2=9\r\n[1]\r\nCNT=-4\r\nCNT2=3\r\n");
    LoadedCatalogue cat = Load();
    ASSERT_EQ(cat.count, 2);
    EXPECT_EQ(cat.entries[0].nameCount, 25);
    EXPECT_EQ(cat.entries[0].folderCount, 9);
    EXPECT_EQ(cat.entries[0].UsedNames(), CatalogueEntry::kMaxNames);
    EXPECT_EQ(cat.entries[1].nameCount, -4);
    EXPECT_EQ(cat.entries[1].UsedNames(), 0);
}

TEST_F(CatalogueTest, EachDeliverableReadsOnlyItsOwnFile) {
    WriteCatalogue("[データ数]\r\nMAX=1\r\n", "JDTKANRI.JYO");
    WriteCatalogue("[データ数]\r\nMAX=2\r\n", "S_JDTKANRI.JYO");
    EXPECT_EQ(Load("JDTKANRI.JYO").count, 1);
    EXPECT_EQ(Load("S_JDTKANRI.JYO").count, 2);
    EXPECT_EQ(Load("OTHER.JYO").count, 0);  // missing file: empty, no message
}

TEST_F(CatalogueTest, TextsAreCutTo79BytesWithoutHalfCharacters) {
    const std::string a77(77, 'a'), a78(78, 'a'), a79(79, 'a');
    WriteCatalogue("[データ数]\r\nMAX=1\r\n[データ名称]\r\n0=" + a79 +
                   "b\r\n[0]\r\n"
                   "PATH=" +
                   a78 +
                   "表\r\n"  // 表 (95 5C) would straddle byte 79
                   "BPATH=" +
                   a77 +
                   "表\r\n"  // exactly 79 bytes: kept whole
                   "NAME0=" +
                   a79 +
                   "表x\r\n"  // longer than the 81-byte read buffer
                   "NAME1=" +
                   std::string(200, 'c') +
                   "\r\n"
                   "DIRECT0=" +
                   a79 + "\r\n");
    LoadedCatalogue cat = Load();
    ASSERT_EQ(cat.count, 1);
    const CatalogueEntry& e = cat.entries[0];
    EXPECT_EQ(std::string(e.name()), a79);
    EXPECT_EQ(std::string(e.path()), a78);
    EXPECT_EQ(std::string(e.backupPath()), a77 + W("表"));
    EXPECT_EQ(std::string(e.names(0)), a79);
    EXPECT_EQ(std::string(e.names(1)), std::string(79, 'c'));
    EXPECT_EQ(std::string(e.folders(0)), a79);
}

TEST_F(CatalogueTest, EveryFieldIsWhatItsOwnLookUpAnswers) {
    // Read in one pass over a section: duplicates, case, blanks, quotes, text lines,
    // a repeated section and non-ASCII keys must give what a look-up per key gives.
    WriteCatalogue(
        "[データ数]\r\nMAX=3\r\n[データ名称]\r\n00=x\r\n 1 = b\r\n0=a\r\n0=dup\r\n+2=no\r\n2='c'\r\n3=over\r\n"
        "[0]\r\ntype=5\r\nTYPE=6\r\n  Path  = \"\\q\" \r\nPATH=\\second\r\nCNT=0x10\r\nname3='\\n3'\r\n"
        "NAME03=\\no\r\nＮＡＭＥ4=\\wide\r\nNAME\r\nDIRECT4=\r\nDIRECT4=\\late\r\nBPATH=\r\nCNT2= -2\r\n"
        "[1]\r\nTYPEINDEX=7\r\n[0]\r\nTYPEINDEX=9\r\nNAME0=\\dup\r\n"
        "[2]\r\nNAME19=\\z\r\nDIRECT0=\\d\r\n");
    LoadedCatalogue cat = Load();
    ASSERT_EQ(cat.count, 3);
    const char* file = "C:\\sys\\JDTKANRI.JYO";
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const std::string sec = std::to_string(i);
        auto text = [&](const char* key, const char* def) {
            char buf[81] = {};
            GetPrivateProfileStringA(sec.c_str(), key, def, buf, sizeof buf, file);
            return std::string(buf);
        };
        auto number = [&](const char* key) {
            return static_cast<int32_t>(GetPrivateProfileIntA(sec.c_str(), key, 0, file));
        };
        const CatalogueEntry& e = cat.entries[static_cast<size_t>(i)];
        char name[81] = {};
        GetPrivateProfileStringA(W("データ名称").c_str(), sec.c_str(), "", name, sizeof name, file);
        EXPECT_EQ(e.name(), std::string(name));
        EXPECT_EQ(e.type, number("TYPE"));
        EXPECT_EQ(e.typeIndex, number("TYPEINDEX"));
        EXPECT_EQ(e.nameCount, number("CNT"));
        EXPECT_EQ(e.folderCount, number("CNT2"));
        EXPECT_EQ(e.path(), text("PATH", "\\USERDATA"));
        EXPECT_EQ(e.backupPath(), text("BPATH", "\\USERDATA"));
        for (int k = 0; k < CatalogueEntry::kMaxNames; ++k)
            EXPECT_EQ(e.names(k), text(("NAME" + std::to_string(k)).c_str(), "")) << k;
        for (int j = 0; j < CatalogueEntry::kMaxFolders; ++j)
            EXPECT_EQ(e.folders(j), text(("DIRECT" + std::to_string(j)).c_str(), "")) << j;
    }
    // A few of the answers spelled out, so that the comparison cannot pass empty.
    EXPECT_EQ(std::string(cat.entries[0].name()), "a");
    EXPECT_EQ(std::string(cat.entries[1].name()), "b");
    EXPECT_EQ(std::string(cat.entries[2].name()), "c");
    EXPECT_EQ(cat.entries[0].type, 5);
    EXPECT_EQ(std::string(cat.entries[0].path()), "\\q");
    EXPECT_EQ(std::string(cat.entries[0].names(3)), "\\n3");
    EXPECT_EQ(cat.entries[0].nameCount, 16);
    EXPECT_EQ(std::string(cat.entries[0].folders(4)), "");
    EXPECT_EQ(std::string(cat.entries[2].names(19)), "\\z");
}

TEST(CatalogueEntryTexts, EachSlotKeepsItsOwnTextThroughReplacementsAndCopies) {
    CatalogueEntry e;
    e.SetName("name");
    e.SetPath(std::string_view("pa\0th", 5));         // kept up to its NUL
    e.SetNames(CatalogueEntry::kMaxNames, "beyond");  // out of range: nothing changes
    e.SetFolders(-1, "beyond");
    // Far more replacements than the buffer's offsets reach: the others stay intact.
    for (int round = 0; round < 2000; ++round) {
        e.SetNames(round % CatalogueEntry::kMaxNames, std::string(79, static_cast<char>('a' + round % 26)));
        e.SetFolders(round % CatalogueEntry::kMaxFolders, "\\F" + std::to_string(round));
    }
    e.SetBackupPath(std::string(90, 'b'));
    const CatalogueEntry copy = e;
    e.SetName("");
    e.SetNames(0, "changed");
    EXPECT_EQ(std::string(copy.name()), "name");
    EXPECT_EQ(std::string(e.name()), "");
    EXPECT_EQ(std::string(copy.path()), "pa");
    EXPECT_EQ(std::string(copy.backupPath()), std::string(79, 'b'));
    for (int k = 0; k < CatalogueEntry::kMaxNames; ++k)
        EXPECT_EQ(std::string(copy.names(k)), std::string(79, static_cast<char>('a' + (1980 + k) % 26))) << k;
    for (int j = 0; j < CatalogueEntry::kMaxFolders; ++j)
        EXPECT_EQ(std::string(copy.folders(j)), "\\F" + std::to_string(1995 + j)) << j;
    EXPECT_EQ(std::string(e.names(0)), "changed");
    EXPECT_EQ(std::string(e.names(1)), copy.names(1));
    EXPECT_EQ(std::string(copy.names(CatalogueEntry::kMaxNames)), "");
    EXPECT_EQ(std::string(copy.folders(-1)), "");
}

TEST_F(CatalogueTest, HostileCountsGiveAnEmptyCatalogue) {
    // The profile reader does not clamp: "-1" and "4294967295" both answer 0xFFFFFFFF.
    for (const char* max : {"-1", "abc", "4294967295", "2000000000", "100001", "-2147483648"}) {
        SCOPED_TRACE(max);
        WriteCatalogue(std::string("[データ数]\r\nMAX=") + max + "\r\n[0]\r\nTYPE=1\r\n");
        LoadedCatalogue cat = Load();
        EXPECT_EQ(cat.count, 0);
        EXPECT_FALSE(cat.entries);
        EXPECT_FALSE(cat.presence);
        EXPECT_EQ(SystemCatalogue::ReadCount("C:\\sys\\JDTKANRI.JYO"), 0);
    }
    EXPECT_EQ(SystemCatalogue::ReadCount(nullptr), 0);
    EXPECT_EQ(SystemCatalogue::ReadCount(""), 0);
}

}  // namespace
