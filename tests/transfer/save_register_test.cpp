// The save and register operations: their messages, in order, and their effects.
#include "catalogue/folder_index_file.h"
#include "tests/transfer/transfer_fixture.h"

namespace {

class OperationTest : public TransferTest {
protected:
    void SetUp() override {
        for (int i = 0; i < 5; ++i) {
            const std::string d = "D" + std::to_string(i);
            catalogue.push_back(MakeEntry(0, 0, d, "\\" + d, {"\\*.ini"}));
            WriteSys(d + "/s.ini", d);
        }
    }
    std::string IndexPath(const std::string& folderUtf8 = "保守A") {
        return W("E:\\PARC_JDT\\" + folderUtf8 + "\\JKNDT.INI");
    }
    void ExpectMessage(size_t i, const std::string& textUtf8, const std::string& captionUtf8, MsgButtons buttons,
                       MsgIcon icon) {
        ASSERT_LT(i, host.messages.size());
        EXPECT_EQ(host.Texts()[i], textUtf8);
        EXPECT_EQ(host.messages[i].caption, W(captionUtf8));
        EXPECT_FALSE(host.messages[i].appCaption);
        EXPECT_EQ(host.messages[i].buttons, buttons);
        EXPECT_EQ(host.messages[i].icon, icon);
    }
};

TEST_F(OperationTest, SaveWithoutDriveReturnsSilently) {
    host.drive = std::nullopt;
    host.systemSelected = {0};
    RunSave(engine, Context(), host);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"clearRoot"}));
    EXPECT_FALSE(HostExists(ExtHost()));
}

TEST_F(OperationTest, SaveAsksForADiskUntilCancelled) {
    prefix.LinkDrive('F', prefix.Dir() + "/no-disk");
    prefix.SetDriveType('F', "floppy");
    host.drive = platform::DriveLetter::FromLetter('F');
    host.systemSelected = {0};
    host.answers = {MsgAnswer::Ok, MsgAnswer::Cancel};
    RunSave(engine, Context(), host);
    ASSERT_EQ(host.messages.size(), 2u);
    for (const UserMessage& m : host.messages) {
        EXPECT_EQ(platform::Cp932ToUtf8(m.text), "ドライブ F: にディスクを挿入して、[OK]を押して下さい。");
        EXPECT_TRUE(m.appCaption);
        EXPECT_EQ(m.buttons, MsgButtons::OkCancel);
        EXPECT_EQ(m.icon, MsgIcon::None);
    }
    // A cancel leaves before the wait cursor and the refresh.
    EXPECT_EQ(host.calls, (std::vector<std::string>{"message", "message"}));
}

TEST_F(OperationTest, SaveGoesOnOnceTheDiskIsIn) {
    prefix.LinkDrive('E', prefix.Dir() + "/no-disk");
    prefix.SetDriveType('E', "floppy");
    host.systemSelected = {0};
    host.onMessage = [&](const UserMessage&) { prefix.LinkDrive('E', driveE); };
    RunSave(engine, Context(), host);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.Texts()[1], "[ E ] ドライブにデータの保存を行いますか？");
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/D0/s.ini")), "D0");
}

TEST_F(OperationTest, SaveWithEmptyNameUsesDefaultFolderAndMarksIt) {
    host.folderName.clear();
    host.systemSelected = {1};
    RunSave(engine, Context(), host);
    ExpectMessage(0, "ディレクトリ名称を｢設定データ保守｣で保存します。\nよろしいですか?", "データ保存",
                  MsgButtons::OkCancel, MsgIcon::Question);
    ExpectMessage(1, "[ E ] ドライブにデータの保存を行いますか？", "データ保存", MsgButtons::OkCancel,
                  MsgIcon::Question);
    EXPECT_EQ(host.folderName, W("設定データ保守"));
    EXPECT_EQ(ReadHostFile(ExtHost("設定データ保守/D1/s.ini")), "D1");
    EXPECT_EQ(FolderIndexFile::ReadFlag(IndexPath("設定データ保守"), 1), 1);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"message", "setFolder", "wait+", "message", "busy1", "events",
                                                    "busy0", "refresh1", "wait-"}));
}

