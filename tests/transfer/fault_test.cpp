// Real faults of the destination: a full disk, a write-protected medium, a
// medium pulled out between files, and a save that needs exactly the free space.
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>

#include "host/odisk.h"
#include "tests/transfer/transfer_fixture.h"

namespace {
namespace fs = std::filesystem;

// Fills the filesystem that holds `hostDir` to the last byte.
void FillUp(const std::string& hostDir) {
    const int fd = ::open((hostDir + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, block.data(), 1) > 0) {
    }
    ::close(fd);
}

class FaultTest : public TransferTest {
protected:
    // Saves a data set of two files with `remove` run after the first: the transfer
    // fails with one message, never reported whole, and leaves no file.
    void RemoveBetweenRows(const std::function<void()>& remove) {
        catalogue = {MakeEntry(0, 0, "U", "\\U", {"\\0.dat", "\\1.dat"})};
        WriteSys("U/0.dat", "zero");
        WriteSys("U/1.dat", "one");
        host.systemSelected = {0};
        ASSERT_TRUE(engine.BuildTransferList(Direction::Save, Context(), host));
        host.onEvents = [&](int call) {
            if (call == 1) remove();
        };
        const TransferResult result = engine.RunTransfer(Direction::Save, Context(), host);
        EXPECT_TRUE(result.failed);
        EXPECT_EQ(result.rows, 0u);
        ExpectOneWriteError();
        // Not a file, not a temporary one: the folder is empty where it still exists.
        if (HostExists(ExtHost("保守A/U"))) {
            EXPECT_EQ(Listing(ExtHost("保守A/U")), std::vector<std::string>{});
        }
    }
    // Mounts a tmpfs of `bytes` as drive E:. False when that is not possible here.
    bool MountSmallDisk(const std::string& size) {
        if (geteuid() != 0) return false;
        m_mount = prefix.Dir() + "/small-disk";
        MakeHostDirs(m_mount);
        if (::mount("tmpfs", m_mount.c_str(), "tmpfs", 0, ("size=" + size).c_str()) != 0) return false;
        m_mounted.push_back(m_mount);
        driveE = m_mount;
        prefix.LinkDrive('E', m_mount);
        return true;
    }
    // Makes a read-only view of `hostDir` as drive E:.
    bool MountReadOnly(const std::string& hostDir) {
        if (geteuid() != 0) return false;
        const std::string view = prefix.Dir() + "/ro-view";
        MakeHostDirs(view);
        if (::mount(hostDir.c_str(), view.c_str(), nullptr, MS_BIND, nullptr) != 0) return false;
        m_mounted.push_back(view);
        if (::mount(nullptr, view.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) return false;
        driveE = view;
        prefix.LinkDrive('E', view);
        return true;
    }
    void TearDown() override {
        for (auto it = m_mounted.rbegin(); it != m_mounted.rend(); ++it) ::umount2(it->c_str(), MNT_DETACH);
    }

    std::string m_mount;
    std::vector<std::string> m_mounted;
};

TEST_F(FaultTest, SaveNeedingExactlyTheFreeUnitsGoesAheadOneByteMoreIsRefused) {
    if (!MountSmallDisk("1m")) GTEST_SKIP() << "needs root to mount a tmpfs";
    MakeHostDirs(ExtHost("保守A"));
    const uint64_t freeBytes = ODiskNo(4).GetFreeSize().Bytes();
    ASSERT_GT(freeBytes, 8192u);
    catalogue = {MakeEntry(0, 0, "A", "\\A", {"\\*.dat"}), MakeEntry(0, 0, "B", "\\B", {"\\*.dat"})};
    // What the save takes there: whole units for each file, one for each folder it
    // makes (A, B), one for the index file it rewrites and one for its lock file.
    const uint64_t unit = ODiskNo(4).GetAllocationUnit();
    ASSERT_GE(unit, 512u);
    WriteSys("A/a.dat", std::string(freeBytes - 5 * unit, 'a'));
    WriteSys("B/b.dat", std::string(unit, 'b'));
    host.systemSelected = {0, 1};
    ASSERT_TRUE(engine.BuildTransferList(Direction::Save, Context(), host));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(engine.RunTransfer(Direction::Save, Context(), host).rows, 2u);
    EXPECT_EQ(fs::file_size(ExtHost("保守A/B/b.dat")), unit);

    fs::remove_all(ExtHost("保守A/A"));
    fs::remove_all(ExtHost("保守A/B"));
    WriteSys("B/b.dat", std::string(unit + 1, 'b'));  // one byte more takes one unit more
    host.messages.clear();
    ASSERT_FALSE(engine.BuildTransferList(Direction::Save, Context(), host));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, W("「E」の空き容量が不足しています。\n\n空き容量：") +
                                         ODiskSize(freeBytes).ToString(0xFFFFFFFF) + W("\n\nコピーサイズ：") +
                                         ODiskSize(freeBytes + unit).ToString(0xFFFFFFFF));
    EXPECT_TRUE(host.messages[0].appCaption);
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Stop);
}

