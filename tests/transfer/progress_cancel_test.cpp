// Watching and stopping a transfer: the figures a front end reads, a stop between
// files and one inside a large file, and which data sets a stopped save marks.
#include <unistd.h>

#include <string>

#include "catalogue/folder_index_file.h"
#include "platform/copy_file.h"
#include "tests/transfer/transfer_fixture.h"
#include "transfer/save_register.h"

namespace {

// Stops the transfer once `when` says so, from the copying thread.
class StoppingObserver : public TransferObserver {
public:
    std::atomic<bool>* cancel = nullptr;
    std::function<bool(const TransferObserver&)> when = [](const TransferObserver&) { return false; };
    uint64_t calls = 0;
    uint64_t bytesSeenInsideFirstFile = 0;  // largest figure heard before a file was done
    void Progressed() override {
        ++calls;
        if (filesDone == 0 && bytesDone > bytesSeenInsideFirstFile) bytesSeenInsideFirstFile = bytesDone;
        if (cancel && when(*this)) *cancel = true;
    }
};

class WatchedHost : public FakeHost {
public:
    StoppingObserver observer;
    std::atomic<bool> cancel{false};
    TransferObserver* Observer() override { return &observer; }
    const std::atomic<bool>* CancelFlag() override { return &cancel; }
};

class ProgressCancelTest : public TransferTest {
protected:
    ProgressCancelTest() { watched.observer.cancel = &watched.cancel; }
    // Three data sets of one file each; set 1's file is large.
    void ThreeSets(size_t largeBytes) {
        catalogue = {MakeEntry(0, 0, "A", "\\A", {"\\*.INI"}), MakeEntry(0, 0, "B", "\\B", {"\\*.INI"}),
                     MakeEntry(0, 0, "C", "\\C", {"\\*.INI"})};
        WriteSys("A/a.ini", "aaaa");
        WriteSys("B/big.ini", std::string(largeBytes, 'n'));
        WriteSys("C/c.ini", "cc");
        watched.systemSelected = {0, 1, 2};
        watched.folderName = W("保守A");
    }
    std::string Index() { return ExtHost("保守A/" + std::string(Context().files.indexFile)); }
    std::string IndexWin() { return "E:\\PARC_JDT\\" + W("保守A") + "\\" + Context().files.indexFile; }
    static bool HasTemporary(const std::string& hostDir) {
        for (const std::string& f : Listing(hostDir))
            if (f.find("~$") != std::string::npos) return true;
        return false;
    }
    WatchedHost watched;
};

TEST_F(ProgressCancelTest, FiguresReachTheTotalsAndMoveInsideALargeFile) {
    ThreeSets(20u << 20);
    ASSERT_TRUE(engine.BuildTransferList(Direction::Save, Context(), watched));
    // At the renames the batch has been written and read back whole.
    std::vector<TransferPhase> phases;
    std::vector<uint64_t> checked;
    TransferEngine::SetBatchRenameHookForTesting([&](size_t) {
        phases.push_back(watched.observer.phase);
        checked.push_back(watched.observer.bytesChecked);
    });
    const TransferResult result = engine.RunTransfer(Direction::Save, Context(), watched);
    TransferEngine::SetBatchRenameHookForTesting({});
    EXPECT_EQ(phases, std::vector<TransferPhase>(3, TransferPhase::Finishing));
    EXPECT_EQ(checked, std::vector<uint64_t>(3, result.bytes));
    EXPECT_EQ(watched.observer.totalCheckBytes.load(), result.bytes);
    EXPECT_EQ(watched.observer.phase.load(), TransferPhase::Finishing);  // the last flush
    EXPECT_TRUE(result.Complete(3));
    EXPECT_EQ(result.files, 3u);
    EXPECT_EQ(result.bytes, 4u + (20u << 20) + 2u);
    const TransferObserver& o = watched.observer;
    EXPECT_EQ(o.totalFiles.load(), 3u);
    EXPECT_EQ(o.totalBytes.load(), result.bytes);
    EXPECT_EQ(o.filesDone.load(), 3u);
    EXPECT_EQ(o.bytesDone.load(), o.totalBytes.load());
    EXPECT_TRUE(o.finished.load());
    // The large file is heard in chunks, before it is done.
    EXPECT_GT(watched.observer.calls, 4u);
    std::string set, file;
    o.Current(&set, &file);
    EXPECT_NE(file.find("c.ini"), std::string::npos);
}

TEST_F(ProgressCancelTest, StopAfterTheFirstFileKeepsItAndMarksOnlyItsDataSet) {
    ThreeSets(1000);
    watched.observer.when = [](const TransferObserver& o) { return o.filesDone == 1; };
    RunSave(engine, Context(), watched);
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/A/a.ini")), "aaaa");
    EXPECT_FALSE(HostExists(ExtHost("保守A/B/big.ini")));
    EXPECT_FALSE(HostExists(ExtHost("保守A/C/c.ini")));
    EXPECT_EQ(FolderIndexFile::ReadFlag(IndexWin(), 0), 1);
    EXPECT_EQ(FolderIndexFile::ReadFlag(IndexWin(), 1), 0);
    EXPECT_EQ(FolderIndexFile::ReadFlag(IndexWin(), 2), 0);
    // The confirmation, then one message saying what was done.
    const std::vector<std::string> texts = watched.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1].rfind("保存を中止しました。", 0), 0u) << texts[1];
    EXPECT_NE(texts[1].find("データ 1 件、ファイル 1 個"), std::string::npos) << texts[1];
    EXPECT_EQ(watched.messages[1].icon, MsgIcon::Information);
}