TEST_F(OperationTest, SaveDeclinedOrRefusedWritesNothingButRefreshes) {
    host.systemSelected = {0};
    host.folderName.clear();
    host.answers = {MsgAnswer::Cancel};
    RunSave(engine, Context(), host);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"message", "wait+", "refresh1", "wait-"}));

    host = FakeHost();
    host.systemSelected = {0};
    host.folderName = "bad*name";
    RunSave(engine, Context(), host);
    ExpectMessage(0, "ディレクトリ名［ bad*name ］が不正です。（名称を変更して下さい。）", "データ保存", MsgButtons::Ok,
                  MsgIcon::Stop);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"message", "wait+", "refresh1", "wait-"}));

    host = FakeHost();
    host.folderName = W("保守A");
    host.systemSelected = {0};
    host.answers = {MsgAnswer::Cancel};  // the confirmation
    RunSave(engine, Context(), host);
    EXPECT_EQ(host.messages.size(), 1u);
    EXPECT_FALSE(HostExists(ExtHost()));
}

TEST_F(OperationTest, SaveWithNothingToCopy) {
    catalogue[3] = MakeEntry(0, 0, "NOPE", "\\N", {"\\*.ini"});
    host.systemSelected = {3};
    RunSave(engine, Context(), host);
    ASSERT_EQ(host.messages.size(), 1u);
    ExpectMessage(0, "ファイルが存在しませんでした", "データ保存", MsgButtons::Ok, MsgIcon::Stop);
    EXPECT_FALSE(HostExists(ExtHost("保守A/JKNDT.INI")));
}

TEST_F(OperationTest, CompleteSaveMarksSelectedDataSetsOnly) {
    MakeHostDirs(ExtHost("保守A"));
    ASSERT_TRUE(FolderIndexFile::WriteNew(IndexPath(), 5));
    ASSERT_TRUE(FolderIndexFile::WriteFlag(IndexPath(), 3, true));
    // Data set 2 has no files: it is marked all the same.
    catalogue[2] = MakeEntry(0, 0, "NOPE", "\\N", {"\\*.ini"});
    host.systemSelected = {0, 2};
    RunSave(engine, Context(), host);
    EXPECT_EQ(host.messages.size(), 1u);
    const std::vector<int> flags = {
        FolderIndexFile::ReadFlag(IndexPath(), 0), FolderIndexFile::ReadFlag(IndexPath(), 1),
        FolderIndexFile::ReadFlag(IndexPath(), 2), FolderIndexFile::ReadFlag(IndexPath(), 3),
        FolderIndexFile::ReadFlag(IndexPath(), 4)};
    EXPECT_EQ(flags, (std::vector<int>{1, 0, 1, 1, 0}));
}

TEST_F(OperationTest, FailedSaveMarksOnlyTheSetsWrittenWhole) {
    MakeHostDirs(ExtHost("保守A/D1/s.ini"));  // cannot be written
    host.systemSelected = {0, 1};
    RunSave(engine, Context(), host);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(
        host.Texts()[1],
        "ファイルの書き込みエラーです！\n空き容量・書き込み禁止の確認等を行ってください\n"
        "失敗までに保存したファイルはそのままです。すべてのファイルを保存できたデータだけを保存済みとして記録します。");
    EXPECT_TRUE(HostExists(ExtHost("保守A/D0/s.ini")));  // written before the failing row
    EXPECT_EQ(FolderIndexFile::ReadFlag(IndexPath(), 0), 1);
    EXPECT_EQ(FolderIndexFile::ReadFlag(IndexPath(), 1), 0);
    EXPECT_EQ(host.calls.back(), "wait-");
}

TEST_F(OperationTest, LongFolderNameHoldsBothFilesAndIndexWhenTheFolderIsThere) {
    const std::string name(100, 'n');
    host.folderName = name;
    host.systemSelected = {4};
    RunSave(engine, Context(), host);  // a new folder's name holds at most 20 bytes
    EXPECT_FALSE(HostExists(ExtHost(name)));
    host = FakeHost();
    host.folderName = name;
    host.systemSelected = {4};
    MakeHostDirs(ExtHost(name));  // listed in the folder box: used by that name
    RunSave(engine, Context(), host);
    EXPECT_EQ(ReadHostFile(ExtHost(name + "/D4/s.ini")), "D4");
    EXPECT_EQ(FolderIndexFile::ReadFlag("E:\\PARC_JDT\\" + name + "\\JKNDT.INI", 4), 1);
}

