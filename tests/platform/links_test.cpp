// Below a drive root no symbolic link is followed by any Windows call, and no FIFO
// is opened, whether the kernel's openat2 or the O_NOFOLLOW walk does the work.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>

#include "platform/beneath.h"
#include "platform/copy_file.h"
#include "platform/win32.h"
#include "tests/support/temp_prefix.h"

namespace {
namespace fs = std::filesystem;

std::map<std::string, std::string> Tree(const std::string& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        out[e.path().string()] = e.is_regular_file() ? ReadHostFile(e.path().string()) : "<dir>";
    return out;
}

std::string FindAll(const char* pattern) {
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA(pattern, &d);
    if (h == INVALID_HANDLE_VALUE) return "ERR" + std::to_string(GetLastError());
    std::string names;
    do names += std::string(names.empty() ? "" : " ") + d.cFileName;
    while (FindNextFileA(h, &d));
    FindClose(h);
    return names;
}

class Links : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        platform::UseOpenat2ForTesting(GetParam());
        outside = prefix.Dir() + "/outside";
        WriteHostFile(outside + "/secret.ini", "[s]\r\nk=secret\r\n");
        const std::string c = prefix.DriveC();
        WriteHostFile(c + "/real/a.ini", "[s]\r\nk=mine\r\n");
        fs::create_directory_symlink(outside, c + "/lnkdir");
        fs::create_symlink(outside + "/secret.ini", c + "/real/lnk.ini");
        ASSERT_EQ(mkfifo((c + "/real/fifo.ini").c_str(), 0600), 0);
    }
    void TearDown() override { platform::UseOpenat2ForTesting(true); }
    TempPrefix prefix;
    std::string outside;
};

TEST_P(Links, AreNeitherFollowedNorShownAndFifosNeverOpened) {
    const auto before = Tree(outside);
    struct Case {
        const char* what;
        std::function<long()> call;  // the call's result, then GetLastError or errno as listed
        long expected;
        long expectedError;  // -1: not checked
    };
    char buf[32];
    auto error = [] { return static_cast<long>(GetLastError()); };
    const Case cases[] = {
        {"attributes of a linked folder", [] { return long(GetFileAttributesA("C:\\lnkdir")); }, -1L & 0xFFFFFFFF, 2},
        {"attributes below a linked folder", [] { return long(GetFileAttributesA("C:\\lnkdir\\secret.ini")); },
         -1L & 0xFFFFFFFF, 3},
        {"attributes below it, other case", [] { return long(GetFileAttributesA("C:\\LNKDIR\\SECRET.INI")); },
         -1L & 0xFFFFFFFF, 3},
        {"attributes of a linked file", [] { return long(GetFileAttributesA("C:\\real\\lnk.ini")); }, -1L & 0xFFFFFFFF,
         2},
        {"profile read through a link",
         [&] { return long(GetPrivateProfileStringA("s", "k", "def", buf, sizeof buf, "C:\\real\\lnk.ini")); }, 3, 2},
        {"profile read below a linked folder",
         [&] { return long(GetPrivateProfileStringA("s", "k", "def", buf, sizeof buf, "C:\\lnkdir\\secret.ini")); }, 3,
         3},
        {"profile write below a linked folder",
         [] { return long(WritePrivateProfileStringA("s", "k", "x", "C:\\lnkdir\\secret.ini")); }, 0, 3},
        {"copy from a linked file", [] { return long(CopyFileA("C:\\real\\lnk.ini", "C:\\real\\b.ini", 0)); }, 0, 2},
        {"copy into a linked folder", [] { return long(CopyFileA("C:\\real\\a.ini", "C:\\lnkdir\\s.ini", 0)); }, 0, 3},
        {"copy from a FIFO", [] { return long(CopyFileA("C:\\real\\fifo.ini", "C:\\real\\b.ini", FALSE)); }, 0, 5},
        {"profile read of a FIFO",
         [&] { return long(GetPrivateProfileStringA("s", "k", "def", buf, sizeof buf, "C:\\real\\fifo.ini")); }, 3, 5},
        {"fopen for writing below a linked folder",
         [] { return long(win32::fopen("C:\\lnkdir\\new.txt", "w") != nullptr); }, 0, -1},
        {"fopen of a linked file", [] { return long(win32::fopen("C:\\real\\lnk.ini", "r") != nullptr); }, 0, -1},
        {"fopen of a FIFO", [] { return long(win32::fopen("C:\\real\\fifo.ini", "r") != nullptr); }, 0, -1},
        {"folder made below a linked folder", [] { return long(_mkdir("C:\\lnkdir\\sub")); }, -1, -1},
        {"linked file removed", [] { return long(win32::remove("C:\\real\\lnk.ini")); }, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(c.call(), c.expected);
        if (c.expectedError >= 0) {
            EXPECT_EQ(error(), c.expectedError);
        }
    }
    EXPECT_EQ(FindAll("C:\\real\\*"), ". .. a.ini");
    EXPECT_EQ(FindAll("C:\\*"), "real windows");
    EXPECT_EQ(FindAll("C:\\lnkdir\\*"), "ERR3");
    EXPECT_EQ(Tree(outside), before);
    EXPECT_TRUE(fs::is_symlink(prefix.DriveC() + "/real/lnk.ini"));
    // The plain file next to them still works both ways.
    EXPECT_TRUE(CopyFileA("C:\\real\\a.ini", "C:\\real\\b.ini", FALSE));
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "def", buf, sizeof buf, "C:\\real\\b.ini"), 4u);
}

