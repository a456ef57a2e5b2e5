// Building the list of files: which files, which destinations, which sizes.
#include <algorithm>
#include <cstring>
#include <filesystem>

#include "host/odisk.h"
#include "tests/transfer/transfer_fixture.h"

namespace {
constexpr uint64_t kGiB = 1ull << 30;

void SparseFile(const std::string& hostPath, uint64_t size) {
    WriteHostFile(hostPath, "");
    std::filesystem::resize_file(hostPath, size);
}

class BuildListTest : public TransferTest {
protected:
    void SetUp() override {
        catalogue = {MakeEntry(0, 0, "USERDATA\\A", "\\A", {"\\*.INI"}), MakeEntry(0, 0, "", "\\ROOT", {"\\R.DAT"})};
        WriteSys("USERDATA/A/x.ini", "0123456789");
        WriteSys("USERDATA/A/y.ini", "01234567890123456789");
        MakeHostDirs(SysHost("USERDATA/A/sub.ini"));  // a folder the pattern matches
        WriteSys("R.DAT", "r");
    }
    // The shortage box's total, with enough on the drive for everything up to
    // the last data set, which alone asks 1000 GiB.
    std::string TotalShown() {
        if (ODiskNo(4).GetFreeSize().Bytes() >= 1000 * kGiB) return "";
        host.systemSelected.insert(static_cast<int>(catalogue.size()) - 1);
        EXPECT_FALSE(engine.BuildTransferList(Direction::Save, Context(), host));
        if (host.messages.size() != 1) return "no message";
        const std::string text = host.Texts()[0];
        return text.substr(text.rfind("：") + std::string("：").size());
    }
};

TEST_F(BuildListTest, NothingSelectedListsNothing) {
    EXPECT_TRUE(engine.BuildTransferList(Direction::Save, Context(), host));
    EXPECT_EQ(engine.FileCount(), 0u);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.driveQueries, 0);
}

TEST_F(BuildListTest, SaveListsFilesPassingFoldersAndJoinsPathsAsGiven) {
    host.systemSelected = {0, 1};
    ASSERT_TRUE(engine.BuildTransferList(Direction::Save, Context(), host));
    std::vector<std::string> rows = Rows();
    std::sort(rows.begin(), rows.begin() + 2);  // search order of the file system
    EXPECT_EQ(rows, (std::vector<std::string>{"C:\\SYS\\USERDATA\\A\\x.ini -> E:\\PARC_JDT\\保守A\\A\\x.ini : 0",
                                              "C:\\SYS\\USERDATA\\A\\y.ini -> E:\\PARC_JDT\\保守A\\A\\y.ini : 0",
                                              // An empty PATH leaves the root itself.
                                              "C:\\SYS\\R.DAT -> E:\\PARC_JDT\\保守A\\ROOT\\R.DAT : 0"}));
    EXPECT_EQ(host.driveQueries, 2);  // one free-space check per data set taking part
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(BuildListTest, EmptyFolderBoxUsesDefaultFolder) {
    host.folderName.clear();
    host.systemSelected = {1};
    ASSERT_TRUE(engine.BuildTransferList(Direction::Save, Context(), host));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"C:\\SYS\\R.DAT -> E:\\PARC_JDT\\設定データ保守\\ROOT\\R.DAT : 0"}));
}

TEST_F(BuildListTest, MissingSystemFolderIsPassedOverWithoutSpaceCheck) {
    catalogue[0] = MakeEntry(0, 0, "NOPE", "\\A", {"\\*.INI"});
    host.systemSelected = {0, 1};
    ASSERT_TRUE(engine.BuildTransferList(Direction::Save, Context(), host));
    EXPECT_EQ(engine.FileCount(), 1u);
    EXPECT_EQ(host.driveQueries, 1);
}