TEST_F(OperationTest, NamesThatAreNoOneFolderAreRefusedBySaveAndRegister) {
    WriteExt("保守A/D0/s.ini", "saved D0");
    ASSERT_TRUE(FolderIndexFile::WriteFlag(IndexPath(), 0, true));
    for (const std::string& name : {std::string(".."), std::string("/"), std::string("\\"), std::string("..\\..\\x"),
                                    W("保守B."), std::string("NUL"), std::string("a|b")}) {
        for (const bool save : {true, false}) {
            host = FakeHost();
            host.folderName = name;
            host.systemSelected = {0};
            host.externalSelected = {1};
            host.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
            save ? RunSave(engine, Context(), host) : RunRegister(engine, Context(), host);
            ASSERT_EQ(host.messages.size(), 1u) << name;
            EXPECT_EQ(host.Texts()[0],
                      "ディレクトリ名［ " + platform::Cp932ToUtf8(name) + " ］が不正です。（名称を変更して下さい。）");
        }
    }
    EXPECT_FALSE(HostExists(ExtHost("JKNDT.INI")));
    EXPECT_FALSE(HostExists(driveE + "/JKNDT.INI"));
    EXPECT_FALSE(HostExists(driveE + "/D0"));
    EXPECT_FALSE(HostExists(ExtHost("保守B")));
    EXPECT_EQ(ReadHostFile(SysHost("D0/s.ini")), "D0");
}

TEST_F(OperationTest, RegisterCopiesIntoSystemAndLeavesIndexAlone) {
    WriteExt("保守A/D0/s.ini", "saved D0");
    WriteExt("保守A/D2/s.ini", "saved D2");
    ASSERT_TRUE(FolderIndexFile::WriteFlag(IndexPath(), 0, true));
    ASSERT_TRUE(FolderIndexFile::WriteFlag(IndexPath(), 2, true));
    const std::string indexBefore = ReadHostFile(ExtHost("保守A/JKNDT.INI"));
    presence = {1, 0, 1, 0, 0};
    host.externalSelected = {1};
    RunRegister(engine, Context(), host);
    ExpectMessage(0, "[ E ] ドライブからデータの再登録を行いますか？", "データ保存", MsgButtons::OkCancel,
                  MsgIcon::Question);
    EXPECT_EQ(ReadHostFile(SysHost("D2/s.ini")), "saved D2");
    EXPECT_EQ(ReadHostFile(SysHost("D0/s.ini")), "D0");
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/JKNDT.INI")), indexBefore);
    EXPECT_EQ(host.calls.back(), "wait-");
    EXPECT_EQ(host.calls[host.calls.size() - 2], "refresh0");
    EXPECT_EQ(host.driveQueries, 0);
}

TEST_F(OperationTest, RegisterWithEmptyNameReadsDefaultFolderAndKeepsBoxEmpty) {
    WriteExt("設定データ保守/D1/s.ini", "default D1");
    presence = {0, 1, 0, 0, 0};
    host.folderName.clear();
    host.externalSelected = {0};
    RunRegister(engine, Context(), host);
    ExpectMessage(0, "名称が｢設定データ保守｣のディレクトリから再登録します。", "データ保存", MsgButtons::OkCancel,
                  MsgIcon::Question);
    EXPECT_EQ(host.folderName, "");
    EXPECT_EQ(ReadHostFile(SysHost("D1/s.ini")), "default D1");
}

TEST_F(OperationTest, RegisterWithNothingToCopyUsesRegisterCaption) {
    presence = {1, 0, 0, 0, 0};  // the folder lacks D0's files
    host.externalSelected = {0};
    RunRegister(engine, Context(), host);
    ASSERT_EQ(host.messages.size(), 1u);
    ExpectMessage(0, "ファイルが存在しませんでした", "データ再登録", MsgButtons::Ok, MsgIcon::Stop);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"wait+", "message", "refresh0", "wait-"}));
}
}  // namespace
