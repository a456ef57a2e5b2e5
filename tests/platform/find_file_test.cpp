// FindFirstFileA / FindNextFileA / FindClose: wildcards, dots, errors, data.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_search.h"
#include "platform/win32.h"
#include "tests/support/temp_prefix.h"

namespace {

// All names a search returns, in order, joined by spaces; "ERR<n>" on failure.
std::string Find(const std::string& pattern) {
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA(pattern.c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return "ERR" + std::to_string(GetLastError());
    std::string names = d.cFileName;
    while (FindNextFileA(h, &d)) names += std::string(" ") + d.cFileName;
    DWORD end = GetLastError();
    FindClose(h);
    if (end != ERROR_NO_MORE_FILES) names += " END" + std::to_string(end);
    return names;
}

class FindTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* n : {"a", "aa", "aaa", "a.a", "aa.a", "a.a.a", "aaa.txt", "B.TXT", ".dot"})
            WriteHostFile(dir + "/" + n, "x");
    }
    TempPrefix prefix;
    std::string dir = prefix.DriveC() + "/find";
};

}  // namespace

TEST_F(FindTest, WildcardTable) {
    // Windows' mask rules: "*.*" is "*"; "name.*" matches "name"; "*." only names
    // without an extension; '?' matches nothing at a dot or the end; "." and ".."
    // come first when the mask matches them.
    const std::string all = ".dot a a.a a.a.a aa aa.a aaa aaa.txt B.TXT";
    struct Row {
        const char* mask;
        std::string expected;
    } rows[] = {
        {"*", ". .. " + all},
        {"*.*", ". .. " + all},
        {"*.", ". .. a aa aaa"},
        {"aa.*", "aa aa.a"},
        {"?", ". a"},
        {"??.", ". .. a aa"},
        {"a?", "a aa"},
        {"a??", "a aa aaa"},
        {"*.TXT", "aaa.txt B.TXT"},
        {"*.t?t", "aaa.txt B.TXT"},
        {"A.A", "a.a"},
        {"a.a.", "a.a"},
        {"*a.a", "a.a a.a.a aa.a"},
        {".*", ". .. .dot"},
        {"a*a", "a.a a.a.a aa aa.a aaa"},
        {"b*", "B.TXT"},
        {"zz*", "ERR2"},
    };
    for (const Row& row : rows) EXPECT_EQ(Find("C:\\find\\" + std::string(row.mask)), row.expected) << row.mask;
    // The folder part is found ignoring case too.
    EXPECT_EQ(Find("C:\\FIND\\*.txt"), "aaa.txt B.TXT");
}

TEST_F(FindTest, DriveRootsHaveNoDotEntries) {
    EXPECT_EQ(Find("C:\\*"), "find windows");
    EXPECT_EQ(Find("C:\\*.*"), "find windows");
    // A name without wildcards that names a folder returns the folder itself.
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA("C:\\FIND", &d);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(d.cFileName, "find");
    EXPECT_TRUE(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(FindNextFileA(h, &d));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(h));
}

TEST_F(FindTest, ErrorCodes) {
    EXPECT_EQ(Find("C:\\nope\\*.*"), "ERR3");  // missing folder
    EXPECT_EQ(Find("C:\\nope\\x.txt"), "ERR3");
    EXPECT_EQ(Find("C:\\find\\a\\*"), "ERR267");  // a file used as a folder
    EXPECT_EQ(Find("C:\\"), "ERR2");              // trailing backslash
    EXPECT_EQ(Find("C:\\find\\"), "ERR2");
    EXPECT_EQ(Find("C:\\nope\\"), "ERR3");
    EXPECT_EQ(Find("C:\\find\\none.txt"), "ERR2");  // folder exists, nothing matches
    EXPECT_EQ(Find("Q:\\*"), "ERR3");               // no such drive
    EXPECT_EQ(Find("C:\\find\\a|b"), "ERR123");
    EXPECT_EQ(Find(""), "ERR3");

    // Relative: "nope\x.txt" from the current folder.
    char old[PATH_MAX];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    EXPECT_EQ(Find("nope\\x.txt"), "ERR3");
    EXPECT_EQ(Find("b.txt"), "B.TXT");
    EXPECT_EQ(Find("C:a.a"), "a.a");  // current folder of C:
    ASSERT_EQ(chdir(old), 0);

    // A removable drive without medium is not ready.
    prefix.LinkDrive('A', prefix.Dir() + "/no-disk");
    prefix.SetDriveType('A', "floppy");
    EXPECT_EQ(Find("A:\\*.*"), "ERR21");

    // Handles that are not search handles.
    WIN32_FIND_DATAA d;
    int dummy = 0;
    EXPECT_FALSE(FindNextFileA(&dummy, &d));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FindClose(&dummy));
}

