// A profile name is resolved once and kept, yet every change on the way to its file
// is seen at the very next read: with the kernel's change notification and, where
// that is not available, with stat() alone.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/profile_cache.h"
#include "platform/profile_names.h"
#include "tests/platform/profile_fixture.h"

namespace {

namespace fs = std::filesystem;
using platform::profile::ReadCountersForTesting;

class Freshness : public ProfileTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        ProfileTest::SetUp();
        platform::profile::UseChangeWatchForTesting(GetParam());
    }
    void TearDown() override { platform::profile::UseChangeWatchForTesting(true); }

    // Reads `win` twice; the second read must not resolve the name again.
    std::string ReadTwice(const char* section, const char* key) {
        std::string first = Get(section, key);
        auto before = ReadCountersForTesting();
        std::string second = Get(section, key);
        auto after = ReadCountersForTesting();
        EXPECT_EQ(after.resolved, before.resolved) << "kept name resolved again";
        if (GetParam()) {
            EXPECT_EQ(after.watched, before.watched + 1) << "not answered from the watch";
        }
        EXPECT_EQ(first, second);
        return second;
    }
};

void SetTimes(const std::string& path, const struct timespec& t) {
    struct timespec times[2] = {t, t};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

void OverwriteInPlace(const std::string& path, off_t at, const char* bytes) {
    int fd = open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, bytes, strlen(bytes), at), static_cast<ssize_t>(strlen(bytes)));
    close(fd);
}