TEST_F(BuildListTest, FoldersFirstThenNamesAndCountsCappedAtSlots) {
    CatalogueEntry e = MakeEntry(0, 0, "D", "\\D", {"\\*.A", "\\*.B"}, {"\\F1", "\\F2"});
    // Counts beyond the 20 name and 5 folder slots: only the slots are read.
    e.nameCount = 1000;
    e.folderCount = 99;
    e.SetNames(19, "\\*.C");
    catalogue = {e};
    for (const char* f : {"F1/x.A", "F1/x.B", "F2/x.A", "F2/x.B", "F2/x.C"}) WriteSys(std::string("D/") + f, "1");
    host.systemSelected = {0};
    ASSERT_TRUE(engine.BuildTransferList(Direction::Save, Context(), host));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"C:\\SYS\\D\\F1\\x.A -> E:\\PARC_JDT\\保守A\\D\\F1\\x.A : 0",
                                                "C:\\SYS\\D\\F1\\x.B -> E:\\PARC_JDT\\保守A\\D\\F1\\x.B : 0",
                                                "C:\\SYS\\D\\F2\\x.A -> E:\\PARC_JDT\\保守A\\D\\F2\\x.A : 0",
                                                "C:\\SYS\\D\\F2\\x.B -> E:\\PARC_JDT\\保守A\\D\\F2\\x.B : 0",
                                                "C:\\SYS\\D\\F2\\x.C -> E:\\PARC_JDT\\保守A\\D\\F2\\x.C : 0"}));
}

TEST_F(BuildListTest, RegisterMapsExternalRowsThroughPresenceAndNeverChecksSpace) {
    catalogue = {MakeEntry(0, 0, "P0", "\\P0", {"\\*.*"}), MakeEntry(0, 0, "P1", "\\P1", {"\\*.*"}),
                 MakeEntry(0, 0, "P2", "\\P2", {"\\*.*"})};
    for (const char* d : {"P0", "P1", "P2"}) WriteExt(std::string("保守A/") + d + "/f.dat", d);
    presence = {1, 0, 1};
    host.externalSelected = {1};  // the second row is data set 2
    ASSERT_TRUE(engine.BuildTransferList(Direction::Register, Context(), host));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"E:\\PARC_JDT\\保守A\\P2\\f.dat -> C:\\SYS\\P2\\f.dat : 0"}));
    host.externalSelected = {0};
    ASSERT_TRUE(engine.BuildTransferList(Direction::Register, Context(), host));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"E:\\PARC_JDT\\保守A\\P0\\f.dat -> C:\\SYS\\P0\\f.dat : 0"}));
    EXPECT_EQ(host.driveQueries, 0);
}

TEST_F(BuildListTest, DocumentOfTwoKindsIsListedTwiceAndCountedOnce) {
    catalogue = {MakeEntry(2, 0, "DOC", "\\DOC", {"\\MAP.DEM"}), MakeEntry(2, 1, "DOC", "\\DOC", {"\\MAP.DEM"}),
                 MakeEntry(0, 0, "BIG", "\\BIG", {"\\*.*"})};
    SparseFile(SysHost("DOC/MAP.DEM"), 1 * kGiB);
    SparseFile(SysHost("BIG/huge.dat"), 1000 * kGiB);
    host.systemSelected = {0, 1};
    const std::string total = TotalShown();
    if (total.empty()) GTEST_SKIP() << "drive E: has 1000 GiB free";
    EXPECT_EQ(total, "1001.0 GB");
    const std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], "C:\\SYS\\DOC\\MAP.DEM -> E:\\PARC_JDT\\保守A\\DOC\\MAP.DEM : 1");
    EXPECT_EQ(rows[1], "C:\\SYS\\DOC\\MAP.DEM -> E:\\PARC_JDT\\保守A\\DOC\\MAP.DEM : 2");
}

