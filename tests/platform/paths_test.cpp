// Windows paths mapped through the prefix's drive letters.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>

#include "platform/paths.h"
#include "platform/win32.h"
#include "tests/support/temp_prefix.h"

using platform::CurrentDirectory;
using platform::HostPath;
using platform::ResolvePath;

namespace {
// Host paths of existing files go through the drive's link; compare them with
// the link resolved.
std::string Canon(const std::string& host) { return std::filesystem::weakly_canonical(host).string(); }
}  // namespace

namespace {

// Restores the process's current folder after a test changes it.
class CwdGuard {
public:
    CwdGuard() {
        char buf[PATH_MAX];
        if (getcwd(buf, sizeof buf)) m_old = buf;
    }
    ~CwdGuard() {
        if (!m_old.empty() && chdir(m_old.c_str()) != 0) {
        }
    }

private:
    std::string m_old;
};

class PathsTest : public ::testing::Test {
protected:
    TempPrefix prefix;
    std::string c = prefix.DriveC();
};

}  // namespace

TEST_F(PathsTest, DriveAbsolutePathsExactAndMissing) {
    WriteHostFile(c + "/windows/a.ini", "x");
    HostPath r = ResolvePath("C:\\windows\\a.ini");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(Canon(r.host), c + "/windows/a.ini");
    EXPECT_EQ(r.drive, 2);
    EXPECT_TRUE(r.exists);
    EXPECT_TRUE(r.parentExists);
    EXPECT_FALSE(r.trailingSeparator);

    r = ResolvePath("c:/windows/new.ini");  // forward slashes, lower-case letter
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(Canon(r.host), c + "/windows/new.ini");
    EXPECT_FALSE(r.exists);
    EXPECT_TRUE(r.parentExists);

    r = ResolvePath("C:\\nope\\new.ini");
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.exists);
    EXPECT_FALSE(r.parentExists);

    r = ResolvePath("C:\\windows\\a.ini\\x");  // a file in the middle
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.parentExists);

    r = ResolvePath("C:\\windows\\");
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.trailingSeparator);
    EXPECT_EQ(Canon(r.host), c + "/windows");
}

TEST_F(PathsTest, CaseIsIgnoredWhenTheExactNameIsMissing) {
    WriteHostFile(c + "/Data/Sub/File.TXT", "x");
    HostPath r = ResolvePath("C:\\DATA\\sub\\file.txt");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(Canon(r.host), c + "/Data/Sub/File.TXT");
    EXPECT_TRUE(r.exists);

    // A missing last name keeps its spelling under the case-corrected folders.
    r = ResolvePath("C:\\data\\SUB\\New.txt");
    EXPECT_EQ(Canon(r.host), c + "/Data/Sub/New.txt");
    EXPECT_TRUE(r.parentExists);

    // Full-width and Greek letters fold too, as on NTFS.
    MakeHostDirs(c + "/ＡＢＣ");
    r = ResolvePath(W("C:\\ａｂｃ"));
    EXPECT_TRUE(r.exists);
    EXPECT_EQ(Canon(r.host), c + "/ＡＢＣ");
}

TEST_F(PathsTest, DotsAreResolvedWithoutLeavingTheDrive) {
    MakeHostDirs(c + "/a/b");
    EXPECT_EQ(Canon(ResolvePath("C:\\a\\b\\..\\.\\b").host), c + "/a/b");
    EXPECT_EQ(Canon(ResolvePath("C:\\..\\..\\a").host), c + "/a");  // ".." stops at the root
    EXPECT_EQ(Canon(ResolvePath("C:\\a\\..").host), c);
    // Win32 drops trailing dots and spaces of the last component.
    EXPECT_EQ(Canon(ResolvePath("C:\\a. .").host), c + "/a");
    // Windows (RtlGetFullPathName) also drops one trailing dot of every folder
    // before a separator: "a.\b" is "a\b", "a..\b" is "a.\b"; spaces stay there.
    WriteHostFile(c + "/a/b/f.txt", "x");
    EXPECT_EQ(Canon(ResolvePath("C:\\a.\\b.\\f.txt").host), c + "/a/b/f.txt");
    EXPECT_TRUE(ResolvePath("C:\\a.\\b\\").exists);
    EXPECT_EQ(Canon(ResolvePath("C:\\a..\\b").host), c + "/a./b");
    EXPECT_FALSE(ResolvePath("C:\\a \\b").exists);
    // A folder name of three dots is a name, never the parent folder.
    EXPECT_EQ(Canon(ResolvePath("C:\\a\\...\\x").host), c + "/a/.../x");
}

TEST_F(PathsTest, DoubleByteCharactersAreNeverSplit) {
    // 表 is 95 5C and ソ 83 5C: the 5C trail byte is not a separator.
    MakeHostDirs(c + "/表示/ソフト");
    WriteHostFile(c + "/表示/ソフト/ポ.ini", "x");
    HostPath r = ResolvePath(W("C:\\表示\\ソフト\\ポ.ini"));
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.exists);
    EXPECT_EQ(Canon(r.host), c + "/表示/ソフト/ポ.ini");

    r = ResolvePath(W("C:\\表"));  // ends in the 5C trail byte
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.trailingSeparator);
    EXPECT_EQ(Canon(r.host), c + "/表");
}

