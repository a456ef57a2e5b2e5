// GetFileAttributesA/ExA and the runtime's _access, _mkdir, fopen and remove.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/win32.h"
#include "tests/support/temp_prefix.h"

namespace {

class FileOpsTest : public ::testing::Test {
protected:
    TempPrefix prefix;
    std::string c = prefix.DriveC();
};

DWORD AttrError(const char* path) {
    SetLastError(0);
    DWORD a = GetFileAttributesA(path);
    return a == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
}

}  // namespace

TEST_F(FileOpsTest, AttributesOfFilesFoldersAndRoots) {
    WriteHostFile(c + "/dir/f.txt", "hello");
    WriteHostFile(c + "/dir/ro.txt", "x");
    WriteHostFile(c + "/dir/.cfg", "x");
    ASSERT_EQ(chmod((c + "/dir/ro.txt").c_str(), 0444), 0);

    EXPECT_EQ(GetFileAttributesA("C:\\dir\\f.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetFileAttributesA("C:\\DIR\\F.TXT"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetFileAttributesA("C:\\dir"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesA("C:\\dir\\"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_TRUE(GetFileAttributesA("C:\\dir\\ro.txt") & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(GetFileAttributesA("C:\\dir\\.cfg") & FILE_ATTRIBUTE_HIDDEN);
    // Test the DIRECTORY bit of a root, not equality (NTFS roots add HIDDEN|SYSTEM).
    EXPECT_TRUE(GetFileAttributesA("C:\\") & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(GetFileAttributesA("C:") & FILE_ATTRIBUTE_DIRECTORY);

    WIN32_FILE_ATTRIBUTE_DATA d;
    ASSERT_TRUE(GetFileAttributesExA("C:\\dir\\f.txt", GetFileExInfoStandard, &d));
    EXPECT_EQ(d.nFileSizeLow, 5u);
    EXPECT_EQ(d.nFileSizeHigh, 0u);
    EXPECT_NE(d.ftLastWriteTime.dwHighDateTime, 0u);
    EXPECT_FALSE(GetFileAttributesExA("C:\\dir\\f.txt", static_cast<GET_FILEEX_INFO_LEVELS>(1), &d));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(FileOpsTest, AttributeErrors) {
    WriteHostFile(c + "/dir/f.txt", "x");
    EXPECT_EQ(AttrError("C:\\dir\\none.txt"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(AttrError("C:\\nope\\none.txt"), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(AttrError("C:\\dir\\f.txt\\x"), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(AttrError("C:\\dir\\f.txt\\"), ERROR_INVALID_NAME);
    EXPECT_EQ(AttrError("C:\\dir\\a*"), ERROR_INVALID_NAME);
    // A letter without link: error 3.
    EXPECT_EQ(AttrError("Q:\\"), ERROR_PATH_NOT_FOUND);
    // Removable drive without medium: 21 (ERROR_NOT_READY); fixed drive without target: 3.
    prefix.LinkDrive('A', prefix.Dir() + "/no-disk");
    prefix.SetDriveType('A', "floppy");
    EXPECT_EQ(AttrError("A:\\"), ERROR_NOT_READY);
    EXPECT_EQ(AttrError("A:\\x\\y"), ERROR_NOT_READY);
    prefix.LinkDrive('H', prefix.Dir() + "/no-disk");
    prefix.SetDriveType('H', "hd");
    EXPECT_EQ(AttrError("H:\\"), ERROR_PATH_NOT_FOUND);
    // Inserting the medium makes the root readable at the next call.
    MakeHostDirs(prefix.Dir() + "/no-disk");
    EXPECT_EQ(AttrError("A:\\"), 0u);
}

TEST_F(FileOpsTest, AccessModes) {
    WriteHostFile(c + "/dir/f.txt", "x");
    WriteHostFile(c + "/dir/ro.txt", "x");
    ASSERT_EQ(chmod((c + "/dir/ro.txt").c_str(), 0444), 0);
    EXPECT_EQ(_access("C:\\dir\\f.txt", 0), 0);
    EXPECT_EQ(_access("C:\\dir\\f.txt", 2), 0);
    EXPECT_EQ(_access("C:\\dir\\f.txt", 4), 0);
    EXPECT_EQ(_access("C:\\dir\\f.txt", 6), 0);
    EXPECT_EQ(_access("C:\\dir", 0), 0);
    EXPECT_EQ(_access("C:\\", 0), 0);
    EXPECT_EQ(_access("C:\\dir\\ro.txt", 4), 0);
    errno = 0;
    EXPECT_EQ(_access("C:\\dir\\ro.txt", 2), -1);
    EXPECT_EQ(errno, EACCES);
    errno = 0;
    EXPECT_EQ(_access("C:\\dir\\none", 0), -1);
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    EXPECT_EQ(_access("Q:\\", 0), -1);
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    EXPECT_EQ(_access("C:\\dir\\f.txt", 1), -1);  // the MS runtime takes 0, 2, 4, 6 only
    EXPECT_EQ(errno, EINVAL);
}

TEST_F(FileOpsTest, MkdirLikeTheMicrosoftRuntime) {
    EXPECT_EQ(_mkdir("C:\\made"), 0);
    EXPECT_TRUE(HostExists(c + "/made"));
    errno = 0;
    EXPECT_EQ(_mkdir("C:\\MADE"), -1);  // exists, ignoring case
    EXPECT_EQ(errno, EEXIST);
    errno = 0;
    EXPECT_EQ(_mkdir("C:\\nope\\sub"), -1);  // no parent: not created
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(HostExists(c + "/nope"));
    EXPECT_EQ(_mkdir(W("C:\\made\\表示データ\\").c_str()), 0);  // trailing backslash allowed
    EXPECT_TRUE(HostExists(c + "/made/表示データ"));
    errno = 0;
    EXPECT_EQ(_mkdir("C:\\"), -1);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(_mkdir("C:\\bad|name"), -1);
    EXPECT_FALSE(HostExists(c + "/bad|name"));
}

TEST_F(FileOpsTest, FopenAndRemove) {
    MakeHostDirs(c + "/dir");
    FILE* f = win32::fopen(W("C:\\DIR\\新規.txt").c_str(), "w+");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fputs("abc\n", f), 1);
    std::fclose(f);
    EXPECT_EQ(ReadHostFile(c + "/dir/新規.txt"), "abc\n");  // bytes as written, no CRLF

    f = win32::fopen(W("c:\\dir\\新規.TXT").c_str(), "rt");
    ASSERT_NE(f, nullptr);
    char buf[16] = {};
    EXPECT_NE(std::fgets(buf, sizeof buf, f), nullptr);
    std::fclose(f);
    EXPECT_STREQ(buf, "abc\n");

    errno = 0;
    EXPECT_EQ(win32::fopen("C:\\dir\\none.txt", "r"), nullptr);
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    EXPECT_EQ(win32::fopen("C:\\nope\\x.txt", "w"), nullptr);  // folders are not created
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    EXPECT_EQ(win32::fopen("C:\\dir", "r"), nullptr);
    EXPECT_EQ(errno, EACCES);

    // Names a Windows file system cannot hold are refused and leave nothing behind.
    for (const char* bad : {"C:\\dir\\a*b", "C:\\dir\\a?b", "C:\\dir\\a\"b", "C:\\dir\\a<b", "C:\\dir\\a>b",
                            "C:\\dir\\a|b", "C:\\dir\\a:b", "C:\\dir\\con"}) {
        EXPECT_EQ(win32::fopen(bad, "w+"), nullptr) << bad;
    }
    EXPECT_EQ(ReadHostFile(c + "/dir/新規.txt"), "abc\n");

    EXPECT_EQ(win32::remove(W("C:\\dir\\新規.txt").c_str()), 0);
    EXPECT_FALSE(HostExists(c + "/dir/新規.txt"));
    errno = 0;
    EXPECT_EQ(win32::remove("C:\\dir\\none.txt"), -1);
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    EXPECT_EQ(win32::remove("C:\\dir"), -1);  // folders are not files
    EXPECT_EQ(errno, EACCES);
}

TEST_F(FileOpsTest, ReadOnlyFilesAreProtected) {
    WriteHostFile(c + "/ro.txt", "keep");
    ASSERT_EQ(chmod((c + "/ro.txt").c_str(), 0444), 0);
    errno = 0;
    EXPECT_EQ(win32::fopen("C:\\ro.txt", "w"), nullptr);
    EXPECT_EQ(errno, EACCES);
    errno = 0;
    EXPECT_EQ(win32::remove("C:\\ro.txt"), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(ReadHostFile(c + "/ro.txt"), "keep");
    FILE* f = win32::fopen("C:\\ro.txt", "r");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
}