TEST_F(ProgressCancelTest, StopInsideALargeFileLeavesTheOldDestinationWhole) {
    ThreeSets(24u << 20);
    WriteExt("保守A/B/big.ini", "old big");
    watched.observer.when = [](const TransferObserver& o) { return o.filesDone == 1 && o.bytesDone > (4u << 20); };
    ASSERT_TRUE(engine.BuildTransferList(Direction::Save, Context(), watched));
    const TransferResult result = engine.RunTransfer(Direction::Save, Context(), watched);
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.failed);
    EXPECT_EQ(result.rows, 1u);
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/B/big.ini")), "old big");
    EXPECT_FALSE(HostExists(ExtHost("保守A/C/c.ini")));
    EXPECT_FALSE(HasTemporary(ExtHost("保守A/B")));
    EXPECT_TRUE(watched.messages.empty());  // a stop is no write error
    EXPECT_FALSE(engine.DataSetWritten(1, result));
    EXPECT_TRUE(engine.DataSetWritten(0, result));
}

TEST_F(ProgressCancelTest, StopOfARegisterKeepsTheSystemFileWhole) {
    catalogue = {MakeEntry(0, 0, "U", "\\U", {"\\*.INI"})};
    WriteExt("保守A/U/big.ini", std::string(24u << 20, 'f'));
    WriteSys("U/big.ini", "system's");
    presence = {1};
    watched.externalSelected = {0};
    watched.folderName = W("保守A");
    watched.observer.when = [](const TransferObserver& o) { return o.bytesDone > 0; };
    ASSERT_TRUE(engine.BuildTransferList(Direction::Register, Context(), watched));
    const TransferResult result = engine.RunTransfer(Direction::Register, Context(), watched);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(ReadHostFile(SysHost("U/big.ini")), "system's");
    EXPECT_FALSE(HasTemporary(SysHost("U")));
}

