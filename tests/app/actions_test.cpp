// The user's three actions through the dialog, with every message box answered
// by script: new maintenance folder, save and register. What the operations decide
// below the widgets is pinned in tests/transfer/save_register_test.cpp; these cases
// hold what the dialog adds: its handlers, rows, boxes, enabled states and messages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <deque>
#include <functional>

#include "app/maintenance_dlg.h"
#include "app/settings_tool_app.h"
#include "controls/data_list_ctrl.h"
#include "controls/drive_combo_box.h"
#include "controls/qt_cp932.h"
#include "dialogs/message_box.h"
#include "dialogs/new_folder_dlg.h"
#include "resources/deliverable.h"
#include "tests/app/dialog_driver.h"
#include "tests/app/installation.h"
#include "tests/app/maintenance_dlg_probe.h"
#include "tests/support/qt_print.h"
#include "transfer/tool_settings.h"

namespace {

using Probe = CMaintenanceDlgTestProbe;

struct Shown {
    std::string text;  // UTF-8
    QString caption;
    MsgButtons buttons;
    MsgIcon icon;
};

// Records every message box and answers from a queue (OK when it runs dry).
class MessageScript {
public:
    MessageScript()
        : m_scope([this](const UserMessage& m) {
              shown.push_back({platform::Cp932ToUtf8(m.text), MessageCaption(m), m.buttons, m.icon});
              if (answers.empty()) return MsgAnswer::Ok;
              MsgAnswer a = answers.front();
              answers.pop_front();
              return a;
          }) {}
    std::vector<Shown> shown;
    std::deque<MsgAnswer> answers;

private:
    ScopedMessageBoxScript m_scope;
};

// Runs `steps` on the new-folder dialog once it is open.
void WithNewFolderDialog(std::function<void(CNewFolderDlg&)> steps) {
    QTimer::singleShot(0, [steps] {
        auto* dialog = qobject_cast<CNewFolderDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        steps(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
}

void TypeAndOk(CNewFolderDlg& dialog, const QString& name) {
    auto* edit = qobject_cast<QLineEdit*>(dialog.GetDlgItem(1036));
    edit->setText(name);
    qobject_cast<QPushButton*>(dialog.GetDlgItem(1))->click();
}

class ActionsTest : public ::testing::TestWithParam<const Deliverable*> {
protected:
    void SetUp() override {
        PrepareApplication(D());
        install.WriteNumberedSets(D().files.catalogueFile, 5, [](int i) { return "system " + std::to_string(i); });
        root = install.stick + "/" + D().files.externalRoot;
    }
    const Deliverable& D() const { return *GetParam(); }
    std::string IndexFile(const std::string& folderUtf8) const {
        return root + "/" + folderUtf8 + "/" + D().files.indexFile;
    }

    std::unique_ptr<CMaintenanceDlg> OpenOnStick() {
        auto dialog = std::make_unique<CMaintenanceDlg>(D());
        dialog->show();
        ChooseDrive(*dialog, D().ids, 'E');
        return dialog;
    }
    CDataListCtrl* List(CMaintenanceDlg& d, int side) {
        return qobject_cast<CDataListCtrl*>(d.GetDlgItem(side == 0 ? D().ids.listSystem : D().ids.listExternal));
    }
    QComboBox* Folders(CMaintenanceDlg& d) { return qobject_cast<QComboBox*>(d.GetDlgItem(D().ids.comboFolder)); }

    Installation install;
    std::string root;
};

TEST_P(ActionsTest, NewFolderThenSaveOfRowsZeroAndTwo) {
    MessageScript script;
    auto dialog = OpenOnStick();
    WithNewFolderDialog([](CNewFolderDlg& d) { TypeAndOk(d, QStringLiteral("点検")); });
    Press(*dialog, D().ids.newFolder);
    ASSERT_TRUE(script.shown.empty());
    EXPECT_EQ(Folders(*dialog)->currentText(), QStringLiteral("点検"));
    // Every flag "0", then the count section: exactly these bytes.
    EXPECT_EQ(ReadHostFile(IndexFile("点検")),
              W("[データ存在フラグ]\r\n0=0\r\n1=0\r\n2=0\r\n3=0\r\n4=0\r\n[データ存在数]\r\nMAX=0\r\n"));
    EXPECT_EQ(List(*dialog, 1)->GetItemCount(), 0);

    List(*dialog, 0)->SetRowSelected(0, true);
    List(*dialog, 0)->SetRowSelected(2, true);
    Press(*dialog, D().ids.save);
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, "[ E ] ドライブにデータの保存を行いますか？");
    EXPECT_EQ(script.shown[0].caption, QStringLiteral("データ保存"));
    EXPECT_EQ(script.shown[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(script.shown[0].icon, MsgIcon::Question);
    EXPECT_EQ(ReadHostFile(root + "/点検/USERDATA/SET0/a0.TXT"), "system 0");
    EXPECT_EQ(ReadHostFile(root + "/点検/USERDATA/SET2/a2.TXT"), "system 2");
    EXPECT_FALSE(HostExists(root + "/点検/USERDATA/SET1"));
    EXPECT_EQ(ReadHostFile(IndexFile("点検")),
              W("[データ存在フラグ]\r\n0=1\r\n1=0\r\n2=1\r\n3=0\r\n4=0\r\n[データ存在数]\r\nMAX=0\r\n"));
    // The right pane now shows the two data sets.
    EXPECT_EQ(List(*dialog, 1)->GetItemCount(), 2);

    // A second save of one of them writes the same key again and nothing else.
    List(*dialog, 0)->SetRowSelected(2, true);
    Press(*dialog, D().ids.save);
    EXPECT_EQ(ReadHostFile(IndexFile("点検")),
              W("[データ存在フラグ]\r\n0=1\r\n1=0\r\n2=1\r\n3=0\r\n4=0\r\n[データ存在数]\r\nMAX=0\r\n"));
}

TEST_P(ActionsTest, EmptyFolderNameQuestionAnsweredOkOrCancel) {
    MessageScript script;
    auto dialog = OpenOnStick();
    ASSERT_EQ(Folders(*dialog)->count(), 0);
    List(*dialog, 0)->SetRowSelected(1, true);
    script.answers = {MsgAnswer::Cancel};
    Press(*dialog, D().ids.save);
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, "ディレクトリ名称を｢設定データ保守｣で保存します。\nよろしいですか?");
    EXPECT_EQ(script.shown[0].caption, QStringLiteral("データ保存"));
    EXPECT_FALSE(HostExists(root));

    List(*dialog, 0)->SetRowSelected(1, true);
    Press(*dialog, D().ids.save);  // OK to the question, OK to the confirmation
    ASSERT_EQ(script.shown.size(), 3u);
    EXPECT_EQ(ReadHostFile(root + "/設定データ保守/USERDATA/SET1/a1.TXT"), "system 1");
    // A save into a folder without an index file creates it with its own flags only.
    EXPECT_EQ(ReadHostFile(IndexFile("設定データ保守")), W("[データ存在フラグ]\r\n1=1\r\n"));
    EXPECT_EQ(Folders(*dialog)->currentText(), QStringLiteral("設定データ保守"));
}

TEST_P(ActionsTest, RefusedNameThenNothingToCopyAfterTheFoldersAreReadAnew) {
    MessageScript script;
    auto dialog = OpenOnStick();
    List(*dialog, 0)->SetRowSelected(0, true);
    Probe(*dialog).SetFolderText(W("a|b"));
    Press(*dialog, D().ids.save);
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, "ディレクトリ名［ a|b ］が不正です。（名称を変更して下さい。）");
    EXPECT_EQ(script.shown[0].icon, MsgIcon::Stop);

    // A data set whose system folder is missing: nothing to copy.
    RemoveHostTree(install.sysdata + "/USERDATA/SET3");
    MakeHostDirs(root + "/現場");
    ChooseDrive(*dialog, D().ids, 'E');  // the same drive again: its folders read anew
    List(*dialog, 0)->SetRowSelected(0, false);
    List(*dialog, 0)->SetRowSelected(3, true);
    Press(*dialog, D().ids.save);
    ASSERT_EQ(script.shown.size(), 2u);
    EXPECT_EQ(script.shown[1].text, "ファイルが存在しませんでした");
    EXPECT_EQ(script.shown[1].caption, QStringLiteral("データ保存"));
}

TEST_P(ActionsTest, CopyFailureLeavesTheIndexFileUnchanged) {
    MessageScript script;
    Installation::WriteIni(IndexFile("点検"), "[データ存在フラグ]\n0=0\n1=0\n");
    // A file where the data set's folder must go: the copy cannot be written.
    WriteHostFile(root + "/点検/USERDATA", "in the way");
    auto dialog = OpenOnStick();
    std::string before = ReadHostFile(IndexFile("点検"));
    List(*dialog, 0)->SetRowSelected(0, true);
    Press(*dialog, D().ids.save);
    ASSERT_EQ(script.shown.size(), 2u);
    // The write error says what the failed save kept; its first row failed, so nothing is marked.
    EXPECT_EQ(
        script.shown[1].text,
        "ファイルの書き込みエラーです！\n空き容量・書き込み禁止の確認等を行ってください\n"
        "失敗までに保存したファイルはそのままです。すべてのファイルを保存できたデータだけを保存済みとして記録します。");
    EXPECT_EQ(script.shown[1].caption, QStringLiteral("設定データ保守"));
    EXPECT_EQ(ReadHostFile(IndexFile("点検")), before);
    EXPECT_FALSE(Probe(*dialog).IsTransferBusy());
    EXPECT_TRUE(dialog->GetDlgItem(D().ids.exit)->isEnabled());
}

TEST_P(ActionsTest, RegisterWritesThePlainFilesBackAndLeavesOthers) {
    MessageScript script;
    Installation::WriteIni(IndexFile("点検"), "[データ存在フラグ]\n0=1\n1=0\n2=1\n");
    WriteHostFile(root + "/点検/USERDATA/SET2/a2.TXT", "from the stick");
    WriteHostFile(install.sysdata + "/USERDATA/SET2/other.TXT", "stays");
    auto dialog = OpenOnStick();
    ASSERT_EQ(List(*dialog, 1)->GetItemCount(), 2);
    List(*dialog, 1)->SetRowSelected(1, true);  // row 1 is data set 2
    Press(*dialog, D().ids.registerButton);
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, "[ E ] ドライブからデータの再登録を行いますか？");
    EXPECT_EQ(script.shown[0].caption, QStringLiteral("データ保存"));
    EXPECT_EQ(ReadHostFile(install.sysdata + "/USERDATA/SET2/a2.TXT"), "from the stick");
    EXPECT_EQ(ReadHostFile(install.sysdata + "/USERDATA/SET2/other.TXT"), "stays");
    EXPECT_EQ(ReadHostFile(install.sysdata + "/USERDATA/SET0/a0.TXT"), "system 0");
}

// The restore point is kept on a worker thread while the dialog serves its events,
// its controls locked; one that cannot be kept is still told and nothing is registered.
TEST_P(ActionsTest, RegisterKeepsItsRestorePointWhileTheDialogServesItsEvents) {
    const std::string store = RestorePointRoot(D().programName);
    struct Case {
        bool storeBlocked;
        const char* set2After;
        size_t boxes;
    };
    for (const Case& c : {Case{false, "from the stick", 1}, Case{true, "system 2", 2}}) {
        SCOPED_TRACE(c.storeBlocked);
        RemoveHostTree(store);
        if (c.storeBlocked) WriteHostFile(store, "a file where the store's folder goes");
        MessageScript script;
        Installation::WriteIni(IndexFile("点検"), "[データ存在フラグ]\n0=0\n1=0\n2=1\n");
        WriteHostFile(root + "/点検/USERDATA/SET2/a2.TXT", "from the stick");
        WriteHostFile(install.sysdata + "/USERDATA/SET2/a2.TXT", "system 2");
        auto dialog = OpenOnStick();
        List(*dialog, 1)->SetRowSelected(0, true);
        bool pressing = true, servedDuring = false, busy = false;
        std::string set2;
        QTimer::singleShot(0, [&] {
            servedDuring = pressing;
            busy = Probe(*dialog).IsTransferBusy() && !dialog->GetDlgItem(D().ids.exit)->isEnabled();
            set2 = ReadHostFile(install.sysdata + "/USERDATA/SET2/a2.TXT");
        });
        Press(*dialog, D().ids.registerButton);
        pressing = false;
        QApplication::processEvents();
        EXPECT_TRUE(servedDuring);
        EXPECT_TRUE(busy);
        EXPECT_EQ(set2, "system 2");  // the first event came before the copy began
        EXPECT_EQ(ReadHostFile(install.sysdata + "/USERDATA/SET2/a2.TXT"), c.set2After);
        ASSERT_EQ(script.shown.size(), c.boxes);
        if (c.storeBlocked) {
            EXPECT_EQ(script.shown[1].text.rfind("再登録の前に、元に戻すためのデータを保存できませんでした。", 0), 0u);
        }
        EXPECT_FALSE(Probe(*dialog).IsTransferBusy());
        EXPECT_TRUE(dialog->GetDlgItem(D().ids.exit)->isEnabled());
    }
    RemoveHostTree(store);
}

TEST_P(ActionsTest, RegisterWithAnEmptyFolderBoxAsksItsOwnQuestion) {
    MessageScript script;
    Installation::WriteIni(IndexFile("点検"), "[データ存在フラグ]\n0=1\n");
    auto dialog = OpenOnStick();
    ASSERT_EQ(List(*dialog, 1)->GetItemCount(), 1);
    // The user picks a row, then clears the folder box's text before pressing.
    List(*dialog, 1)->SetRowSelected(0, true);
    Probe(*dialog).SetFolderText("");
    script.answers = {MsgAnswer::Cancel};
    Press(*dialog, D().ids.registerButton);
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, "名称が｢設定データ保守｣のディレクトリから再登録します。");
    EXPECT_EQ(script.shown[0].caption, QStringLiteral("データ保存"));
    EXPECT_EQ(Folders(*dialog)->currentText(), QString());
}

TEST_P(ActionsTest, NewFolderWhoseNameExistsKeepsTheDialogOpen) {
    MessageScript script;
    MakeHostDirs(root + "/点検");
    auto dialog = OpenOnStick();
    bool stillOpen = false;
    WithNewFolderDialog([&](CNewFolderDlg& d) {
        // Opens with the current folder's name; OK at once names an existing folder.
        EXPECT_EQ(qobject_cast<QLineEdit*>(d.GetDlgItem(1036))->text(), QStringLiteral("点検"));
        qobject_cast<QPushButton*>(d.GetDlgItem(1))->click();
        stillOpen = d.isVisible();
    });
    Press(*dialog, D().ids.newFolder);
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, "保守フォルダ '点検' は既に存在します。\n別の名前を指定して下さい。");
    EXPECT_EQ(script.shown[0].caption, QString::fromUtf8(D().programName));
    EXPECT_EQ(Folders(*dialog)->count(), 1);
}

