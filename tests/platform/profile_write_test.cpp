// WritePrivateProfileStringA edits in place as Windows does; each case pins the
// bytes Windows leaves in the file.
#include <sys/stat.h>

#include <filesystem>

#include "tests/platform/profile_fixture.h"

namespace {

using WriteProfile = ProfileTest;

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
    return names;
}

TEST_F(WriteProfile, NewFileAndBuildUp) {
    // Windows: a new file is "[S]\r\nk=v\r\n", TRUE with last error 2; keys keep the
    // order written; NULL value deletes a key, NULL key a section.
    SetLastError(0);
    EXPECT_TRUE(Write("App1", "key1", "string1"));
    EXPECT_EQ(GetLastError(), 2u);
    EXPECT_EQ(Contents(), "[App1]\r\nkey1=string1\r\n");
    EXPECT_TRUE(Write("App1", "key2", "string2"));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_TRUE(Write("App1", "key3", "string3"));
    EXPECT_TRUE(Write("App2", "key4", "string4"));
    EXPECT_TRUE(Write("App3", "key5", "string5"));
    EXPECT_EQ(Contents(),
              "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n"
              "[App3]\r\nkey5=string5\r\n");
    EXPECT_TRUE(Write("App1", "key2", nullptr));
    EXPECT_TRUE(Write("App1", "key2", nullptr));  // again: TRUE, nothing changes
    EXPECT_TRUE(Write("App1", nullptr, "string1"));
    EXPECT_EQ(Contents(), "[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n");
    EXPECT_TRUE(Write("App2", nullptr, nullptr));
    EXPECT_TRUE(Write("App3", "key5", nullptr));
    EXPECT_EQ(Contents(), "[App3]\r\n");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"test.ini"});  // no temporary file left
}

TEST_F(WriteProfile, UntouchedLinesKeepTheirBytes) {
    // Windows edits in place: comments, blank lines, spacing, LF endings and case of
    // other lines stay; a changed key keeps everything up to '=' (our choice for
    // the [?] on spacing); a new key goes after the section's last key line.
    Put("; head\r\n\r\n[S]\n  Alpha = 1 \r\n;c\r\nb=2\r\n\r\n; trailing\r\n\r\n[t]\r\nx=1\r\n");
    EXPECT_TRUE(Write("s", "alpha", "9"));
    EXPECT_TRUE(Write("s", "new", "4"));
    EXPECT_TRUE(Write("T", "y", "5"));
    EXPECT_EQ(Contents(),
              "; head\r\n\r\n[S]\n  Alpha =9\r\n;c\r\nb=2\r\nnew=4\r\n\r\n; trailing\r\n\r\n[t]\r\nx=1\r\ny=5\r\n");
}

TEST_F(WriteProfile, PositionsOfNewKeysAndSections) {
    // Windows: an empty section gets the key right after its header; a new section
    // goes at the end with no blank line; a file without a final line break gets CRLF first.
    Put("[a]\r\n; c\r\n\r\n[b]\r\nk=v");
    EXPECT_TRUE(Write("a", "k", "1"));
    EXPECT_TRUE(Write("b", "n", "2"));
    EXPECT_EQ(Contents(), "[a]\r\nk=1\r\n; c\r\n\r\n[b]\r\nk=v\r\nn=2\r\n");
    Put("[a]\r\nk=v");
    EXPECT_TRUE(Write("z", "n", "1"));
    EXPECT_EQ(Contents(), "[a]\r\nk=v\r\n[z]\r\nn=1\r\n");
    Put("[a]\r\n\r\n\r\n");
    EXPECT_TRUE(Write("z", "n", "1"));
    EXPECT_EQ(Contents(), "[a]\r\n\r\n\r\n[z]\r\nn=1\r\n");
}

TEST_F(WriteProfile, DeleteSectionKeepsItsComments) {
    // Windows: the header and key lines go, ';' lines stay with the section above.
    Put("[top]\r\nt=0\r\n[a]\r\nk=1\r\n; note\r\nj=2\r\n\r\n[b]\r\nx=1\r\n");
    EXPECT_TRUE(Write("a", nullptr, nullptr));
    EXPECT_EQ(Contents(), "[top]\r\nt=0\r\n; note\r\n\r\n[b]\r\nx=1\r\n");
    EXPECT_EQ(Get("top", "t"), "0");
    EXPECT_EQ(Get("a", "k"), "def");
}

TEST_F(WriteProfile, CommentKeysNulBytesAndBom) {
    // Windows: a key starting with ';' adds a comment line each time, after the last
    // key, so they end up in reverse order; deleting ";k" leaves the comment.
    Put("[s]\r\nk=1\r\n");
    EXPECT_TRUE(Write("s", ";c1", "a"));
    EXPECT_TRUE(Write("s", ";c2", "b"));
    EXPECT_TRUE(Write("s", ";c2", nullptr));
    EXPECT_EQ(Contents(), "[s]\r\nk=1\r\n;c2=b\r\n;c1=a\r\n");
    // Windows: NUL bytes before the first section survive.
    std::string withNuls("Data \0 before \0 first \0 section\r\n[section1]\r\nkey1=string1\r\n", 59);
    Put(withNuls);
    EXPECT_TRUE(Write("section1", "key1", "x"));
    EXPECT_EQ(Contents(), std::string("Data \0 before \0 first \0 section\r\n[section1]\r\nkey1=x\r\n", 53));
    // Windows: a UTF-8 BOM is opaque text; a file holding only it gets a CRLF first.
    Put("\xEF\xBB\xBF");
    EXPECT_TRUE(Write("S", "k", "v"));
    EXPECT_EQ(Contents(), "\xEF\xBB\xBF\r\n[S]\r\nk=v\r\n");
    // ...and a "[sec]" right after the BOM is not a section.
    Put("\xEF\xBB\xBF[sec]\r\nk=1\r\n[two]\r\nk=2\r\n");
    EXPECT_EQ(Get("sec", "k"), "def");
    EXPECT_EQ(Get("two", "k"), "2");
}