TEST_P(Freshness, AnotherWritersChangeIsSeenAtTheNextRead) {
    struct Case {
        const char* what;
        std::function<void(const std::string& host, const std::string& folder)> change;
        const char* expected;
    };
    const struct timespec old = {1600000000, 0};  // whole second, as on coarse file systems
    const Case cases[] = {
        {"same size, same second",
         [&](auto& h, auto&) {
             OverwriteInPlace(h, 7, "2");
             SetTimes(h, old);
         },
         "2"},
        {"longer", [](auto& h, auto&) { WriteHostFile(h, "[s]\r\nk=longer\r\n"); }, "longer"},
        {"renamed over",
         [](auto& h, auto& f) {
             WriteHostFile(f + "/new.tmp", "[s]\r\nk=3\r\n");
             ASSERT_EQ(rename((f + "/new.tmp").c_str(), h.c_str()), 0);
         },
         "3"},
        {"removed", [](auto& h, auto&) { unlink(h.c_str()); }, "def"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Put("[s]\r\nk=1\r\n");
        SetTimes(host, old);
        EXPECT_EQ(ReadTwice("s", "k"), "1");
        c.change(host, folder);
        EXPECT_EQ(Get("s", "k"), c.expected);
    }
}

TEST_P(Freshness, RetargetedLinkIsSeenAtTheNextRead) {
    std::string other = prefix.Dir() + "/other_c";
    MakeHostDirs(other + "/ini");
    MakeHostDirs(other + "/windows");
    WriteHostFile(other + "/ini/test.ini", "[s]\r\nk=other\r\n");
    Put("[s]\r\nk=first\r\n");
    EXPECT_EQ(ReadTwice("s", "k"), "first");
    // Replaced atomically, as `ln -sfn` does.
    std::string link = prefix.Dir() + "/dosdevices/c:";
    fs::create_directory_symlink(other, link + ".new");
    ASSERT_EQ(rename((link + ".new").c_str(), link.c_str()), 0);
    EXPECT_EQ(Get("s", "k"), "other");
    // Removed and made again, pointing back.
    prefix.LinkDrive('c', prefix.DriveC());
    EXPECT_EQ(Get("s", "k"), "first");
}

TEST_P(Freshness, StickPulledBetweenTwoReadsAndPluggedInAgain) {
    std::string stick = prefix.AddDrive('e', "floppy");
    MakeHostDirs(stick + "/PARC_JDT/A");
    WriteHostFile(stick + "/PARC_JDT/A/JKNDT.INI", "[s]\r\nk=stick\r\n");
    const char* name = "E:\\PARC_JDT\\A\\JKNDT.INI";
    char buf[32];
    auto read = [&] { return std::string(buf, GetPrivateProfileStringA("s", "k", "none", buf, sizeof buf, name)); };
    EXPECT_EQ(read(), "stick");
    EXPECT_EQ(read(), "stick");

    prefix.UnlinkDrive('e');  // pulled: the link goes
    SetLastError(0);
    EXPECT_EQ(read(), "none");
    EXPECT_NE(GetLastError(), 0u);

    std::string other = MakeTempDir();  // another stick with the same folder
    MakeHostDirs(other + "/PARC_JDT/A");
    WriteHostFile(other + "/PARC_JDT/A/JKNDT.INI", "[s]\r\nk=second\r\n");
    prefix.LinkDrive('e', other);
    EXPECT_EQ(read(), "second");
    EXPECT_EQ(read(), "second");

    RemoveHostTree(other);  // pulled: the link stays, its target goes
    EXPECT_EQ(read(), "none");
}

TEST_P(Freshness, FileCreatedWhereAMissingOneWasKept) {
    struct Case {
        const char* what;
        const char* win;
        DWORD missingError;
        std::string folderToMake;
        std::string fileToMake;
    };
    std::string c = prefix.DriveC();
    const Case cases[] = {
        {"file in an existing folder", "C:\\ini\\new.ini", 2, "", c + "/ini/new.ini"},
        {"other case", "C:\\ini\\Case.INI", 2, "", c + "/ini/case.ini"},
        {"folder and file", "C:\\PARC_JDT\\F\\JKNDT.INI", 3, c + "/PARC_JDT/F", c + "/PARC_JDT/F/JKNDT.INI"},
        {"folder of other case", "C:\\PARC_JDT\\G\\JKNDT.INI", 3, c + "/parc_jdt/g", c + "/parc_jdt/g/jkndt.ini"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        // Folders changed long ago: their stamps prove the absence without notification too.
        SetTimes(c, {1600000000, 0});
        SetTimes(c + "/ini", {1600000000, 0});
        char buf[32];
        auto read = [&] {
            return std::string(buf, GetPrivateProfileStringA("s", "k", "none", buf, sizeof buf, k.win));
        };
        SetLastError(0);
        EXPECT_EQ(read(), "none");
        EXPECT_EQ(GetLastError(), k.missingError);
        // Kept as missing: the next reads neither walk the path nor scan a folder.
        auto before = ReadCountersForTesting();
        for (int i = 0; i < 3; ++i) {
            SetLastError(0);
            EXPECT_EQ(read(), "none");
            EXPECT_EQ(GetLastError(), k.missingError);
        }
        EXPECT_EQ(ReadCountersForTesting().resolved, before.resolved);
        if (!k.folderToMake.empty()) MakeHostDirs(k.folderToMake);
        WriteHostFile(k.fileToMake, "[s]\r\nk=made\r\n");
        EXPECT_EQ(read(), "made");
        RemoveHostTree(c + "/PARC_JDT");
        RemoveHostTree(c + "/parc_jdt");
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, Freshness, ::testing::Values(true, false),
                         [](const auto& p) { return p.param ? "Watched" : "StatOnly"; });

TEST(FreshnessQueue, OverflowedQueueStillShowsTheChange) {
    TempPrefix prefix;
    std::string folder = prefix.DriveC() + "/ini";
    MakeHostDirs(folder);
    std::string host = folder + "/test.ini";
    WriteHostFile(host, "[s]\r\nk=1\r\n");
    const char* win = "C:\\ini\\test.ini";
    char buf[16];
    auto read = [&] { return std::string(buf, GetPrivateProfileStringA("s", "k", "", buf, sizeof buf, win)); };
    EXPECT_EQ(read(), "1");
    EXPECT_EQ(read(), "1");

    int queued = 16384;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queued;
    if (queued > (1 << 20)) GTEST_SKIP() << "queue too long to fill here: " << queued;
    auto before = ReadCountersForTesting();
    // Distinct names: identical events in a row would be merged into one.
    for (int i = 0; i <= queued / 2 + 1; ++i) {
        std::string scratch = folder + "/x" + std::to_string(i);
        close(open(scratch.c_str(), O_CREAT | O_WRONLY, 0644));
        unlink(scratch.c_str());
    }
    OverwriteInPlace(host, 7, "2");
    EXPECT_EQ(read(), "2");
    EXPECT_EQ(ReadCountersForTesting().overflows, before.overflows + 1);
    EXPECT_EQ(read(), "2");
}

}  // namespace