TEST_P(ActionsTest, NewFolderOnAPulledStickRestoresTheSelection) {
    MessageScript script;
    MakeHostDirs(root + "/A");
    MakeHostDirs(root + "/B");
    auto dialog = OpenOnStick();
    install.prefix.UnlinkDrive('E');
    WithNewFolderDialog([](CNewFolderDlg& d) { TypeAndOk(d, QStringLiteral("C")); });
    Press(*dialog, D().ids.newFolder);
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, "フォルダ作成エラーです！\n空き容量・書き込み禁止の確認等を行ってください");
    EXPECT_EQ(script.shown[0].icon, MsgIcon::Stop);
    EXPECT_EQ(Folders(*dialog)->count(), 2);
    EXPECT_EQ(Folders(*dialog)->currentText(), QStringLiteral("A"));
}

TEST_P(ActionsTest, NewFolderMakesTheRootAndAcceptsADot) {
    MessageScript script;
    auto dialog = OpenOnStick();
    ASSERT_FALSE(HostExists(root));
    WithNewFolderDialog([](CNewFolderDlg& d) { TypeAndOk(d, QStringLiteral("2026.12")); });
    Press(*dialog, D().ids.newFolder);
    EXPECT_TRUE(script.shown.empty());
    EXPECT_TRUE(HostExists(IndexFile("2026.12")));
    // Listed cut at the dot.
    EXPECT_EQ(Folders(*dialog)->currentText(), QStringLiteral("2026"));
}