TEST_P(Links, TheKernelRefusesLinksInEveryOpenBelowTheRoot) {
    // What ResolvePath would have caught first: here the opens alone must refuse.
    const std::string c = prefix.DriveC();
    for (const std::string& path : {c + "/lnkdir/secret.ini", c + "/real/lnk.ini", c + "/lnkdir"}) {
        for (int flags : {O_RDONLY, O_WRONLY | O_CREAT | O_TRUNC, O_PATH}) {
            SCOPED_TRACE(path + " flags " + std::to_string(flags));
            errno = 0;
            EXPECT_EQ(platform::OpenUnderDrive(path, flags, 0644), -1);
            EXPECT_EQ(errno, ELOOP);
        }
    }
    std::string name;
    EXPECT_EQ(platform::OpenParentFolder(c + "/lnkdir/new.ini", &name), -1);
    int fd = platform::OpenUnderDrive(c + "/real/a.ini", O_RDONLY);
    EXPECT_GE(fd, 0);
    if (fd >= 0) close(fd);
    EXPECT_EQ(Tree(outside).size(), 1u);
}

TEST_P(Links, ADriveLinkedElsewhereBoundsOpensAtItsNewRootAtOnce) {
    // The drive roots are kept between opens; a link made anew must count at the
    // very next one, or a folder it now leads to would be opened as a plain host path.
    const std::string first = prefix.AddDrive('E');
    const std::string second = prefix.Dir() + "/stick2";
    WriteHostFile(first + "/f.ini", "[s]\r\n");
    WriteHostFile(second + "/f.ini", "[s]\r\n");
    fs::create_directory_symlink(outside, second + "/lnkdir");
    EXPECT_EQ(platform::DriveRootLengthOf(first + "/f.ini"), first.size());
    int fd = platform::OpenUnderDrive(first + "/f.ini", O_RDONLY);
    EXPECT_GE(fd, 0);
    if (fd >= 0) close(fd);

    prefix.LinkDrive('E', second);
    EXPECT_EQ(platform::DriveRootLengthOf(second + "/f.ini"), second.size());
    // (Z: stays, as "/": the old folder now lies on it alone.)
    EXPECT_NE(platform::DriveRootLengthOf(first + "/f.ini"), first.size());
    errno = 0;
    EXPECT_EQ(platform::OpenUnderDrive(second + "/lnkdir/secret.ini", O_RDONLY), -1);
    EXPECT_EQ(errno, ELOOP);

    prefix.UnlinkDrive('E');
    EXPECT_NE(platform::DriveRootLengthOf(second + "/f.ini"), second.size());
}

TEST_P(Links, TemporaryFilesHaveTheReservedPatternAndAreNeverListed) {
    std::string temp;
    int fd = platform::CreateTempBeside(prefix.DriveC() + "/real/a.ini", &temp);
    ASSERT_GE(fd, 0);
    const std::string name = temp.substr(temp.rfind('/') + 1);
    EXPECT_TRUE(platform::IsTransferTempName(name)) << name;
    EXPECT_EQ(FindAll("C:\\real\\*"), ". .. a.ini");
    platform::DiscardTemp(fd, temp);
    EXPECT_FALSE(HostExists(temp));
    for (const char* other :
         {"~$a.ini", "~$a.ini.ABCDEFGH.tmp", "~$a.ini.abcdefg.tmp", "a.ini.abcdefgh.tmp", "~$.abcdefgh.tm"})
        EXPECT_FALSE(platform::IsTransferTempName(other)) << other;
}

INSTANTIATE_TEST_SUITE_P(Openat2AndWalk, Links, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "openat2" : "walk"; });

}  // namespace
