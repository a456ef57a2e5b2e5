// Drive letters, types, media, free space and the error mode.
#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/drives.h"
#include "platform/host_fs.h"
#include "platform/paths.h"
#include "platform/win32.h"
#include "tests/support/temp_prefix.h"

namespace {

constexpr DWORD Bit(char letter) { return 1u << (letter - 'A'); }

class DrivesTest : public ::testing::Test {
protected:
    TempPrefix prefix;
};

}  // namespace

TEST_F(DrivesTest, GetLogicalDrivesFollowsTheLinks) {
    // Bit n is drive 'A'+n; the fresh prefix has C: and Z:.
    EXPECT_EQ(GetLogicalDrives(), Bit('C') | Bit('Z'));
    prefix.AddDrive('E');
    prefix.LinkDrive('A', prefix.Dir() + "/no-floppy");  // a link without target still names a drive
    EXPECT_EQ(GetLogicalDrives(), Bit('A') | Bit('C') | Bit('E') | Bit('Z'));
    prefix.UnlinkDrive('E');
    prefix.UnlinkDrive('Z');
    EXPECT_EQ(GetLogicalDrives(), Bit('A') | Bit('C'));
    // A raw device link "d::" is no drive, nor is anything but a symbolic link.
    WriteHostFile(prefix.Dir() + "/dosdevices/d::", "");
    WriteHostFile(prefix.Dir() + "/dosdevices/f:", "");
    EXPECT_EQ(GetDriveTypeA("F:\\"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(GetLogicalDrives(), Bit('A') | Bit('C'));
}

TEST_F(DrivesTest, GetDriveTypeAcceptsOnlyRoots) {
    prefix.SetDriveType('C', "hd");
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeA("c:\\"), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeA("C:"), DRIVE_FIXED);  // works without the backslash on Windows
    EXPECT_EQ(GetDriveTypeA("C:/"), DRIVE_FIXED);
    // Windows gives 1 (DRIVE_NO_ROOT_DIR) for these.
    for (const char* bad : {"C?", "C", "?", "", "C:\\windows\\", "C:\\windows", "Q:\\"})
        EXPECT_EQ(GetDriveTypeA(bad), DRIVE_NO_ROOT_DIR) << bad;
    // Every letter answers 1 to 6, never 0.
    for (char l = 'A'; l <= 'Z'; ++l) {
        char root[] = {l, ':', '\\', 0};
        UINT t = GetDriveTypeA(root);
        EXPECT_GE(t, 1u) << root;
        EXPECT_LE(t, 6u) << root;
    }
}

TEST_F(DrivesTest, TypesComeFromSystemReg) {
    prefix.AddDrive('A', "floppy");
    prefix.AddDrive('D', "cdrom");
    prefix.AddDrive('N', "network");
    prefix.AddDrive('R', "ramdisk");
    prefix.AddDrive('H', "hd");
    EXPECT_EQ(GetDriveTypeA("A:\\"), DRIVE_REMOVABLE);
    EXPECT_EQ(GetDriveTypeA("D:\\"), DRIVE_CDROM);
    EXPECT_EQ(GetDriveTypeA("N:\\"), DRIVE_REMOTE);
    EXPECT_EQ(GetDriveTypeA("R:\\"), DRIVE_RAMDISK);
    EXPECT_EQ(GetDriveTypeA("H:\\"), DRIVE_FIXED);
    // A change while running shows at the next call.
    prefix.SetDriveType('H', "floppy");
    EXPECT_EQ(GetDriveTypeA("H:\\"), DRIVE_REMOVABLE);
    EXPECT_EQ(platform::DriveType(7), static_cast<unsigned>(DRIVE_REMOVABLE));
    // A registered drive whose link is gone does not exist.
    prefix.UnlinkDrive('D');
    EXPECT_EQ(GetDriveTypeA("D:\\"), DRIVE_NO_ROOT_DIR);
}

TEST_F(DrivesTest, NullMeansTheCurrentDrive) {
    prefix.SetDriveType('Z', "network");
    std::string cwd = platform::CurrentDirectory();
    char root[] = {cwd[0], ':', '\\', 0};
    EXPECT_EQ(GetDriveTypeA(nullptr), GetDriveTypeA(root));
}

TEST_F(DrivesTest, TypesAreDetectedFromTheMountTable) {
    std::string sys = prefix.Dir() + "/sys";
    WriteHostFile(sys + "/8:16/removable", "1\n");
    WriteHostFile(sys + "/8:0/removable", "0\n");
    std::string mounts = prefix.Dir() + "/mountinfo";
    std::string nfs = prefix.Dir() + "/mnt/nfs", iso = prefix.Dir() + "/mnt/iso", usb = prefix.Dir() + "/mnt/usb";
    std::string sp = prefix.Dir() + "/mnt/with space";
    WriteHostFile(mounts,
                  "1 0 8:0 / / rw - ext4 /dev/sda rw\n"
                  "2 1 0:50 / " +
                      nfs +
                      " rw - nfs4 srv:/x rw\n"
                      "3 1 11:0 / " +
                      iso +
                      " ro - iso9660 /dev/sr0 ro\n"
                      "4 1 8:17 / " +
                      usb +
                      " rw shared:1 - vfat /dev/sdb1 rw\n"
                      "5 1 0:51 / " +
                      prefix.Dir() + "/mnt/with\\040space rw - cifs //srv/x rw\n");
    // As in sysfs, the partition 8:17 links into its removable disk 8:16.
    MakeHostDirs(sys + "/8:16/sdb1");
    ASSERT_EQ(symlink((sys + "/8:16/sdb1").c_str(), (sys + "/8:17").c_str()), 0);
    platform::SetMountTableForTesting(mounts, sys);

    MakeHostDirs(nfs);
    MakeHostDirs(iso + "/sub");
    MakeHostDirs(usb);
    MakeHostDirs(sp);
    prefix.LinkDrive('N', nfs);
    prefix.LinkDrive('D', iso + "/sub");
    prefix.LinkDrive('U', usb);
    prefix.LinkDrive('S', sp);
    prefix.AddDrive('F');
    EXPECT_EQ(GetDriveTypeA("N:\\"), DRIVE_REMOTE);
    EXPECT_EQ(GetDriveTypeA("D:\\"), DRIVE_CDROM);
    EXPECT_EQ(GetDriveTypeA("U:\\"), DRIVE_REMOVABLE);
    EXPECT_EQ(GetDriveTypeA("S:\\"), DRIVE_REMOTE);
    EXPECT_EQ(GetDriveTypeA("F:\\"), DRIVE_FIXED);
    // The registry wins over detection.
    prefix.SetDriveType('N', "hd");
    EXPECT_EQ(GetDriveTypeA("N:\\"), DRIVE_FIXED);
    // A target under /media is removable even while nothing is mounted there.
    prefix.LinkDrive('M', "/media/no-such-stick-for-tests");
    EXPECT_EQ(GetDriveTypeA("M:\\"), DRIVE_REMOVABLE);
    platform::SetMountTableForTesting("", "");
}

TEST_F(DrivesTest, MediumLabelAndFreeSpace) {
    std::string e = prefix.AddDrive('E', "floppy");
    EXPECT_TRUE(platform::DriveHasMedium(4));
    EXPECT_EQ(platform::DriveLabel(4), "");
    WriteHostFile(e + "/.windows-label", "\xEF\xBB\xBF保存用\r\nsecond line\n");
    EXPECT_EQ(platform::DriveLabel(4), "保存用");

    uint64_t freeBytes = 0, total = 0;
    ASSERT_TRUE(platform::DriveFreeBytes(4, &freeBytes, &total));
    struct statvfs vfs {};
    ASSERT_EQ(statvfs(e.c_str(), &vfs), 0);
    EXPECT_EQ(total, static_cast<uint64_t>(vfs.f_blocks) * vfs.f_frsize);
    EXPECT_LE(freeBytes, total);

    ULARGE_INTEGER avail{}, tot{}, totFree{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("E:\\", &avail, &tot, &totFree));
    EXPECT_EQ(tot.QuadPart, total);
    EXPECT_LE(avail.QuadPart, totFree.QuadPart);
    EXPECT_TRUE(GetDiskFreeSpaceExA("E:\\", nullptr, nullptr, nullptr));

    // No medium: the link stays, its target is gone.
    prefix.LinkDrive('E', prefix.Dir() + "/ejected");
    EXPECT_FALSE(platform::DriveHasMedium(4));
    EXPECT_FALSE(platform::DriveFreeBytes(4, &freeBytes));
    EXPECT_EQ(GetDriveTypeA("E:\\"), DRIVE_REMOVABLE);
    SetLastError(0);
    EXPECT_FALSE(GetDiskFreeSpaceExA("E:\\", &avail, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
}

TEST_F(DrivesTest, GetDiskFreeSpaceExErrors) {
    ULARGE_INTEGER avail{};
    SetLastError(0);
    EXPECT_FALSE(GetDiskFreeSpaceExA("Q:\\", &avail, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);  // absent drive: 3, as Wine's tests see
    EXPECT_FALSE(GetDiskFreeSpaceExA("C:\\nope\\", &avail, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    WriteHostFile(prefix.DriveC() + "/f.txt", "x");
    EXPECT_FALSE(GetDiskFreeSpaceExA("C:\\f.txt", &avail, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
    EXPECT_TRUE(GetDiskFreeSpaceExA("C:\\windows\\", &avail, nullptr, nullptr));  // any folder of the drive
}

TEST(ErrorMode, ReturnsThePreviousMode) {
    UINT start = SetErrorMode(0);
    EXPECT_EQ(SetErrorMode(SEM_FAILCRITICALERRORS), start & SEM_NOALIGNMENTFAULTEXCEPT);
    EXPECT_EQ(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX),
              static_cast<UINT>(SEM_FAILCRITICALERRORS) | (start & SEM_NOALIGNMENTFAULTEXCEPT));
    // SEM_NOALIGNMENTFAULTEXCEPT sticks once set.
    SetErrorMode(SEM_NOALIGNMENTFAULTEXCEPT);
    EXPECT_EQ(SetErrorMode(0), static_cast<UINT>(SEM_NOALIGNMENTFAULTEXCEPT));
    EXPECT_EQ(SetErrorMode(0), static_cast<UINT>(SEM_NOALIGNMENTFAULTEXCEPT));
}
