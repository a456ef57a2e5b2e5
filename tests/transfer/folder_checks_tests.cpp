// Folder creation, the folder-name test, the medium test and carry-over kinds.
#include <unistd.h>

#include <filesystem>

#include "tests/support/temp_prefix.h"
#include "transfer/folder_path.h"
#include "transfer/transfer_list.h"
#include "transfer/user_checks.h"

#include <gtest/gtest.h>

namespace {
namespace fs = std::filesystem;

TEST(CarryOverKind, DocumentsOfTypeTwoOnly) {
    EXPECT_EQ(CarryOverKind(2, 0), CarryOver::Tables265);
    EXPECT_EQ(CarryOverKind(2, 1), CarryOver::Table341);
    EXPECT_EQ(CarryOverKind(2, 2), CarryOver::Table269);
    EXPECT_EQ(CarryOverKind(2, 3), CarryOver::WholeFile);
    EXPECT_EQ(CarryOverKind(2, -1), CarryOver::WholeFile);
    EXPECT_EQ(CarryOverKind(1, 0), CarryOver::WholeFile);
    EXPECT_EQ(CarryOverKind(3, 1), CarryOver::WholeFile);
}

TEST(CreateFolderPath, MakesEveryFolderAboveTheFile) {
    TempPrefix prefix;
    const std::string e = prefix.AddDrive('E');
    EXPECT_EQ(CreateFolderPath("E:\\a\\b\\c\\d\\file.txt"), 1);
    EXPECT_TRUE(fs::is_directory(e + "/a/b/c/d"));
    EXPECT_FALSE(HostExists(e + "/a/b/c/d/file.txt"));
    // Existing folders are passed over.
    EXPECT_EQ(CreateFolderPath("E:\\a\\b\\x\\file.txt"), 1);
    EXPECT_TRUE(fs::is_directory(e + "/a/b/x"));
}

TEST(CreateFolderPath, DoubleByteTrailBackslashIsNoSeparator) {
    TempPrefix prefix;
    const std::string e = prefix.AddDrive('E');
    // 表 is 95 5C and ソ is 83 5C: each folder must be made whole.
    EXPECT_EQ(CreateFolderPath(W("E:\\表示\\ソフト\\f.dat").c_str()), 1);
    EXPECT_TRUE(fs::is_directory(e + "/表示/ソフト"));
    std::vector<std::string> top;
    for (const auto& entry : fs::directory_iterator(e)) top.push_back(entry.path().filename().string());
    EXPECT_EQ(top, (std::vector<std::string>{"表示"}));
}

TEST(CreateFolderPath, MissingDriveRootMakesNothing) {
    TempPrefix prefix;
    prefix.LinkDrive('F', prefix.Dir() + "/no-medium");
    EXPECT_EQ(CreateFolderPath("F:\\a\\b\\f.txt"), 0);
    EXPECT_EQ(CreateFolderPath("G:\\a\\f.txt"), 0);  // no such drive
    EXPECT_EQ(CreateFolderPath("F:\\f.txt"), 0);
    EXPECT_FALSE(HostExists(prefix.Dir() + "/no-medium"));
    prefix.AddDrive('H');
    EXPECT_EQ(CreateFolderPath("H:\\f.txt"), 1);
}

class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& dir) : m_old(fs::current_path()) { fs::current_path(dir); }
    ~CurrentFolder() { fs::current_path(m_old); }

private:
    fs::path m_old;
};

TEST(IsValidFolderName, ExistingOrCreatableNamesPassAndLeaveNothing) {
    TempPrefix prefix;
    const std::string work = prefix.DriveC() + "/work";
    MakeHostDirs(work + "/exists");
    CurrentFolder cd(work);
    EXPECT_TRUE(IsValidFolderName("exists"));
    EXPECT_TRUE(IsValidFolderName(W("新しい保守")));
    EXPECT_EQ(std::distance(fs::directory_iterator(work), fs::directory_iterator()), 1);
    // Characters a Windows file system refuses.
    EXPECT_FALSE(IsValidFolderName("a*b"));
    EXPECT_FALSE(IsValidFolderName("a?b"));
    EXPECT_FALSE(IsValidFolderName("a<b>"));
    EXPECT_FALSE(IsValidFolderName("no\\such\\place"));
}

TEST(IsDiskInDrive, AnswersWhetherTheRootCanBeRead) {
    TempPrefix prefix;
    prefix.AddDrive('E', "floppy");
    prefix.LinkDrive('A', prefix.Dir() + "/empty-floppy");
    prefix.SetDriveType('A', "floppy");
    using platform::DriveLetter;
    EXPECT_TRUE(IsDiskInDrive(*DriveLetter::FromLetter('E')));
    EXPECT_TRUE(IsDiskInDrive(*DriveLetter::FromLetter('C')));
    EXPECT_FALSE(IsDiskInDrive(*DriveLetter::FromLetter('A')));
    EXPECT_FALSE(IsDiskInDrive(*DriveLetter::FromLetter('G')));  // G: does not exist
}
}  // namespace
