// CopyFileA: Windows results and error codes, plus the atomic replacement of the
// destination (no half-written file, no temporary file left).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "platform/copy_file.h"
#include "platform/win32.h"
#include "tests/support/temp_prefix.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

class CopyFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir = prefix.DriveC() + "/d";
        MakeHostDirs(dir);
        WriteHostFile(dir + "/src.txt", "source data");
        WriteHostFile(dir + "/old.txt", "old destination");
    }
    TempPrefix prefix;
    std::string dir;
    const char* src = "C:\\d\\src.txt";
    const char* old = "C:\\d\\old.txt";
};

TEST_F(CopyFile, CopiesDataTimeAndReadOnlyAttribute) {
    struct timespec t[2] = {{1500000000, 5}, {1600000000, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, (dir + "/src.txt").c_str(), t, 0), 0);
    SetLastError(77);
    EXPECT_TRUE(CopyFileA(src, "C:\\d\\new.txt", TRUE));
    EXPECT_EQ(GetLastError(), 0u);  // Windows: success sets 0
    EXPECT_EQ(ReadHostFile(dir + "/new.txt"), "source data");
    struct stat st {};
    stat((dir + "/new.txt").c_str(), &st);
    EXPECT_EQ(st.st_mtim.tv_sec, 1600000000);  // Windows copies the last-write time exactly
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
    // Windows: attributes come along, read-only included, also when overwriting.
    chmod((dir + "/src.txt").c_str(), 0444);
    EXPECT_TRUE(CopyFileA(src, old, FALSE));
    EXPECT_EQ(GetFileAttributesA(old) & FILE_ATTRIBUTE_READONLY, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ReadHostFile(dir + "/old.txt"), "source data");
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"new.txt", "old.txt", "src.txt"}));
}

TEST_F(CopyFile, ErrorCodes) {
    // Windows: 80 fail-if-exists; onto itself 32 (FALSE) or 80 (TRUE); 2 source
    // missing; 3 folder missing or NULL; 5 read-only destination or folders.
    EXPECT_FALSE(CopyFileA(src, old, TRUE));
    EXPECT_EQ(GetLastError(), 80u);
    EXPECT_FALSE(CopyFileA(src, src, FALSE));
    EXPECT_EQ(GetLastError(), 32u);
    EXPECT_FALSE(CopyFileA(src, "c:\\D\\SRC.TXT", TRUE));
    EXPECT_EQ(GetLastError(), 80u);
    EXPECT_FALSE(CopyFileA("C:\\d\\none.txt", old, FALSE));
    EXPECT_EQ(GetLastError(), 2u);
    EXPECT_FALSE(CopyFileA("C:\\nope\\x.txt", old, FALSE));
    EXPECT_EQ(GetLastError(), 3u);
    EXPECT_FALSE(CopyFileA(src, "C:\\nope\\x.txt", FALSE));
    EXPECT_EQ(GetLastError(), 3u);
    EXPECT_FALSE(CopyFileA(nullptr, old, FALSE));
    EXPECT_EQ(GetLastError(), 3u);
    EXPECT_FALSE(CopyFileA(src, nullptr, FALSE));
    EXPECT_EQ(GetLastError(), 3u);
    EXPECT_FALSE(CopyFileA("C:\\d", "C:\\d\\x.txt", FALSE));
    EXPECT_EQ(GetLastError(), 5u);
    EXPECT_FALSE(CopyFileA(src, "C:\\", FALSE));
    EXPECT_EQ(GetLastError(), 5u);
    chmod((dir + "/old.txt").c_str(), 0444);
    EXPECT_FALSE(CopyFileA(src, old, FALSE));
    EXPECT_EQ(GetLastError(), 5u);
    EXPECT_EQ(ReadHostFile(dir + "/old.txt"), "old destination");
    // Windows refuses a hidden destination too; a dot name is only hidden by
    // convention here, and saving such a file twice must work.
    WriteHostFile(dir + "/.hidden", "h");
    EXPECT_TRUE(CopyFileA(src, "C:\\d\\.hidden", FALSE));
    EXPECT_EQ(ReadHostFile(dir + "/.hidden"), ReadHostFile(dir + "/src.txt"));
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{".hidden", "old.txt", "src.txt"}));
}

TEST_F(CopyFile, SymlinkDestinationIsReplacedNotFollowed) {
    std::string target = dir + "/target.txt";
    WriteHostFile(target, "must stay");
    fs::create_symlink(target, dir + "/link.txt");
    EXPECT_TRUE(CopyFileA(src, "C:\\d\\link.txt", FALSE));
    EXPECT_EQ(ReadHostFile(target), "must stay");
    EXPECT_FALSE(fs::is_symlink(dir + "/link.txt"));
    EXPECT_EQ(ReadHostFile(dir + "/link.txt"), "source data");
    // A dangling link is an existing name too.
    fs::create_symlink(dir + "/nowhere", dir + "/dangling.txt");
    EXPECT_FALSE(CopyFileA(src, "C:\\d\\dangling.txt", TRUE));
    EXPECT_EQ(GetLastError(), 80u);
    EXPECT_FALSE(HostExists(dir + "/nowhere"));
}

TEST_F(CopyFile, FailedCopiesLeaveTheOldDestinationWhole) {
    unlink((dir + "/src.txt").c_str());
    EXPECT_FALSE(CopyFileA(src, old, FALSE));
    EXPECT_EQ(GetLastError(), 2u);
    EXPECT_EQ(ReadHostFile(dir + "/old.txt"), "old destination");
    // A folder that refuses new files (not as root, who may write anyway).
    if (geteuid() != 0) {
        WriteHostFile(dir + "/src.txt", "source data");
        chmod(dir.c_str(), 0555);
        EXPECT_FALSE(CopyFileA(src, old, FALSE));
        EXPECT_EQ(GetLastError(), 5u);
        chmod(dir.c_str(), 0755);
        EXPECT_EQ(ReadHostFile(dir + "/old.txt"), "old destination");
    }
    EXPECT_EQ(Entries(dir).size(), geteuid() != 0 ? 2u : 1u);
}

TEST_F(CopyFile, LargeFileAndCp932Names) {
    std::string big(3 * 1024 * 1024 + 17, '\0');
    std::mt19937 rng(42);
    for (char& c : big) c = static_cast<char>(rng());
    MakeHostDirs(prefix.DriveC() + "/表");
    WriteHostFile(prefix.DriveC() + "/表/ソース.bin", big);
    EXPECT_TRUE(CopyFileA(W("C:\\表\\ソース.bin").c_str(), W("C:\\表\\ゾ.bin").c_str(), FALSE));
    EXPECT_EQ(ReadHostFile(prefix.DriveC() + "/表/ゾ.bin"), big);
    EXPECT_EQ(Entries(prefix.DriveC() + "/表"), (std::vector<std::string>{"ソース.bin", "ゾ.bin"}));
}

TEST_F(CopyFile, FlushFilesystemOf) {
    EXPECT_TRUE(platform::FlushFilesystemOf("C:\\d\\old.txt"));
    EXPECT_TRUE(platform::FlushFilesystemOf("C:\\d\\not-yet-there.txt"));  // its folder is flushed
    EXPECT_FALSE(platform::FlushFilesystemOf("Q:\\x"));
    EXPECT_FALSE(platform::FlushFilesystemOf(nullptr));
}

}  // namespace