TEST_F(WriteProfile, NamesAndValuesAsGiven) {
    // Windows: spaces come off the names, the value is written as given (its
    // leading spaces are then lost on reading), existing keys keep their case.
    EXPECT_TRUE(Write("  Sec  ", " Key ", "  v  "));
    EXPECT_EQ(Contents(), "[Sec]\r\nKey=  v  \r\n");
    EXPECT_EQ(Get("sec", "key"), "v");
    EXPECT_TRUE(Write("SEC", "KEY", "w"));
    EXPECT_EQ(Contents(), "[Sec]\r\nKey=w\r\n");
    // Only the first of duplicate sections and keys is updated (our choice for the [?]).
    Put("[d]\r\nk=1\r\nk=2\r\n[d]\r\nk=3\r\n");
    EXPECT_TRUE(Write("d", "k", "x"));
    EXPECT_EQ(Contents(), "[d]\r\nk=x\r\nk=2\r\n[d]\r\nk=3\r\n");
}

TEST_F(WriteProfile, Errors) {
    // Windows: NULL section FALSE/2 and no file; "" FALSE/5; missing folder FALSE/3.
    SetLastError(0);
    EXPECT_FALSE(Write(nullptr, "k", "v"));
    EXPECT_EQ(GetLastError(), 2u);
    EXPECT_FALSE(HostExists(host));
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", ""));
    EXPECT_EQ(GetLastError(), 5u);
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", "C:\\nope\\x.ini"));
    EXPECT_EQ(GetLastError(), 3u);
    EXPECT_FALSE(HostExists(prefix.DriveC() + "/nope"));
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", "C:\\ini"));  // a folder
    EXPECT_EQ(GetLastError(), 5u);
    // All four NULL: the cache is flushed and FALSE comes back.
    EXPECT_FALSE(WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr));
    // Windows: NULL key or value on a missing file creates the empty file.
    EXPECT_TRUE(Write("s", nullptr, nullptr));
    EXPECT_TRUE(HostExists(host));
    EXPECT_EQ(Contents(), "");
    // A read-only file is not replaced: FALSE, 5, bytes unchanged.
    Put("[s]\r\nk=1\r\n");
    chmod(host.c_str(), 0444);
    EXPECT_FALSE(Write("s", "k", "2"));
    EXPECT_EQ(GetLastError(), 5u);
    EXPECT_EQ(Contents(), "[s]\r\nk=1\r\n");
}

TEST_F(WriteProfile, ReplacesAtomicallyKeepingPermissions) {
    Put("[s]\r\nk=1\r\n");
    chmod(host.c_str(), 0640);
    struct stat before {};
    stat(host.c_str(), &before);
    EXPECT_TRUE(Write("s", "k", "2"));
    struct stat after {};
    stat(host.c_str(), &after);
    EXPECT_NE(before.st_ino, after.st_ino);  // a new file was renamed over it
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"test.ini"});
    // A profile that is a symlink: it reads as missing (no link below a drive root
    // is followed), the link is replaced, its target never written.
    std::string other = folder + "/other.ini";
    WriteHostFile(other, "[s]\r\nk=1\r\n");
    std::filesystem::remove(host);
    std::filesystem::create_symlink(other, host);
    EXPECT_EQ(Get("s", "k"), "def");
    EXPECT_TRUE(Write("s", "k", "3"));
    EXPECT_EQ(ReadHostFile(other), "[s]\r\nk=1\r\n");
    EXPECT_FALSE(std::filesystem::is_symlink(host));
    EXPECT_EQ(Contents(), "[s]\r\nk=3\r\n");
}

TEST_F(WriteProfile, Utf16FileStaysUtf16) {
    // Windows: FF FE makes the file UTF-16LE for reading and writing.
    std::string u16(
        "\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0"
        "1\0\r\0\n\0",
        22);
    Put(u16);
    EXPECT_EQ(Get("s", "k"), "1");
    EXPECT_TRUE(Write("s", "n", "2"));
    std::string expected = u16 + std::string(
                                     "n\0=\0"
                                     "2\0\r\0\n\0",
                                     10);
    EXPECT_EQ(Contents(), expected);
}

}  // namespace

namespace {

TEST_F(WriteProfile, SectionWrittenInOneGo) {
    // A new file and a new section: what key-by-key writes would leave.
    EXPECT_TRUE(WritePrivateProfileSectionA("F",
                                            "0=0\0"
                                            "1=0\0"
                                            "2=0\0",
                                            win));
    EXPECT_TRUE(Write("N", "MAX", "0"));
    EXPECT_EQ(Contents(), "[F]\r\n0=0\r\n1=0\r\n2=0\r\n[N]\r\nMAX=0\r\n");
    // An existing section (not pinned on Windows; our choice): its keys are
    // replaced, its comments and the rest of the file stay.
    Put("[a]\r\nx=1\r\n; note\r\ny=2\r\n[b]\r\nk=v");
    EXPECT_TRUE(WritePrivateProfileSectionA("A", "z=3\0", win));
    EXPECT_EQ(Contents(), "[a]\r\nz=3\r\n; note\r\n[b]\r\nk=v");
    // A NULL list deletes the section.
    EXPECT_TRUE(WritePrivateProfileSectionA("b", nullptr, win));
    EXPECT_EQ(Contents(), "[a]\r\nz=3\r\n; note\r\n");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"test.ini"});
}

}  // namespace