TEST_F(BuildListTest, PlainFileMatchedTwiceIsCountedTwice) {
    catalogue = {MakeEntry(0, 0, "P", "\\P", {"\\A.DAT", "\\*.DAT"}), MakeEntry(0, 0, "BIG", "\\BIG", {"\\*.*"})};
    SparseFile(SysHost("P/A.DAT"), 1 * kGiB);
    SparseFile(SysHost("BIG/huge.dat"), 1000 * kGiB);
    host.systemSelected = {0};
    const std::string total = TotalShown();
    if (total.empty()) GTEST_SKIP() << "drive E: has 1000 GiB free";
    EXPECT_EQ(total, "1002.0 GB");
    EXPECT_EQ(engine.FileCount(), 3u);
}

TEST_F(BuildListTest, ShortageMessageIsTheApplicationsStopBox) {
    catalogue = {MakeEntry(0, 0, "BIG", "\\BIG", {"\\*.*"})};
    SparseFile(SysHost("BIG/huge.dat"), 1000 * kGiB);
    const ODiskSize freeBefore = ODiskNo(4).GetFreeSize();
    if (freeBefore.Bytes() >= 1000 * kGiB) GTEST_SKIP() << "drive E: has 1000 GiB free";
    host.systemSelected = {0};
    ASSERT_FALSE(engine.BuildTransferList(Direction::Save, Context(), host));
    ASSERT_EQ(host.messages.size(), 1u);
    const UserMessage& m = host.messages[0];
    EXPECT_TRUE(m.appCaption);
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    EXPECT_EQ(m.icon, MsgIcon::Stop);
    const std::string text = host.Texts()[0];
    const std::string head = "「E」の空き容量が不足しています。\n\n空き容量：";
    ASSERT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(text.substr(text.find("\n\nコピーサイズ：")), "\n\nコピーサイズ：1000.0 GB");
}

}  // namespace

TEST_F(BuildListTest, SpaceCheckCountsEachFolderTheSaveMakesOnce) {
    catalogue = {MakeEntry(0, 0, "S1", "\\A\\B", {"\\*.DAT"}), MakeEntry(0, 0, "S2", "\\A\\C", {"\\*.DAT"}),
                 MakeEntry(0, 0, "S3", "\\D", {"\\*.DAT"})};
    for (const char* f : {"S1/1.DAT", "S2/2.DAT", "S3/3.DAT"}) WriteSys(f, "data");
    host.systemSelected = {0, 1, 2};
    auto needed = [&](const std::vector<std::string>& there, const std::string& plainFile) {
        std::filesystem::remove_all(ExtHost("保守A"));
        for (const std::string& folder : there) MakeHostDirs(ExtHost(folder));
        if (!plainFile.empty()) WriteExt(plainFile, "not a folder");
        EXPECT_TRUE(engine.BuildTransferList(Direction::Save, Context(), host));
        return engine.Space().neededBytes;
    };
    const uint64_t allThere = needed({"保守A/A/B", "保守A/A/C", "保守A/D"}, "");
    const uint64_t unit = engine.Space().unit;
    ASSERT_GT(unit, 0u);
    struct Case {
        std::vector<std::string> there;
        std::string plainFile;
        uint64_t folders;  // made by the save
    };
    const Case cases[] = {
        {{}, "", 5},                          // the maintenance folder and all below it
        {{"保守A"}, "", 4},                   // A, A\B, A\C, D
        {{"保守A/A"}, "", 3},                 // A\B, A\C, D
        {{"保守A/A/B"}, "", 2},               // A\C, D
        {{"保守A/D"}, "", 3},                 // A, A\B, A\C
        {{"保守A"}, "保守A/A", 3},            // a file where A would be: A\B, A\C, D
        {{"保守A/A/B", "保守A/A/C"}, "", 1},  // D
    };
    for (const Case& c : cases)
        EXPECT_EQ(needed(c.there, c.plainFile) - allThere, c.folders * unit)
            << (c.there.empty() ? "" : c.there.back()) << " " << c.plainFile;
}