TEST_F(ProgressCancelTest, StopOverSetsTheFolderHoldsNeverLeavesAMixedSetMarked) {
    catalogue = {MakeEntry(0, 0, "A", "\\A", {"\\*.INI"}), MakeEntry(0, 0, "B", "\\B", {"\\*.INI"}),
                 MakeEntry(0, 0, "C", "\\C", {"\\*.INI"})};
    for (const char* f : {"A/a.ini", "B/b1.ini", "B/b2.ini", "C/c.ini"}) {
        WriteSys(f, std::string("new ") + f);
        WriteExt(std::string("保守A/") + f, std::string("old ") + f);
    }
    ASSERT_TRUE(FolderIndexFile::WriteFlags(IndexWin(), {0, 1, 2}));
    watched.systemSelected = {0, 1, 2};
    watched.folderName = W("保守A");
    // Stops once B's first file is in; at that moment B must read as not held.
    int heldWhileMixed = -1;
    watched.observer.when = [&](const TransferObserver& o) {
        if (o.filesDone != 2) return false;
        heldWhileMixed = FolderIndexFile::ReadFlag(IndexWin(), 1);
        return true;
    };
    RunSave(engine, Context(), watched);
    EXPECT_EQ(heldWhileMixed, 0);
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/B/b1.ini")), "new B/b1.ini");
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/B/b2.ini")), "old B/b2.ini");
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/C/c.ini")), "old C/c.ini");
    // A written whole, B mixed and unmarked, C untouched and still held.
    EXPECT_EQ(FolderIndexFile::ReadFlag(IndexWin(), 0), 1);
    EXPECT_EQ(FolderIndexFile::ReadFlag(IndexWin(), 1), 0);
    EXPECT_EQ(FolderIndexFile::ReadFlag(IndexWin(), 2), 1);
}

TEST_F(ProgressCancelTest, SourceCutShortWhileItIsCopiedFailsItsRowWithoutACrash) {
    for (const bool verifyOn : {true, false}) {
        SCOPED_TRACE(verifyOn ? "verified" : "unverified");
        ThreeSets(20u << 20);
        WriteExt("保守A/B/big.ini", "old big");
        Context().verify = verifyOn;
        bool cut = false;
        watched.observer.when = [&](const TransferObserver& o) {
            if (!cut && o.filesDone == 1 && o.bytesDone > 4) {
                cut = truncate(SysHost("B/big.ini").c_str(), 1 << 20) == 0;
            }
            return false;
        };
        watched.messages.clear();
        ASSERT_TRUE(engine.BuildTransferList(Direction::Save, Context(), watched));
        const TransferResult result = engine.RunTransfer(Direction::Save, Context(), watched);
        ASSERT_TRUE(cut);
        EXPECT_TRUE(result.failed);
        EXPECT_EQ(result.rows, 1u);  // the first set's file stays
        EXPECT_EQ(ReadHostFile(ExtHost("保守A/B/big.ini")), "old big");
        EXPECT_FALSE(HasTemporary(ExtHost("保守A/B")));
        ASSERT_EQ(watched.messages.size(), 1u);
        EXPECT_EQ(watched.Texts()[0].rfind(
                      "ファイルの書き込みエラーです！\n空き容量・書き込み禁止の確認等を行ってください", 0),
                  0u);
    }
}

TEST_F(ProgressCancelTest, IndexThatCannotBeWrittenIsNamedAndNothingIsMarked) {
    ThreeSets(10);
    // A folder where the index file goes: the copy succeeds, the flags cannot be written.
    ASSERT_EQ(system(("mkdir -p '" + Index() + "'").c_str()), 0);
    RunSave(engine, Context(), watched);
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/C/c.ini")), "cc");
    const std::vector<std::string> texts = watched.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[1].find("索引ファイル「E:\\PARC_JDT\\保守A\\"), std::string::npos) << texts[1];
    EXPECT_NE(texts[1].find("」の書き込みエラーです！"), std::string::npos) << texts[1];
    EXPECT_EQ(watched.messages[1].icon, MsgIcon::Stop);
    EXPECT_EQ(watched.calls.back(), "wait-");
}

}  // namespace