TEST_P(ActionsTest, NewFolderRefusesAnIndexPathTooLongForItsBuffer) {
    MessageScript script;
    std::string longName(110, 'n');
    MakeHostDirs(root + "/" + longName);
    auto dialog = OpenOnStick();
    ASSERT_EQ(Folders(*dialog)->currentText().size(), 110);
    // The pre-filled name, shortened by one character: new, but its index file
    // path would be longer than 127 bytes.
    WithNewFolderDialog([](CNewFolderDlg& d) {
        auto* edit = qobject_cast<QLineEdit*>(d.GetDlgItem(1036));
        edit->setText(edit->text().chopped(1));
        qobject_cast<QPushButton*>(d.GetDlgItem(1))->click();
    });
    Press(*dialog, D().ids.newFolder);
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, "フォルダ作成エラーです！\n空き容量・書き込み禁止の確認等を行ってください");
    EXPECT_FALSE(HostExists(root + "/" + std::string(109, 'n')));
    EXPECT_EQ(Folders(*dialog)->count(), 1);
    EXPECT_EQ(Folders(*dialog)->currentText().size(), 110);
}

TEST_P(ActionsTest, NewFolderNameWithASeparatorIsRefused) {
    MessageScript script;
    MakeHostDirs(root + "/A");
    auto dialog = OpenOnStick();
    const QString refused[] = {QStringLiteral("..\\..\\外"), QStringLiteral("a/b"), QStringLiteral("x\\y"),
                               QStringLiteral(".."),         QStringLiteral("CON"), QStringLiteral("末尾."),
                               QStringLiteral("a:b"),        QStringLiteral("   ")};
    for (const QString& typed : refused) {
        WithNewFolderDialog([typed](CNewFolderDlg& d) { TypeAndOk(d, typed); });
        Press(*dialog, D().ids.newFolder);
    }
    ASSERT_EQ(script.shown.size(), std::size(refused));
    for (const Shown& s : script.shown)
        EXPECT_EQ(s.text, "フォルダ作成エラーです！\n空き容量・書き込み禁止の確認等を行ってください");
    EXPECT_FALSE(HostExists(install.stick + "/外"));
    EXPECT_FALSE(HostExists(root + "/a"));
    EXPECT_FALSE(HostExists(root + "/x"));
    EXPECT_FALSE(HostExists(root + "/末尾"));
    EXPECT_EQ(Folders(*dialog)->count(), 1);
    // 表 (95 5C) and ソ (83 5C) are single characters, not separators.
    WithNewFolderDialog([](CNewFolderDlg& d) { TypeAndOk(d, QStringLiteral("表ソ")); });
    Press(*dialog, D().ids.newFolder);
    EXPECT_TRUE(HostExists(root + "/表ソ/" + D().files.indexFile));
}

