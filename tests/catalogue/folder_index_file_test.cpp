// The maintenance folder's index file, byte for byte as a Windows build writes it.
#include <gtest/gtest.h>

#include <string>

#include "catalogue/folder_index_file.h"
#include "tests/support/temp_prefix.h"

namespace {

class IndexFileTest : public ::testing::Test {
protected:
    IndexFileTest() { MakeHostDirs(prefix.DriveC() + "/m"); }
    std::string HostFile() const { return prefix.DriveC() + "/m/JKNDT.INI"; }
    TempPrefix prefix;
    const std::string path = FolderIndexFile::PathFor("C:\\m", "JKNDT.INI");
};

TEST_F(IndexFileTest, PathJoinsFolderAndFileName) {
    EXPECT_EQ(path, "C:\\m\\JKNDT.INI");
    EXPECT_EQ(FolderIndexFile::PathFor(W("E:\\PARC_JDT\\設定データ保守"), "S_JKNDT.INI"),
              W("E:\\PARC_JDT\\設定データ保守\\S_JKNDT.INI"));
}

TEST_F(IndexFileTest, NewFolderFileThenSavesSetFlagsInPlace) {
    EXPECT_TRUE(FolderIndexFile::WriteNew(path, 3));
    // New file: CRLF lines, sections in the order written, no blank lines (Windows).
    EXPECT_EQ(ReadHostFile(HostFile()), W("[データ存在フラグ]\r\n0=0\r\n1=0\r\n2=0\r\n[データ存在数]\r\nMAX=0\r\n"));
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(FolderIndexFile::IsPresent(path, i));

    EXPECT_TRUE(FolderIndexFile::WriteFlag(path, 0, true));
    EXPECT_TRUE(FolderIndexFile::WriteFlag(path, 2, true));
    EXPECT_EQ(ReadHostFile(HostFile()), W("[データ存在フラグ]\r\n0=1\r\n1=0\r\n2=1\r\n[データ存在数]\r\nMAX=0\r\n"));
    EXPECT_TRUE(FolderIndexFile::WriteFlag(path, 1, true));
    EXPECT_EQ(ReadHostFile(HostFile()), W("[データ存在フラグ]\r\n0=1\r\n1=1\r\n2=1\r\n[データ存在数]\r\nMAX=0\r\n"));
}

TEST_F(IndexFileTest, SaveIntoFolderWithoutIndexCreatesOnlyItsKeys) {
    EXPECT_TRUE(FolderIndexFile::WriteFlag(path, 4, true));
    EXPECT_EQ(ReadHostFile(HostFile()), W("[データ存在フラグ]\r\n4=1\r\n"));
    EXPECT_TRUE(FolderIndexFile::IsPresent(path, 4));
    EXPECT_FALSE(FolderIndexFile::IsPresent(path, 3));
    // A folder that does not exist is reported, not created.
    EXPECT_FALSE(FolderIndexFile::WriteFlag("C:\\nope\\JKNDT.INI", 0, true));
    EXPECT_FALSE(FolderIndexFile::WriteNew("C:\\nope\\JKNDT.INI", 2));
    EXPECT_FALSE(HostExists(prefix.DriveC() + "/nope"));
}

TEST_F(IndexFileTest, FlagValuesAsReadersSeeThem) {
    WriteHostFile(HostFile(), W("[データ存在フラグ]\r\n0=2\r\n1=-1\r\n2=abc\r\n3=  7\r\n4=4294967295\r\n5=0\r\n"));
    EXPECT_EQ(FolderIndexFile::ReadFlag(path, 0), 2);
    EXPECT_TRUE(FolderIndexFile::IsPresent(path, 0));  // any non-zero value is present
    EXPECT_EQ(FolderIndexFile::ReadFlag(path, 1), 0);  // negative reads as 0
    EXPECT_EQ(FolderIndexFile::ReadFlag(path, 2), 0);
    EXPECT_EQ(FolderIndexFile::ReadFlag(path, 3), 7);
    EXPECT_EQ(FolderIndexFile::ReadFlag(path, 4), 0);  // 0xFFFFFFFF is -1 as 32 bits
    EXPECT_FALSE(FolderIndexFile::IsPresent(path, 5));
    EXPECT_FALSE(FolderIndexFile::IsPresent(path, 6));  // missing key
    EXPECT_FALSE(FolderIndexFile::IsPresent("C:\\m\\NONE.INI", 0));
}

}  // namespace

namespace {

TEST_F(IndexFileTest, ManyFlagsInOneRewriteKeepTheOtherKeys) {
    const std::string host = HostFile();
    WriteHostFile(host, W("[データ存在フラグ]\r\n0=0\r\n1=1\r\n3=0\r\n[データ存在数]\r\nMAX=0\r\n"));
    ASSERT_TRUE(FolderIndexFile::WriteFlags(path, {0, 2, 3}));
    EXPECT_EQ(ReadHostFile(host), W("[データ存在フラグ]\r\n0=1\r\n1=1\r\n3=1\r\n2=1\r\n[データ存在数]\r\nMAX=0\r\n"));
    // A new file holds just the flags written.
    ASSERT_TRUE(FolderIndexFile::WriteFlags("C:\\m\\new.ini", {4}));
    EXPECT_EQ(FolderIndexFile::ReadFlag("C:\\m\\new.ini", 4), 1);
    EXPECT_EQ(FolderIndexFile::ReadFlag("C:\\m\\new.ini", 0), 0);
    // Only a key as the tool writes it names a set ("07" and "+2" are other keys);
    // a set given twice is written once; an absent set is cleared where listed.
    WriteHostFile(host, W("[データ存在フラグ]\r\n07=5\r\n+2=9\r\n1=1\r\n4=1\r\n"));
    ASSERT_TRUE(FolderIndexFile::WriteFlags(path, {7, 2, 2}, {4, 9}));
    EXPECT_EQ(ReadHostFile(host), W("[データ存在フラグ]\r\n07=5\r\n+2=9\r\n1=1\r\n4=0\r\n7=1\r\n2=1\r\n"));
    // Nothing to write writes nothing.
    EXPECT_TRUE(FolderIndexFile::WriteFlags("C:\\m\\none.ini", {}));
    EXPECT_FALSE(HostExists(prefix.DriveC() + "/m/none.ini"));
}

}  // namespace
