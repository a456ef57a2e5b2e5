// Copying the list: plain files, documents, folders, failures.
#include <sys/stat.h>

#include "tests/transfer/transfer_fixture.h"
#include "transfer/carry_over.h"

namespace {

class RunTransferTest : public TransferTest {
protected:
    uint32_t Save() {
        EXPECT_TRUE(engine.BuildTransferList(Direction::Save, Context(), host));
        return engine.RunTransfer(Direction::Save, Context(), host).rows;
    }
    uint32_t Register() {
        EXPECT_TRUE(engine.BuildTransferList(Direction::Register, Context(), host));
        return engine.RunTransfer(Direction::Register, Context(), host).rows;
    }
};

TEST_F(RunTransferTest, EmptyListLocksAndUnlocksAndWritesNothing) {
    EXPECT_EQ(Save(), 0u);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"busy1", "busy0"}));
    EXPECT_FALSE(HostExists(ExtHost()));
}

TEST_F(RunTransferTest, SaveMakesDeepFoldersAndOverwritesPlainFiles) {
    catalogue = {MakeEntry(0, 0, "U", "\\B1\\B2\\B3", {"\\*.INI"}, {"\\D1\\D2"})};
    WriteSys("U/D1/D2/a.ini", "new a");
    WriteSys("U/D1/D2/b.ini", "new b");
    WriteExt("保守A/B1/B2/B3/D1/D2/a.ini", "old a, longer than the new one");
    host.systemSelected = {0};
    EXPECT_EQ(Save(), 2u);
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/B1/B2/B3/D1/D2/a.ini")), "new a");
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/B1/B2/B3/D1/D2/b.ini")), "new b");
    EXPECT_TRUE(host.messages.empty());
    // Events pass before each row, with the controls locked around the whole copy.
    EXPECT_EQ(host.calls, (std::vector<std::string>{"busy1", "events", "events", "busy0"}));
}

TEST_F(RunTransferTest, RegisterOfPlainFileReplacesTheSystemsFileOnly) {
    catalogue = {MakeEntry(0, 0, "U", "\\U", {"\\a.ini"})};
    WriteExt("保守A/U/a.ini", "from folder");
    WriteSys("U/a.ini", "system's");
    WriteSys("U/other.ini", "kept");
    presence = {1};
    host.externalSelected = {0};
    EXPECT_EQ(Register(), 1u);
    EXPECT_EQ(ReadHostFile(SysHost("U/a.ini")), "from folder");
    EXPECT_EQ(ReadHostFile(SysHost("U/other.ini")), "kept");
}