INSTANTIATE_TEST_SUITE_P(BothDeliverables, ActionsTest,
                         ::testing::Values(&QuillmarkDeliverable(), &BrightfenDeliverable()),
                         [](const auto& p) { return std::string(p.param->programName); });

}  // namespace

namespace {

TEST_P(ActionsTest, TheFocusLeavesNewFolderAloneDuringASaveAndReturnsAfterIt) {
    MessageScript script;
    auto dialog = OpenOnStick();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    List(*dialog, 0)->SetRowSelected(1, true);
    QApplication::processEvents();
    QWidget* save = dialog->GetDlgItem(D().ids.save);
    ASSERT_TRUE(save->isEnabled());
    save->setFocus();
    ASSERT_TRUE(save->hasFocus());
    // Windows leaves the focus on the button while the transfer has it disabled;
    // it must not end up on "新規", where the next Enter or Space would open the
    // new-folder dialog.
    QWidget* focusDuring = save;  // replaced by the timer, which runs between two files
    QTimer::singleShot(0, [&] { focusDuring = QApplication::focusWidget(); });
    qobject_cast<QPushButton*>(save)->click();
    EXPECT_NE(focusDuring, save);
    EXPECT_NE(focusDuring, dialog->GetDlgItem(D().ids.newFolder));
    // The stick has no folder yet: the default name is offered, then the copy runs.
    EXPECT_EQ(ReadHostFile(root + "/設定データ保守/USERDATA/SET1/a1.TXT"), "system 1");
    EXPECT_FALSE(dialog->GetDlgItem(D().ids.newFolder)->hasFocus());
    EXPECT_TRUE(save->hasFocus());
}

}  // namespace
