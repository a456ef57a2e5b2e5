// Folder creation, the folder-name test, the medium test and carry-over kinds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/win32.h"
#include "tests/support/temp_prefix.h"
#include "transfer/folder_path.h"
#include "transfer/maintenance_folder.h"
#include "transfer/transfer_list.h"
#include "transfer/user_checks.h"

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
    EXPECT_TRUE(CreateFolderPath("E:\\a\\b\\c\\d\\file.txt"));
    EXPECT_TRUE(fs::is_directory(e + "/a/b/c/d"));
    EXPECT_FALSE(HostExists(e + "/a/b/c/d/file.txt"));
    // Existing folders are passed over.
    EXPECT_TRUE(CreateFolderPath("E:\\a\\b\\x\\file.txt"));
    EXPECT_TRUE(fs::is_directory(e + "/a/b/x"));
}

TEST(CreateFolderPath, DoubleByteTrailBackslashIsNoSeparator) {
    TempPrefix prefix;
    const std::string e = prefix.AddDrive('E');
    // 表 is 95 5C and ソ is 83 5C: each folder must be made whole.
    EXPECT_TRUE(CreateFolderPath(W("E:\\表示\\ソフト\\f.dat").c_str()));
    EXPECT_TRUE(fs::is_directory(e + "/表示/ソフト"));
    std::vector<std::string> top;
    for (const auto& entry : fs::directory_iterator(e)) top.push_back(entry.path().filename().string());
    EXPECT_EQ(top, (std::vector<std::string>{"表示"}));
}

TEST(CreateFolderPath, MissingDriveRootMakesNothing) {
    TempPrefix prefix;
    prefix.LinkDrive('F', prefix.Dir() + "/no-medium");
    EXPECT_FALSE(CreateFolderPath("F:\\a\\b\\f.txt"));
    EXPECT_FALSE(CreateFolderPath("G:\\a\\f.txt"));  // no such drive
    EXPECT_FALSE(CreateFolderPath("F:\\f.txt"));
    EXPECT_FALSE(HostExists(prefix.Dir() + "/no-medium"));
    prefix.AddDrive('H');
    EXPECT_TRUE(CreateFolderPath("H:\\f.txt"));
}

// A refused or impossible folder says why, as its Windows error, and makes nothing.
TEST(CreateMaintenanceFolder, FailureCarriesItsWindowsError) {
    TempPrefix prefix;
    const std::string e = prefix.AddDrive('E');
    prefix.LinkDrive('F', prefix.Dir() + "/no-medium");
    WriteHostFile(e + "/blocked", "a file where the root should be");
    const struct {
        const char* root;
        const char* name;
        DWORD error;
    } cases[] = {
        {"", "M", ERROR_PATH_NOT_FOUND},             // no drive
        {"E:\\R", "a\\b", ERROR_INVALID_NAME},       // not one folder
        {"E:\\R", "..", ERROR_INVALID_NAME},         // leaves the root
        {"F:\\R", "M", ERROR_PATH_NOT_FOUND},        // no medium
        {"E:\\blocked", "M", ERROR_FILE_NOT_FOUND},  // the root is a file: _mkdir's own error
    };
    for (const auto& c : cases) {
        SetLastError(ERROR_SUCCESS);
        const platform::Status status = CreateMaintenanceFolder(c.root, c.name, "index.ini", 3);
        EXPECT_FALSE(status) << c.root << " " << c.name;
        EXPECT_EQ(status.Error(), c.error) << c.root << " " << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.root << " " << c.name;
    }
    EXPECT_FALSE(HostExists(e + "/R"));
    const platform::Status made = CreateMaintenanceFolder("E:\\R", "M", "index.ini", 3);
    EXPECT_TRUE(made) << made.Text();
    EXPECT_TRUE(HostExists(e + "/R/M/index.ini"));
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
