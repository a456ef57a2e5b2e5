// Restore points of a register and their undo: bytes, times, modes and absent
// files put back exactly, also after a crash; a full disk stops the register
// before anything is touched; pruning; damaged points are never trusted.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "tests/transfer/transfer_fixture.h"
#include "transfer/undo_register.h"

namespace {

namespace fs = std::filesystem;

struct FileState {
    bool exists = false;
    std::string bytes;
    int64_t mtimeNs = 0;
    mode_t mode = 0;
    bool operator==(const FileState&) const = default;
};

FileState StateOf(const std::string& hostPath) {
    FileState s;
    struct stat st {};
    if (stat(hostPath.c_str(), &st) != 0) return s;
    s.exists = true;
    s.bytes = ReadHostFile(hostPath);
    s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.mode = st.st_mode & 07777;
    return s;
}

void SetTimes(const std::string& hostPath, time_t seconds, long ns) {
    const timespec t[2] = {{seconds, ns}, {seconds, ns}};
    ASSERT_EQ(utimensat(AT_FDCWD, hostPath.c_str(), t, 0), 0);
}

class RestorePointTest : public TransferTest {
protected:
    RestorePointTest() : data(MakeTempDir()), store(data + "/points") {}
    ~RestorePointTest() override {
        if (mounted) umount2(store.Root().c_str(), MNT_DETACH);
        RemoveHostTree(data);
    }

    // The system before the register: a settings file with its own mode and time,
    // a document, and a file the folder brings that the system lacks.
    void SetUpRegister() {
        catalogue = {MakeEntry(0, 0, "U", "\\U", {"\\*.ini"}), MakeEntry(2, 0, "DOC", "\\DOC", {"\\MAP.DEM"})};
        WriteSys("U/a.ini", "system a");
        chmod(SysHost("U/a.ini").c_str(), 0640);
        SetTimes(SysHost("U/a.ini"), 1000000000, 123456789);
        WriteDocument(SysHost("DOC/MAP.DEM"), SeededAttr(10, 2), "system body");
        WriteExt("保守A/U/a.ini", "folder a, longer");
        WriteExt("保守A/U/new.ini", "folder new");
        WriteDocument(ExtHost("保守A/DOC/MAP.DEM"), SeededAttr(90, 7), "folder body");
        presence = {1, 1};
        host.externalSelected = {0, 1};
        Context().restoreRoot = store.Root();
        Context().keepRestorePoints = 20;
        before = Snapshot();
    }
    std::string LockFolderOfTest() const { return data + "/locks"; }
    std::vector<FileState> Snapshot() const {
        return {StateOf(SysHost("U/a.ini")), StateOf(SysHost("U/new.ini")), StateOf(SysHost("DOC/MAP.DEM"))};
    }
    RestorePoint Latest() const {
        RestorePoint point;
        EXPECT_TRUE(store.Latest(&point));
        return point;
    }

    std::string data;
    RestorePointStore store;
    std::vector<FileState> before;
    bool mounted = false;
};

TEST_F(RestorePointTest, RegisterThenUndoPutsTheSystemBackExactly) {
    SetUpRegister();
    RunRegister(engine, Context(), host);
    ASSERT_EQ(host.messages.size(), 1u) << host.Texts().back();  // only the confirmation
    const std::vector<FileState> after = Snapshot();
    ASSERT_NE(after, before);
    EXPECT_TRUE(after[1].exists);

    const RestorePoint point = Latest();
    EXPECT_EQ(point.folder, W("E:\\PARC_JDT\\保守A"));
    ASSERT_EQ(point.files.size(), 3u);
    EXPECT_TRUE(point.files[0].existed);
    EXPECT_FALSE(point.files[1].existed);  // new.ini: removed by the undo
    EXPECT_EQ(point.KeptBytes(), before[0].bytes.size() + before[2].bytes.size());

    host.messages.clear();
    host.calls.clear();
    EXPECT_TRUE(RunUndoRegister(store, point, host, LockFolderOfTest()));
    EXPECT_EQ(Snapshot(), before);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_NE(host.Texts()[0].find("次の再登録を元に戻します。\n\n日時: "), std::string::npos);
    EXPECT_NE(host.Texts()[0].find("\n保守フォルダ: E:\\PARC_JDT\\保守A\nファイル数: 3\n"), std::string::npos);
    EXPECT_NE(host.Texts()[1].find("2 個のファイルを再登録の前の内容に戻しました。\n再登録で新しく作られた 1 個"),
              std::string::npos);
    EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "refresh0"), host.calls.end());
    // Used now: no other point is left to undo.
    RestorePoint none;
    EXPECT_FALSE(store.Latest(&none));
    ASSERT_EQ(store.List().size(), 1u);
    EXPECT_TRUE(store.List()[0].used);
}

TEST_F(RestorePointTest, CancelledUndoTouchesNothing) {
    SetUpRegister();
    RunRegister(engine, Context(), host);
    const std::vector<FileState> after = Snapshot();
    host.answers = {MsgAnswer::Cancel};
    EXPECT_FALSE(RunUndoRegister(store, Latest(), host, LockFolderOfTest()));
    EXPECT_EQ(Snapshot(), after);
    EXPECT_FALSE(Latest().used);
}