TEST_F(PathsTest, RelativeAndRootRelativePathsUseTheCurrentFolder) {
    CwdGuard guard;
    MakeHostDirs(c + "/work/sub");
    ASSERT_EQ(chdir((c + "/work").c_str()), 0);
    EXPECT_EQ(CurrentDirectory(), "C:\\work");
    EXPECT_EQ(Canon(ResolvePath("sub\\x.txt").host), c + "/work/sub/x.txt");
    EXPECT_EQ(Canon(ResolvePath(".\\x.txt").host), c + "/work/x.txt");
    EXPECT_EQ(Canon(ResolvePath("..\\y").host), c + "/y");
    EXPECT_EQ(Canon(ResolvePath("\\windows").host), c + "/windows");  // root of the current drive
    EXPECT_EQ(Canon(ResolvePath("C:sub").host), c + "/work/sub");     // current folder of C:

    // The longest drive target wins over C: and Z: (Z: -> "/" holds everything).
    prefix.LinkDrive('W', c + "/work");
    EXPECT_EQ(CurrentDirectory(), "W:\\");
    ASSERT_EQ(chdir("sub"), 0);
    EXPECT_EQ(CurrentDirectory(), "W:\\sub");

    // Outside every drive but Z:, and with no drive at all.
    ASSERT_EQ(chdir(prefix.Dir().c_str()), 0);
    EXPECT_EQ(CurrentDirectory().substr(0, 3), "Z:\\");
    prefix.UnlinkDrive('Z');
    EXPECT_EQ(CurrentDirectory(), "C:\\windows");
    EXPECT_EQ(platform::WindowsDirectory(), "C:\\windows");
}

TEST_F(PathsTest, DriveLinksAreReadAtEveryCall) {
    EXPECT_FALSE(ResolvePath("E:\\x").ok);
    EXPECT_EQ(ResolvePath("E:\\x").error, ERROR_PATH_NOT_FOUND);
    std::string e = prefix.AddDrive('E');
    HostPath r = ResolvePath("E:\\x");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(Canon(r.host), e + "/x");
    EXPECT_TRUE(r.parentExists);

    // A link whose target is missing: a drive without medium.
    prefix.LinkDrive('E', prefix.Dir() + "/gone");
    r = ResolvePath("E:\\x");
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.exists);
    EXPECT_FALSE(r.parentExists);

    prefix.UnlinkDrive('E');
    EXPECT_FALSE(ResolvePath("E:\\x").ok);
    EXPECT_EQ(platform::DriveHostRoot(2), c);
    EXPECT_EQ(platform::DriveHostRoot(25), "/");
}

TEST_F(PathsTest, NamesWindowsCannotHoldAreRefused) {
    // CreateFile refuses these with ERROR_INVALID_NAME.
    for (const char* bad : {"C:\\a*b", "C:\\a?b", "C:\\a\"b", "C:\\a<b", "C:\\a>b", "C:\\a|b", "C:\\a:b", "C:\\con",
                            "C:\\dir\\NUL.txt", "C:\\lpt1", "C:\\a\tb"}) {
        HostPath r = ResolvePath(bad);
        EXPECT_FALSE(r.ok) << bad;
        EXPECT_EQ(r.error, ERROR_INVALID_NAME) << bad;
    }
    EXPECT_FALSE(ResolvePath("C:\\\x85\x40").ok);  // an unassigned double-byte pair
    EXPECT_FALSE(ResolvePath("").ok);
    EXPECT_FALSE(ResolvePath("\\\\server\\share\\x").ok);
    // ポ (83 7C) holds a '|' trail byte and is a valid name.
    EXPECT_TRUE(ResolvePath(W("C:\\ポ")).ok);
}

TEST(PathNames, WindowsCompatibleHostNames) {
    using platform::IsWindowsCompatibleName;
    for (const char* good : {"a.txt", "設定データ", "ｱｲｳ", "x y", ".hidden", "con_x", "a..b"})
        EXPECT_TRUE(IsWindowsCompatibleName(good)) << good;
    for (const char* bad : {"",      ".",     "..",     "a\\b",   "x:y", "a*",      "q?",   "l<r",  "g>t", "p|q",
                            "\"q\"", "tab\t", "trail.", "trail ", "CON", "aux.txt", "com3", "€uro", "〜",  "bad\xff"})
        EXPECT_FALSE(IsWindowsCompatibleName(bad)) << bad;
}

TEST(PathErrors, ErrnoToWindowsErrors) {
    using platform::ErrnoToWin32;
    EXPECT_EQ(ErrnoToWin32(ENOENT), 2u);
    EXPECT_EQ(ErrnoToWin32(ENOTDIR), 3u);
    EXPECT_EQ(ErrnoToWin32(EACCES), 5u);
    EXPECT_EQ(ErrnoToWin32(EROFS), 5u);
    EXPECT_EQ(ErrnoToWin32(EEXIST), 80u);
    EXPECT_EQ(ErrnoToWin32(ENOSPC), 112u);
    EXPECT_EQ(ErrnoToWin32(EBUSY), 32u);
}
