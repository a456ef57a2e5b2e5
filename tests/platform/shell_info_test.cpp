// SHGetFileInfoA for drive roots: display names, icon indexes, labels.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32.h"
#include "tests/support/temp_prefix.h"

namespace {

constexpr UINT kFlags = SHGFI_SYSICONINDEX | SHGFI_DISPLAYNAME | SHGFI_SMALLICON;

struct Info {
    DWORD_PTR result = 0;
    SHFILEINFOA sfi{};
};

Info Ask(const char* root, UINT flags = kFlags) {
    Info i;
    std::memset(&i.sfi, 0x55, sizeof i.sfi);
    i.result = SHGetFileInfoA(root, 0, &i.sfi, sizeof i.sfi, flags);
    return i;
}

class ShellInfoTest : public ::testing::Test {
protected:
    TempPrefix prefix;
};

}  // namespace

TEST_F(ShellInfoTest, NamesAndIconsByKind) {
    prefix.SetDriveType('C', "hd");
    prefix.AddDrive('A', "floppy");
    prefix.AddDrive('D', "cdrom");
    prefix.AddDrive('N', "network");
    prefix.AddDrive('R', "ramdisk");
    struct Row {
        const char* root;
        const char* name;
        int icon;
    } rows[] = {
        {"C:\\", "ローカル ディスク (C:)", SHELL_ICON_FIXED},
        {"A:\\", "リムーバブル ディスク (A:)", SHELL_ICON_REMOVABLE},
        {"D:\\", "CD ドライブ (D:)", SHELL_ICON_OPTICAL},
        {"N:\\", "ネットワーク ドライブ (N:)", SHELL_ICON_NETWORK},
        {"R:\\", "RAM ディスク (R:)", SHELL_ICON_RAMDISK},
    };
    for (const Row& row : rows) {
        Info i = Ask(row.root);
        EXPECT_NE(i.result, 0u) << row.root;
        EXPECT_EQ(std::string(i.sfi.szDisplayName), W(row.name)) << row.root;
        EXPECT_EQ(i.sfi.iIcon, row.icon) << row.root;
    }
}

TEST_F(ShellInfoTest, VolumeLabelsReplaceTheKind) {
    std::string e = prefix.AddDrive('E', "floppy");
    WriteHostFile(e + "/.windows-label", "保存ディスク\n");
    Info i = Ask("E:\\");
    ASSERT_NE(i.result, 0u);
    EXPECT_EQ(std::string(i.sfi.szDisplayName), W("保存ディスク (E:)"));
    EXPECT_EQ(i.sfi.iIcon, SHELL_ICON_REMOVABLE);

    // A removable drive without medium still answers, named by its kind.
    prefix.LinkDrive('E', prefix.Dir() + "/ejected");
    i = Ask("E:\\");
    ASSERT_NE(i.result, 0u);
    EXPECT_EQ(std::string(i.sfi.szDisplayName), W("リムーバブル ディスク (E:)"));
    EXPECT_EQ(i.sfi.iIcon, SHELL_ICON_REMOVABLE);

    // A very long label is cut to the buffer without splitting a double-byte character.
    std::string longLabel;
    for (int k = 0; k < 200; ++k) longLabel += "表";
    prefix.LinkDrive('E', e);
    WriteHostFile(e + "/.windows-label", longLabel);
    i = Ask("E:\\");
    size_t n = std::strlen(i.sfi.szDisplayName);
    EXPECT_LE(n, static_cast<size_t>(MAX_PATH - 1));
    EXPECT_EQ(n % 2, 0u);  // whole 2-byte characters only
}

TEST_F(ShellInfoTest, OnlyExistingDriveRootsAnswer) {
    EXPECT_EQ(Ask("Q:\\").result, 0u);  // no link
    prefix.AddDrive('Q');
    EXPECT_NE(Ask("Q:\\").result, 0u);  // made while running
    prefix.UnlinkDrive('Q');
    EXPECT_EQ(Ask("Q:\\").result, 0u);
    EXPECT_EQ(Ask("C:\\windows").result, 0u);
    EXPECT_EQ(Ask("").result, 0u);
    EXPECT_EQ(Ask(nullptr).result, 0u);
    // Only the requested fields are written.
    Info i = Ask("C:\\", SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    EXPECT_NE(i.result, 0u);
    EXPECT_EQ(static_cast<unsigned char>(i.sfi.szDisplayName[0]), 0x55);
}