TEST_F(RunTransferTest, DocumentIsCopiedWholeThenMergedByTheSecondKind) {
    catalogue = {MakeEntry(2, 0, "DOC", "\\DOC", {"\\MAP.DEM"}), MakeEntry(2, 1, "DOC", "\\DOC", {"\\MAP.DEM"})};
    const DemAttr system = SeededAttr(10, 3);
    WriteDocument(SysHost("DOC/MAP.DEM"), system, "system body");
    host.systemSelected = {0, 1};
    EXPECT_EQ(Save(), 2u);
    // Whole copy first: the second row finds it present and merges into it.
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/DOC/MAP.DEM")), ReadHostFile(SysHost("DOC/MAP.DEM")));

    // A folder that already holds the document receives only the saved kind.
    const DemAttr folder = SeededAttr(70, 5);
    WriteDocument(ExtHost("保守A/DOC/MAP.DEM"), folder, "folder body");
    host.systemSelected = {1};  // kind 2: the 341-byte table
    EXPECT_EQ(Save(), 1u);
    std::string body;
    const DemAttr merged = ReadDocument(ExtHost("保守A/DOC/MAP.DEM"), &body);
    EXPECT_EQ(body, "folder body");
    EXPECT_EQ(merged.table341.count, 3);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(merged.table341.entries[i], system.table341.entries[i]) << i;
    EXPECT_EQ(merged.table269.count, 5);
    EXPECT_EQ(merged.table269.entries[4], folder.table269.entries[4]);
    EXPECT_EQ(merged.table265First.entries[0], folder.table265First.entries[0]);
    EXPECT_EQ(merged.otherAttributes, folder.otherAttributes);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(RunTransferTest, ReadOnlyDocumentSavedWithTwoKindsInOneGo) {
    // The whole copy takes the read-only mark with it; the second kind's row must
    // not then fail on a copy that already holds its groups.
    catalogue = {MakeEntry(2, 0, "DOC", "\\DOC", {"\\MAP.DEM"}), MakeEntry(2, 2, "DOC", "\\DOC", {"\\MAP.DEM"})};
    WriteDocument(SysHost("DOC/MAP.DEM"), SeededAttr(10, 3), "system body");
    chmod(SysHost("DOC/MAP.DEM").c_str(), 0444);
    host.systemSelected = {0, 1};
    EXPECT_EQ(Save(), 2u);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/DOC/MAP.DEM")), ReadHostFile(SysHost("DOC/MAP.DEM")));
}

TEST_F(RunTransferTest, RegisterMergesOnlyItsKindIntoTheSystemsDocument) {
    catalogue = {MakeEntry(2, 0, "DOC", "\\DOC", {"\\MAP.DEM"})};
    const DemAttr system = SeededAttr(10, 2);
    const DemAttr folder = SeededAttr(90, 7);
    WriteDocument(SysHost("DOC/MAP.DEM"), system, "system body");
    WriteDocument(ExtHost("保守A/DOC/MAP.DEM"), folder, "folder body");
    presence = {1};
    host.externalSelected = {0};
    EXPECT_EQ(Register(), 1u);
    std::string body;
    const DemAttr merged = ReadDocument(SysHost("DOC/MAP.DEM"), &body);
    EXPECT_EQ(body, "system body");  // never replaced by the folder's copy
    // Kind 1: both 265-byte tables (all 7 entries, none folded onto entry 0) and the settings.
    EXPECT_EQ(merged.table265First.count, 7);
    EXPECT_EQ(merged.table265Second.count, 7);
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(merged.table265First.entries[i], folder.table265First.entries[i]) << i;
        EXPECT_EQ(merged.table265Second.entries[i], folder.table265Second.entries[i]) << i;
    }
    EXPECT_EQ(std::vector<int32_t>(merged.kind1Settings, merged.kind1Settings + 5),
              std::vector<int32_t>(folder.kind1Settings, folder.kind1Settings + 5));
    EXPECT_EQ(merged.table341.count, 2);
    EXPECT_EQ(merged.table341.entries[1], system.table341.entries[1]);
    EXPECT_EQ(merged.table269.entries[0], system.table269.entries[0]);
    EXPECT_EQ(merged.otherAttributes, system.otherAttributes);
}

TEST_F(RunTransferTest, MovedTableTakesTheSourcesCount) {
    DemAttr from = SeededAttr(1, 2), to = SeededAttr(100, 6);
    MoveAttributeGroups(from, to, CarryOver::Table269);
    EXPECT_EQ(to.table269.count, 2);
    EXPECT_EQ(to.table269.entries[0], from.table269.entries[0]);
    EXPECT_EQ(to.table269.entries[1], from.table269.entries[1]);
    EXPECT_EQ(to.table341.count, 6);
}

TEST_F(RunTransferTest, UnreadableDocumentFailsTheRowAndKeepsTheDestination) {
    catalogue = {MakeEntry(2, 2, "DOC", "\\DOC", {"\\MAP.DEM"})};
    WriteSys("DOC/MAP.DEM", "not a document");
    WriteDocument(ExtHost("保守A/DOC/MAP.DEM"), SeededAttr(5, 4), "body");
    const std::string before = ReadHostFile(ExtHost("保守A/DOC/MAP.DEM"));
    host.systemSelected = {0};
    EXPECT_EQ(Save(), 0u);
    ExpectOneWriteError();
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/DOC/MAP.DEM")), before);
}

TEST_F(RunTransferTest, RegisterIntoMissingSystemDocumentFails) {
    catalogue = {MakeEntry(2, 1, "DOC", "\\DOC", {"\\MAP.DEM"})};
    WriteDocument(ExtHost("保守A/DOC/MAP.DEM"), SeededAttr(5, 4), "body");
    presence = {1};
    host.externalSelected = {0};
    EXPECT_EQ(Register(), 0u);
    ExpectOneWriteError();
    EXPECT_FALSE(HostExists(SysHost("DOC/MAP.DEM")));
}