TEST_F(FindTest, HostNamesWindowsCannotHoldAreNeverReturned) {
    std::string h = prefix.DriveC() + "/hostile";
    for (const char* n : {"a\\b", "x:y", "q?", "star*", "l<r", "p|q", "trail.", "trail ", "〜wave", "bad\xff", "CON",
                          "tab\tname", "ok.txt"})
        WriteHostFile(h + "/" + n, "x");
    ASSERT_EQ(mkfifo((h + "/pipe").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/nonexistent/target", (h + "/dangling").c_str()), 0);
    EXPECT_EQ(Find("C:\\hostile\\*"), ". .. ok.txt");
    EXPECT_EQ(Find("C:\\hostile\\a*"), "ERR2");
}

TEST_F(FindTest, DoubleByteNames) {
    // 表 (95 5C) in the folder and ソ (83 5C) in the mask: neither is split.
    WriteHostFile(prefix.DriveC() + "/表/ソフト.ini", "x");
    WriteHostFile(prefix.DriveC() + "/表/ｶﾅ.ini", "x");
    EXPECT_EQ(Find(W("C:\\表\\*.ini")), W("ソフト.ini ｶﾅ.ini"));
    EXPECT_EQ(Find(W("C:\\表\\ソ*")), W("ソフト.ini"));
    EXPECT_EQ(Find(W("C:\\表")), W("表"));
}

TEST_F(FindTest, FindDataDescribesTheFile) {
    std::string big = dir + "/big.bin";
    int fd = open(big.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 5000000000LL), 0);  // sparse: needs the high size word
    close(fd);
    // 2001-09-09 01:46:40 UTC = 1000000000 s since 1970.
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 500}};
    ASSERT_EQ(utimensat(AT_FDCWD, big.c_str(), times, 0), 0);
    ASSERT_EQ(chmod((dir + "/aa").c_str(), 0444), 0);

    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA("C:\\find\\big.bin", &d);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FindClose(h);
    EXPECT_EQ(d.nFileSizeHigh, 1u);
    EXPECT_EQ(d.nFileSizeLow, static_cast<DWORD>(5000000000ULL & 0xFFFFFFFF));
    uint64_t ft = (static_cast<uint64_t>(d.ftLastWriteTime.dwHighDateTime) << 32) | d.ftLastWriteTime.dwLowDateTime;
    EXPECT_EQ(ft, (1000000000ULL + 11644473600ULL) * 10000000ULL + 5);  // 100 ns units since 1601
    EXPECT_EQ(d.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_STREQ(d.cAlternateFileName, "");  // no 8.3 aliases

    h = FindFirstFileA("C:\\find\\aa", &d);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FindClose(h);
    EXPECT_TRUE(d.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    h = FindFirstFileA("C:\\find\\.dot", &d);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FindClose(h);
    EXPECT_TRUE(d.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN);
    h = FindFirstFileA("C:\\find\\*", &d);  // "." first
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FindClose(h);
    EXPECT_STREQ(d.cFileName, ".");
    EXPECT_EQ(d.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(FindTest, SearchesAreIndependent) {
    WIN32_FIND_DATAA d1, d2;
    HANDLE h1 = FindFirstFileA("C:\\find\\a*", &d1);
    HANDLE h2 = FindFirstFileA("C:\\find\\b*", &d2);
    ASSERT_NE(h1, INVALID_HANDLE_VALUE);
    ASSERT_NE(h2, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(d1.cFileName, "a");
    EXPECT_STREQ(d2.cFileName, "B.TXT");
    EXPECT_TRUE(FindNextFileA(h1, &d1));
    EXPECT_STREQ(d1.cFileName, "a.a");
    EXPECT_FALSE(FindNextFileA(h2, &d2));
    EXPECT_TRUE(FindClose(h2));
    EXPECT_TRUE(FindClose(h1));
    EXPECT_FALSE(FindClose(h1));  // closed twice
}

TEST_F(FindTest, SearchesTogetherAnswerAsOneByOne) {
    // Several patterns over the same folders, read once: every answer is the one
    // FindFirstFileA gives for that pattern alone, in the callers' order.
    WriteHostFile(dir + "/sub/c.txt", "x");
    std::filesystem::create_directory_symlink(dir + "/sub", dir + "/lnk");
    const std::vector<std::string> patterns{
        "C:\\find\\*.txt", "C:\\find\\a?", "C:\\nope\\*", "C:\\find\\zz*", "C:\\find\\a|b", "C:\\nope\\a|b",
        "C:\\FIND\\sub\\*", "C:\\find\\.*", "C:\\find\\sub\\*.txt", "C:\\find\\", "", "C:\\*",
        // Folders below one already read: missing, named
        // in another case, a file, a link, one level more.
        "C:\\find\\missing\\*", "C:\\find\\SUB\\*.txt", "C:\\find\\aa\\*", "C:\\find\\lnk\\*",
        "C:\\find\\missing\\deeper\\*", "C:\\find\\sub\\deeper\\*"};
    const std::vector<platform::FileSearchResult> together = platform::FindFilesForEach(patterns);
    ASSERT_EQ(together.size(), patterns.size());
    for (size_t i = 0; i < patterns.size(); ++i) {
        std::string names;
        for (const WIN32_FIND_DATAA& d : together[i].entries)
            names += (names.empty() ? "" : " ") + std::string(d.cFileName);
        const std::string got = together[i].error == ERROR_SUCCESS ? names : "ERR" + std::to_string(together[i].error);
        EXPECT_EQ(got, Find(patterns[i])) << "pattern " << i << ": " << patterns[i];
        if (together[i].error != ERROR_SUCCESS) {
            EXPECT_TRUE(together[i].entries.empty()) << patterns[i];
        }
    }
    // A bad mask in a missing folder: the folder's error comes first.
    EXPECT_EQ(together[5].error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(together[4].error, static_cast<DWORD>(ERROR_INVALID_NAME));
}