TEST_F(RestorePointTest, CrashBetweenRestorePointAndCopyThenUndo) {
    SetUpRegister();
    ASSERT_EQ(engine.BuildTransferList(Direction::Register, Context(), host), 1);
    ASSERT_TRUE(KeepRestorePoint(engine, Context(), W("E:\\PARC_JDT\\保守A"), host));
    // The power goes after the first file: one file replaced, a temporary left.
    WriteSys("U/a.ini", "half of the register");
    WriteSys("U/.a.ini.x1y2.tmp", "left by the crash");
    const UndoResult result = store.Undo(Latest().id);
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.restored, 2u);
    EXPECT_EQ(result.removed, 1u);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(RestorePointTest, UndoCutShortIsFinishedByTheNextUndo) {
    SetUpRegister();
    RunRegister(engine, Context(), host);
    const std::string id = Latest().id;
    for (size_t crashAt : {0u, 1u, 2u}) {
        SCOPED_TRACE(crashAt);
        const UndoResult cut = store.Undo(id, [&](size_t i) { return i < crashAt; });
        EXPECT_FALSE(cut.ok);
        EXPECT_FALSE(Latest().used);  // still offered
    }
    const UndoResult done = store.Undo(id);
    EXPECT_TRUE(done.ok);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(RestorePointTest, ADamagedKeptCopyStopsTheUndoAndKeepsTheFile) {
    SetUpRegister();
    RunRegister(engine, Context(), host);
    const std::vector<FileState> after = Snapshot();
    const RestorePoint point = Latest();
    WriteHostFile(point.dir + "/" + point.files[0].copy, "rotten");
    const UndoResult result = store.Undo(point.id);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, EIO);
    EXPECT_EQ(result.failedPath, W("C:\\SYS\\U\\a.ini"));
    EXPECT_EQ(Snapshot()[0], after[0]);
}

TEST_F(RestorePointTest, FullDiskWhileKeepingStopsTheRegisterBeforeAnything) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to mount";
    SetUpRegister();
    WriteSys("U/big.ini", std::string(300 * 1024, 'b'));
    WriteExt("保守A/U/big.ini", "small");
    before = Snapshot();
    const FileState bigBefore = StateOf(SysHost("U/big.ini"));
    MakeHostDirs(store.Root());
    mounted = mount("tmpfs", store.Root().c_str(), "tmpfs", 0, "size=128k") == 0;
    if (!mounted) GTEST_SKIP() << "tmpfs mount failed";

    RunRegister(engine, Context(), host);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_NE(host.Texts()[1].find("再登録は中止しました（システムのファイルは変更していません）。"),
              std::string::npos);
    EXPECT_EQ(host.messages[1].icon, MsgIcon::Stop);
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "busy1"), 0);  // no copy began
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(StateOf(SysHost("U/big.ini")), bigBefore);
    EXPECT_TRUE(Listing(store.Root()).empty());  // nothing half-made left
}

TEST_F(RestorePointTest, PruningKeepsTheNewestAndDropsUnfinished) {
    WriteSys("U/a.ini", "a");
    std::vector<std::string> ids;
    for (int i = 0; i < 5; ++i) {
        RestorePoint point;
        ASSERT_EQ(store.Create({"C:\\SYS\\U\\a.ini"}, "E:\\PARC_JDT\\X", &point), 0);
        ids.push_back(point.id);
    }
    // A left-over unfinished point goes; a recent one may be another register's at work.
    const std::string leftOver = store.Root() + "/20000101T000000-000.partial";
    MakeHostDirs(leftOver);
    std::filesystem::last_write_time(
        leftOver, std::filesystem::file_time_type::clock::now() - std::chrono::seconds(kLockStaleSeconds + 60));
    MakeHostDirs(store.Root() + "/20000101T000000-001.partial");
    store.Prune(3);
    std::vector<std::string> listed;
    for (const RestorePoint& p : store.List()) listed.push_back(p.id);
    EXPECT_EQ(listed, (std::vector<std::string>{ids[4], ids[3], ids[2]}));
    EXPECT_EQ(Listing(store.Root()).size(), 3u * 4 + 1);  // folder, manifest, files/, files/0 each; the recent one
    EXPECT_FALSE(std::filesystem::exists(leftOver));
}

TEST_F(RestorePointTest, DamagedOrForeignManifestsAreNotOffered) {
    WriteSys("U/a.ini", "a");
    RestorePoint good;
    ASSERT_EQ(store.Create({"C:\\SYS\\U\\a.ini"}, "E:\\PARC_JDT\\X", &good), 0);
    const std::string manifest = ReadHostFile(good.dir + "/manifest.json");
    auto plant = [&](const std::string& id, const std::string& text) {
        MakeHostDirs(store.Root() + "/" + id);
        WriteHostFile(store.Root() + "/" + id + "/manifest.json", text);
    };
    auto replaced = [&](std::string text, const std::string& from, const std::string& to) {
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    plant("29990101T000000-001", "{ not json");
    plant("29990101T000000-002", "[]");
    plant("29990101T000000-003", replaced(replaced(manifest, good.id, "29990101T000000-003"), "files/0", "../../x"));
    plant("29990101T000000-004", replaced(replaced(manifest, good.id, "29990101T000000-004"), good.prefix, "/other"));
    plant("29990101T000000-005", replaced(manifest, "\"version\": 1", "\"version\": 9"));
    ASSERT_EQ(store.List().size(), 1u);
    EXPECT_EQ(store.List()[0].id, good.id);
    EXPECT_EQ(store.Undo("29990101T000000-004").error, EXDEV);  // another installation's: never put back here
    EXPECT_FALSE(store.Undo("../" + good.id).ok);
}

}  // namespace
