// The right pane follows every drive and folder choice.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>

#include "app/maintenance_dlg.h"
#include "app/settings_tool_app.h"
#include "catalogue/file_limits.h"
#include "catalogue/folder_names.h"
#include "controls/data_list_ctrl.h"
#include "controls/drive_combo_box.h"
#include "controls/drive_label.h"
#include "dialogs/message_box.h"
#include "resources/deliverable.h"
#include "tests/app/dialog_driver.h"
#include "tests/app/installation.h"
#include "tests/app/maintenance_dlg_probe.h"
#include "tests/support/qt_print.h"

namespace {

using Probe = CMaintenanceDlgTestProbe;

class ExternalPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareApplication(D());
        install.WriteCatalogue(D().files.catalogueFile, {{"一"}, {"二"}, {"三"}, {"四"}});
        root = install.stick + "/PARC_JDT";
    }
    static const Deliverable& D() { return QuillmarkDeliverable(); }
    void Choose(CMaintenanceDlg& dialog, char letter) { ChooseDrive(dialog, D().ids, letter); }
    QComboBox* Folders(CMaintenanceDlg& d) { return qobject_cast<QComboBox*>(d.GetDlgItem(D().ids.comboFolder)); }
    CDataListCtrl* External(CMaintenanceDlg& d) {
        return qobject_cast<CDataListCtrl*>(d.GetDlgItem(D().ids.listExternal));
    }
    QStringList Entries(CMaintenanceDlg& d) {
        QStringList list;
        for (int i = 0; i < Folders(d)->count(); ++i) list << Folders(d)->itemText(i);
        return list;
    }
    Installation install;
    std::string root;
};

TEST_F(ExternalPanelTest, StartsOnTheSystemDriveWithItsLabel) {
    MakeHostDirs(install.prefix.DriveC() + "/PARC_JDT/B");
    MakeHostDirs(install.prefix.DriveC() + "/PARC_JDT/A");
    CMaintenanceDlg dialog(D());
    dialog.show();
    EXPECT_EQ(Probe(dialog).ExternalRoot(), "C:\\PARC_JDT");
    auto* label = qobject_cast<CDriveLabel*>(dialog.GetDlgItem(D().ids.labelDrive));
    EXPECT_EQ(label->Drive(), platform::DriveLetter::FromLetter('C'));
    EXPECT_EQ(label->Text(), QStringLiteral("ローカル ディスク (C:)"));
    EXPECT_EQ(Entries(dialog), QStringList({"A", "B"}));
    EXPECT_EQ(Folders(dialog)->currentText(), QStringLiteral("A"));
}

TEST_F(ExternalPanelTest, FoldersAreSortedAndCutAtTheirFirstDot) {
    for (const char* name : {"B", "A", "C", "x.y", ".hidden"}) MakeHostDirs(root + "/" + name);
    WriteHostFile(root + "/file.txt", "not a folder");
    CMaintenanceDlg dialog(D());
    dialog.show();
    Choose(dialog, 'E');
    EXPECT_EQ(Entries(dialog), QStringList({"", "A", "B", "C", "x"}));
}

TEST_F(ExternalPanelTest, SelectionIsRestoredByIndexAcrossDrives) {
    for (const char* name : {"A", "B", "C"}) MakeHostDirs(root + "/" + name);
    std::string d = install.prefix.AddDrive('D', "floppy");
    MakeHostDirs(d + "/PARC_JDT/P");
    MakeHostDirs(d + "/PARC_JDT/Q");
    std::string g = install.prefix.AddDrive('G', "floppy");
    for (const char* name : {"X", "Y", "Z"}) MakeHostDirs(g + "/PARC_JDT/" + name);

    CMaintenanceDlg dialog(D());
    dialog.show();
    Choose(dialog, 'E');
    ChooseFolder(dialog, D().ids, 2);
    EXPECT_EQ(Probe(dialog).FolderSel(), 2);
    Choose(dialog, 'D');  // two folders: nothing selected, nothing listed
    EXPECT_EQ(Folders(dialog)->currentIndex(), -1);
    EXPECT_EQ(External(dialog)->GetItemCount(), 0);
    Choose(dialog, 'G');  // three folders: its third
    EXPECT_EQ(Folders(dialog)->currentText(), QStringLiteral("Z"));
}

TEST_F(ExternalPanelTest, RightListShowsThePresentDataSetsWithTheirNumbers) {
    Installation::WriteIni(root + "/A/JKNDT.INI", "[データ存在フラグ]\n0=1\n1=0\n2=1\n3=2\n");
    CMaintenanceDlg dialog(D());
    dialog.show();
    Choose(dialog, 'E');
    CDataListCtrl* list = External(dialog);
    ASSERT_EQ(list->GetItemCount(), 3);
    EXPECT_EQ(list->GetItem(0)->no, "1");
    EXPECT_EQ(list->GetItem(1)->no, "3");
    EXPECT_EQ(list->GetItem(2)->no, "4");  // any nonzero value is present
    const int32_t* flags = Probe(dialog).FolderPresence();
    EXPECT_EQ(flags[0], 1);
    EXPECT_EQ(flags[1], 0);
    EXPECT_EQ(flags[3], 2);
}