TEST_F(FaultTest, DiskFillingUpMidTransferKeepsTheRowsBeforeAndLeavesNoPartialFile) {
    if (!MountSmallDisk("1m")) GTEST_SKIP() << "needs root to mount a tmpfs";
    catalogue = {MakeEntry(0, 0, "U", "\\U", {"\\0.dat", "\\1.dat", "\\2.dat"})};
    for (const char* n : {"0", "1", "2"}) WriteSys(std::string("U/") + n + ".dat", std::string(200 * 1024, n[0]));
    host.systemSelected = {0};
    ASSERT_TRUE(engine.BuildTransferList(Direction::Save, Context(), host));
    // Something else takes the rest of the disk while row 1 waits.
    host.onEvents = [&](int call) {
        if (call == 1) FillUp(driveE);
    };
    EXPECT_EQ(engine.RunTransfer(Direction::Save, Context(), host).rows, 1u);
    ExpectOneWriteError();
    // Row 0, written before the failing row, is in place; no temporary file stays.
    EXPECT_EQ(Listing(ExtHost("保守A/U")), std::vector<std::string>{"0.dat"});
}

TEST_F(FaultTest, WriteProtectedMediumChangesNothing) {
    WriteExt("保守A/U/a.ini", "old");
    WriteDocument(ExtHost("保守A/DOC/MAP.DEM"), SeededAttr(3, 2), "body");
    const std::string docBefore = ReadHostFile(ExtHost("保守A/DOC/MAP.DEM"));
    if (!MountReadOnly(driveE)) GTEST_SKIP() << "needs root for a read-only bind mount";
    WriteSys("U/a.ini", "new");
    WriteDocument(SysHost("DOC/MAP.DEM"), SeededAttr(50, 4), "system");
    catalogue = {MakeEntry(2, 1, "DOC", "\\DOC", {"\\MAP.DEM"}), MakeEntry(0, 0, "U", "\\U", {"\\a.ini"})};

    host.systemSelected = {0};
    ASSERT_TRUE(engine.BuildTransferList(Direction::Save, Context(), host));
    EXPECT_EQ(engine.RunTransfer(Direction::Save, Context(), host).rows, 0u);
    ExpectOneWriteError();
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/DOC/MAP.DEM")), docBefore);

    host = FakeHost();
    host.folderName = W("保守A");
    host.systemSelected = {1};
    ASSERT_TRUE(engine.BuildTransferList(Direction::Save, Context(), host));
    EXPECT_EQ(engine.RunTransfer(Direction::Save, Context(), host).rows, 0u);
    ExpectOneWriteError();
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/U/a.ini")), "old");
}

TEST_F(FaultTest, MediumPulledBetweenRowsStopsWithOneMessage) {
    RemoveBetweenRows([&] { prefix.UnlinkDrive('E'); });
}

TEST_F(FaultTest, DestinationFolderRemovedBetweenRowsStopsWithOneMessage) {
    // The folder is made once per run: one that vanishes after is a failed write.
    RemoveBetweenRows([&] { RemoveHostTree(ExtHost("保守A/U")); });
}
}  // namespace
