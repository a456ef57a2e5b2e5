// Copies and profile writes on a medium that fills up or is read-only. These need
// root (mount); they skip otherwise.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>

#include "platform/win32.h"
#include "tests/support/temp_prefix.h"

namespace {

namespace fs = std::filesystem;

size_t EntryCount(const std::string& folder) {
    size_t n = 0;
    for (auto it = fs::directory_iterator(folder); it != fs::directory_iterator(); ++it) ++n;
    return n;
}

class Media : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "needs root to mount";
        mountPoint = prefix.Dir() + "/medium";
        MakeHostDirs(mountPoint);
        prefix.LinkDrive('E', mountPoint);
        MakeHostDirs(prefix.DriveC() + "/src");
    }
    void TearDown() override {
        if (mounted) umount2(mountPoint.c_str(), MNT_DETACH);
    }
    bool MountTmpfs(const char* options) {
        mounted = mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, options) == 0;
        return mounted;
    }
    TempPrefix prefix;
    std::string mountPoint;
    bool mounted = false;
};

TEST_F(Media, FullMediumFailsWith112AndKeepsTheOldFiles) {
    if (!MountTmpfs("size=256k")) GTEST_SKIP() << "tmpfs mount failed";
    std::string oldData(16 * 1024, 'o');
    WriteHostFile(mountPoint + "/data.bin", oldData);
    WriteHostFile(mountPoint + "/index.ini", "[s]\r\nk=1\r\n");
    WriteHostFile(prefix.DriveC() + "/src/big.bin", std::string(1024 * 1024, 'n'));

    // Windows: ERROR_DISK_FULL; here the old destination also stays whole.
    EXPECT_FALSE(CopyFileA("C:\\src\\big.bin", "E:\\data.bin", FALSE));
    EXPECT_EQ(GetLastError(), 112u);
    EXPECT_EQ(ReadHostFile(mountPoint + "/data.bin"), oldData);
    EXPECT_EQ(EntryCount(mountPoint), 2u);  // no temporary file left

    // Fill the rest of the medium: a profile write cannot store its new text.
    std::string filler = mountPoint + "/filler";
    {
        FILE* f = fopen(filler.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::string block(4096, 'f');
        while (fwrite(block.data(), 1, block.size(), f) == block.size() && fflush(f) == 0) {
        }
        fclose(f);
    }
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", std::string(8192, 'x').c_str(), "E:\\index.ini"));
    EXPECT_EQ(GetLastError(), 112u);
    EXPECT_EQ(ReadHostFile(mountPoint + "/index.ini"), "[s]\r\nk=1\r\n");
    EXPECT_EQ(EntryCount(mountPoint), 3u);
    char buf[16];
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buf, sizeof buf, "E:\\index.ini"), 1u);
}

TEST_F(Media, ReadOnlyMediumFailsWith19) {
    // Our choice: a read-only filesystem answers ERROR_WRITE_PROTECT (19), as Windows
    // does for a write-protected medium, rather than the generic 5.
    std::string backing = prefix.Dir() + "/backing";
    MakeHostDirs(backing);
    WriteHostFile(backing + "/data.bin", "old");
    WriteHostFile(backing + "/index.ini", "[s]\r\nk=1\r\n");
    WriteHostFile(prefix.DriveC() + "/src/new.bin", "new");
    if (mount(backing.c_str(), mountPoint.c_str(), nullptr, MS_BIND, nullptr) != 0) GTEST_SKIP() << "bind failed";
    mounted = true;
    if (mount(nullptr, mountPoint.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        GTEST_SKIP() << "read-only remount failed";

    EXPECT_FALSE(CopyFileA("C:\\src\\new.bin", "E:\\data.bin", FALSE));
    EXPECT_EQ(GetLastError(), 19u);
    EXPECT_FALSE(CopyFileA("C:\\src\\new.bin", "E:\\other.bin", FALSE));
    EXPECT_EQ(GetLastError(), 19u);
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "2", "E:\\index.ini"));
    EXPECT_EQ(GetLastError(), 19u);
    EXPECT_EQ(ReadHostFile(backing + "/data.bin"), "old");
    EXPECT_EQ(ReadHostFile(backing + "/index.ini"), "[s]\r\nk=1\r\n");
    EXPECT_EQ(EntryCount(backing), 2u);
}

}  // namespace
