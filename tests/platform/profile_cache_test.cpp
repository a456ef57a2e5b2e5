// Parsed files are kept between calls, yet a change by another writer is seen at
// the very next call.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "tests/platform/profile_fixture.h"

namespace {

using ProfileCache = ProfileTest;

void SetMtime(const std::string& path, const struct timespec& t) {
    struct timespec times[2] = {t, t};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST_F(ProfileCache, SeesRewriteOfSameSizeInPlace) {
    Put("[s]\r\nk=1\r\n");
    EXPECT_EQ(Get("s", "k"), "1");
    EXPECT_EQ(Get("s", "k"), "1");
    // Same size, same inode, immediately (the same timestamp tick is likely).
    int fd = open(host.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, "2", 1, 7), 1);
    close(fd);
    EXPECT_EQ(Get("s", "k"), "2");
}

TEST_F(ProfileCache, SeesRewriteOfSameSizeWithOldModificationTime) {
    Put("[s]\r\nk=1\r\n");
    struct timespec old = {1600000000, 123456789};
    SetMtime(host, old);
    EXPECT_EQ(Get("s", "k"), "1");
    // Rewritten and its modification time put back: the change time still moves.
    int fd = open(host.c_str(), O_WRONLY);
    ASSERT_EQ(pwrite(fd, "3", 1, 7), 1);
    close(fd);
    SetMtime(host, old);
    EXPECT_EQ(Get("s", "k"), "3");
    // A nanosecond step of the modification time alone is also a change.
    EXPECT_EQ(Get("s", "k"), "3");
    fd = open(host.c_str(), O_WRONLY);
    ASSERT_EQ(pwrite(fd, "4", 1, 7), 1);
    close(fd);
    SetMtime(host, {old.tv_sec, old.tv_nsec + 1});
    EXPECT_EQ(Get("s", "k"), "4");
}

TEST_F(ProfileCache, SeesOtherSizeReplacementAndRemoval) {
    Put("[s]\r\nk=1\r\n");
    EXPECT_EQ(Get("s", "k"), "1");
    Put("[s]\r\nk=longer\r\n");
    EXPECT_EQ(Get("s", "k"), "longer");
    // Replaced by rename (another atomic writer): a new inode.
    WriteHostFile(folder + "/new.ini", "[s]\r\nk=renamed\r\n");
    ASSERT_EQ(rename((folder + "/new.ini").c_str(), host.c_str()), 0);
    EXPECT_EQ(Get("s", "k"), "renamed");
    unlink(host.c_str());
    SetLastError(0);
    EXPECT_EQ(Get("s", "k"), "def");
    EXPECT_EQ(GetLastError(), 2u);
}

TEST_F(ProfileCache, OwnWritesAndOldFilesStayCorrect) {
    Put("[s]\r\nk=1\r\n");
    SetMtime(host, {1600000000, 0});  // old enough to be trusted without re-reading
    EXPECT_EQ(Get("s", "k"), "1");
    EXPECT_TRUE(Write("s", "k", "2"));
    EXPECT_EQ(Get("s", "k"), "2");
    EXPECT_EQ(Int("s", "k"), 2u);
    // Another writer right after our write.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Put("[s]\r\nk=5\r\n");
    EXPECT_EQ(Get("s", "k"), "5");
}

}  // namespace