TEST_F(RunTransferTest, FailureAtRowKKeepsTheRowsBeforeItAndLeavesNoTemporary) {
    catalogue = {MakeEntry(0, 0, "U", "\\U", {"\\1.ini", "\\2.ini", "\\3.ini", "\\4.ini"})};
    for (const char* n : {"1", "2", "3", "4"}) WriteSys(std::string("U/") + n + ".ini", std::string(5000, n[0]));
    // Row 2 cannot be written: a folder holds its name.
    MakeHostDirs(ExtHost("保守A/U/3.ini"));
    host.systemSelected = {0};
    EXPECT_EQ(Save(), 2u);
    ExpectOneWriteError();
    EXPECT_EQ(host.eventsCount, 3);
    // Rows 0 and 1 were still in the batch when row 2 failed: they go into place, row 3 is never written.
    EXPECT_EQ(Listing(ExtHost("保守A/U")), (std::vector<std::string>{"1.ini", "2.ini", "3.ini"}));
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/U/2.ini")), std::string(5000, '2'));
}

TEST_F(RunTransferTest, MissingDriveRootFailsTheFirstRow) {
    catalogue = {MakeEntry(0, 0, "U", "\\U", {"\\*.ini"})};
    WriteSys("U/a.ini", "a");
    host.systemSelected = {0};
    EXPECT_TRUE(engine.BuildTransferList(Direction::Save, Context(), host));
    prefix.UnlinkDrive('E');
    EXPECT_EQ(engine.RunTransfer(Direction::Save, Context(), host).rows, 0u);
    ExpectOneWriteError();
}

TEST_F(RunTransferTest, MoreThan1024FilesAreAllCopied) {
    catalogue = {MakeEntry(0, 0, "MANY", "\\MANY", {"\\*.TXT"})};
    for (int i = 0; i < 1100; ++i) WriteSys("MANY/f" + std::to_string(i) + ".txt", std::to_string(i));
    host.systemSelected = {0};
    EXPECT_EQ(Save(), 1100u);
    EXPECT_EQ(Listing(ExtHost("保守A/MANY")).size(), 1100u);
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/MANY/f1099.txt")), "1099");
}
}  // namespace

namespace {

// What a crash would leave at each point between the renames of one batch.
TEST_F(RunTransferTest, BetweenTheRenamesOfABatchEachFileIsOldOrWhollyNew) {
    catalogue = {MakeEntry(0, 0, "U", "\\U", {"\\*.ini"})};
    const std::vector<std::string> names = {"1.ini", "2.ini", "3.ini"};
    for (const std::string& n : names) {
        WriteSys("U/" + n, std::string(7000, n[0]));
        WriteExt("保守A/U/" + n, "old " + n);
    }
    host.systemSelected = {0};
    std::vector<std::vector<std::string>> states;  // per rename: each file "old", "new" or else its bytes
    size_t temporaries = 0;
    TransferEngine::SetBatchRenameHookForTesting([&](size_t renamed) {
        std::vector<std::string> state;
        for (const std::string& n : names) {
            const std::string bytes = ReadHostFile(ExtHost("保守A/U/" + n));
            state.push_back(bytes == "old " + n ? "old" : bytes == std::string(7000, n[0]) ? "new" : bytes);
        }
        states.push_back(state);
        // The files not yet renamed wait whole under their temporary names.
        size_t temps = 0;
        for (const std::string& f : Listing(ExtHost("保守A/U")))
            if (f.rfind("~$", 0) == 0) {
                ++temps;
                EXPECT_EQ(ReadHostFile(ExtHost("保守A/U/" + f)).size(), 7000u);
            }
        if (renamed == 1) temporaries = temps;
    });
    EXPECT_EQ(Save(), 3u);
    TransferEngine::SetBatchRenameHookForTesting({});
    ASSERT_EQ(states.size(), 3u);
    EXPECT_EQ(states[0], (std::vector<std::string>{"new", "old", "old"}));
    EXPECT_EQ(states[1], (std::vector<std::string>{"new", "new", "old"}));
    EXPECT_EQ(states[2], (std::vector<std::string>{"new", "new", "new"}));
    EXPECT_EQ(temporaries, 2u);
    EXPECT_EQ(Listing(ExtHost("保守A/U")), names);
}

}  // namespace