TEST_F(ExternalPanelTest, ADriveWithoutTheRootFolderOrWithoutMediumEmptiesThePane) {
    MakeHostDirs(root + "/A");
    Installation::WriteIni(root + "/A/JKNDT.INI", "[データ存在フラグ]\n0=1\n");
    install.prefix.AddDrive('D', "hd");
    CMaintenanceDlg dialog(D());
    dialog.show();
    Choose(dialog, 'E');
    EXPECT_EQ(External(dialog)->GetItemCount(), 1);
    Choose(dialog, 'D');
    EXPECT_EQ(Folders(dialog)->count(), 0);
    EXPECT_EQ(External(dialog)->GetItemCount(), 0);
    // The stick pulled: its link now points nowhere.
    install.prefix.LinkDrive('E', install.prefix.Dir() + "/gone");
    Choose(dialog, 'E');
    EXPECT_EQ(Folders(dialog)->count(), 0);
    EXPECT_EQ(External(dialog)->GetItemCount(), 0);
}

TEST_F(ExternalPanelTest, BothFreeSpaceTextsFollowWhenBothSidesAreOnOneDrive) {
    CMaintenanceDlg dialog(D());
    dialog.show();
    auto* left = qobject_cast<QLabel*>(dialog.GetDlgItem(D().ids.freeSystem));
    auto* right = qobject_cast<QLabel*>(dialog.GetDlgItem(D().ids.freeExternal));
    EXPECT_TRUE(left->text().startsWith(QStringLiteral("空きﾃﾞｨｽｸ容量: ")));
    EXPECT_GT(left->text().size(), QStringLiteral("空きﾃﾞｨｽｸ容量: ").size());
    left->setText(QString());
    right->setText(QString());
    Probe(dialog).RefreshPane(Pane::External);  // C: on both sides: both texts are written
    EXPECT_FALSE(left->text().isEmpty());
    EXPECT_FALSE(right->text().isEmpty());
    Choose(dialog, 'E');
    left->setText(QString());
    Probe(dialog).RefreshPane(Pane::External);  // now on different drives
    EXPECT_TRUE(left->text().isEmpty());
}

TEST_F(ExternalPanelTest, TogglesSelectAllThenClearAndEveryLoadResetsThem) {
    CMaintenanceDlg dialog(D());
    dialog.show();
    auto* system = qobject_cast<CDataListCtrl*>(dialog.GetDlgItem(D().ids.listSystem));
    for (int i = 0; i < 4; ++i) system->SetRowSelected(i, true);  // all chosen by hand
    Press(dialog, D().ids.toggleSystem);                          // the flag was 0: selects all
    EXPECT_EQ(system->GetNextSelected(-1), 0);
    EXPECT_TRUE(system->IsRowSelected(3));
    Press(dialog, D().ids.toggleSystem);
    EXPECT_EQ(system->GetNextSelected(-1), -1);
    Press(dialog, D().ids.toggleSystem);
    EXPECT_TRUE(Probe(dialog).SelectAllSystem());
    Probe(dialog).LoadList(Pane::External);  // a load of either list resets both
    EXPECT_FALSE(Probe(dialog).SelectAllSystem());
    Press(dialog, D().ids.toggleSystem);
    EXPECT_TRUE(system->IsRowSelected(0));
}

TEST(FolderNames, CutAtDotAndTheBoxLimit) {
    char name[] = "2008.03";
    CutAtDot(name);
    EXPECT_STREQ(name, "2008");
    EXPECT_EQ(FolderEntryText(".hidden"), "");
    // 127 bytes at most, never half of a double-byte character.
    std::string longName = std::string(126, 'a') + W("表");
    EXPECT_EQ(FolderEntryText(longName.c_str()), std::string(126, 'a'));
}

}  // namespace

namespace {

TEST_F(ExternalPanelTest, OversizedIndexFileIsNotReadAndIsNamedInAStopBox) {
    // Flags for every data set, padded beyond the limit with empty lines.
    std::string index = W("[データ存在フラグ]\r\n0=1\r\n1=1\r\n2=1\r\n3=1\r\n");
    WriteHostFile(root + "/A/JKNDT.INI", index + std::string(file_limits::kMaxIndexFileBytes, '\n'));
    WriteHostFile(root + "/B/JKNDT.INI", index);
    std::vector<UserMessage> shown;
    ScopedMessageBoxScript script([&](const UserMessage& m) {
        shown.push_back(m);
        return MsgAnswer::Ok;
    });
    CMaintenanceDlg dialog(D());
    dialog.show();
    Choose(dialog, 'E');
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(
        platform::Cp932ToUtf8(shown[0].text),
        "「E:\\PARC_JDT\\A\\JKNDT.INI」は大きすぎるため、読み込めませんでした。\nファイルの内容を確認してください。");
    EXPECT_EQ(shown[0].icon, MsgIcon::Stop);
    EXPECT_EQ(External(dialog)->GetItemCount(), 0);
    // The folder next to it lists as usual.
    ASSERT_EQ(Entries(dialog), QStringList({"A", "B"}));
    ChooseFolder(dialog, D().ids, 1);
    EXPECT_EQ(External(dialog)->GetItemCount(), 4);
    EXPECT_EQ(shown.size(), 1u);
}

}  // namespace
