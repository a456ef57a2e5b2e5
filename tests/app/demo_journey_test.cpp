// The whole journey on the bundled demo installation: make a maintenance folder
// on the stick, save into it, register a document back and see it merged.
// With WALKTHROUGH_DIR set, each step is also saved as a picture for the README.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "app/maintenance_dlg.h"
#include "app/settings_tool_app.h"
#include "controls/data_list_ctrl.h"
#include "controls/drive_combo_box.h"
#include "dialogs/compare_dlg.h"
#include "dialogs/message_box.h"
#include "dialogs/new_folder_dlg.h"
#include "dialogs/restore_point_dlg.h"
#include "host/dem.h"
#include "resources/deliverable.h"
#include "tests/app/dialog_driver.h"
#include "tests/app/maintenance_dlg_probe.h"
#include "tests/support/qt_print.h"
#include "tests/support/temp_prefix.h"
#include "transfer/tool_settings.h"
#include "transfer/verify.h"

namespace {

using Probe = CMaintenanceDlgTestProbe;

// Saves pictures of the steps when asked to; otherwise does nothing.
class Pictures {
public:
    Pictures() : m_dir(qEnvironmentVariable("WALKTHROUGH_DIR")) {
        if (!m_dir.isEmpty()) QDir().mkpath(m_dir);
    }
    void Take(QWidget* w, const QString& name) {
        if (m_dir.isEmpty()) return;
        QApplication::processEvents();
        EXPECT_TRUE(w->grab().save(m_dir + "/" + name + ".png"));
    }

private:
    QString m_dir;
};

std::string Label(const uint8_t* entry) { return std::string(reinterpret_cast<const char*>(entry)); }

class DemoJourney : public ::testing::Test {
protected:
    void SetUp() override {
        prefixDir = MakeTempDir();
        std::string command = std::string("'") + DEMO_SCRIPT + "' '" + prefixDir + "' '" + DEMDOC_BIN + "' >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        oldPrefix = std::getenv("WINEPREFIX") ? std::getenv("WINEPREFIX") : "";
        setenv("WINEPREFIX", prefixDir.c_str(), 1);
        oldCwd = std::filesystem::current_path();
        // Relative folder names are tried in the current folder: make it C:\.
        std::filesystem::current_path(prefixDir + "/drive_c");
        PrepareApplication(QuillmarkDeliverable());
    }
    void TearDown() override {
        std::filesystem::current_path(oldCwd);
        if (oldPrefix.empty())
            unsetenv("WINEPREFIX");
        else
            setenv("WINEPREFIX", oldPrefix.c_str(), 1);
        RemoveHostTree(prefixDir);
    }
    std::string prefixDir, oldPrefix;
    std::filesystem::path oldCwd;
};

TEST_F(DemoJourney, NewFolderSaveRegisterAndMerge) {
    const Deliverable& d = QuillmarkDeliverable();
    Pictures pictures;
    std::vector<std::string> seen;
    ScopedMessageBoxScript script([&](const UserMessage& m) {
        seen.push_back(platform::Cp932ToUtf8(m.text));
        auto box = MakeMessageBox(nullptr, m);
        box->show();
        pictures.Take(box.get(), QStringLiteral("step%1-message").arg(seen.size()));
        return MsgAnswer::Ok;
    });

    CMaintenanceDlg dialog(d);
    dialog.show();
    pictures.Take(&dialog, "step0-start");
    auto* folders = qobject_cast<QComboBox*>(dialog.GetDlgItem(d.ids.comboFolder));
    auto* system = qobject_cast<CDataListCtrl*>(dialog.GetDlgItem(d.ids.listSystem));
    auto* external = qobject_cast<CDataListCtrl*>(dialog.GetDlgItem(d.ids.listExternal));
    ASSERT_EQ(system->GetItemCount(), 10);

    // 1. The stick: its first maintenance folder opens with what it holds.
    ChooseDrive(dialog, d.ids, 'E');
    EXPECT_EQ(folders->count(), 2);
    EXPECT_EQ(folders->currentText(), QStringLiteral("2026年12月点検"));
    EXPECT_EQ(external->GetItemCount(), 7);
    pictures.Take(&dialog, "step1-stick");

    // 2. A new maintenance folder.
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<CNewFolderDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        qobject_cast<QLineEdit*>(dlg->GetDlgItem(1036))->setText(QStringLiteral("現場B"));
        pictures.Take(dlg, "step2-new-folder");
        qobject_cast<QPushButton*>(dlg->GetDlgItem(1))->click();
    });
    Press(dialog, d.ids.newFolder);
    EXPECT_EQ(folders->currentText(), QStringLiteral("現場B"));
    EXPECT_EQ(external->GetItemCount(), 0);

    // 3. Save three data sets into it: symbols, and two of the document's kinds.
    for (int row : {0, 4, 5}) system->SetRowSelected(row, true);
    pictures.Take(&dialog, "step3-selected");
    Press(dialog, d.ids.save);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "[ E ] ドライブにデータの保存を行いますか？");
    EXPECT_EQ(external->GetItemCount(), 3);
    pictures.Take(&dialog, "step4-saved");
    std::string stickDoc = prefixDir + "/drive_e/PARC_JDT/現場B/USERDATA/DOC/STANDARD.DEM";
    EXPECT_TRUE(HostExists(stickDoc));

    // 4. Register the layer and line groups from the inspection folder back.
    ChooseFolder(dialog, d.ids, 0);
    ASSERT_EQ(folders->currentText(), QStringLiteral("2026年12月点検"));
    external->SetRowSelected(3, true);  // present 0, 1, 2, 4, ...: row 3 is data set 4
    pictures.Take(&dialog, "step5-register-selected");
    Press(dialog, d.ids.registerButton);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], "[ E ] ドライブからデータの再登録を行いますか？");

    // Only kind 1's groups moved into the system's document.
    DemAttr merged;
    ASSERT_TRUE(merged.Load("C:\\ORBIS\\SYSDATA\\USERDATA\\DOC\\STANDARD.DEM", 0));
    EXPECT_NE(Label(merged.table265First.Entry(0)).find("USB-CHECK"), std::string::npos);
    EXPECT_NE(Label(merged.table265Second.Entry(0)).find("USB-CHECK"), std::string::npos);
    EXPECT_NE(Label(merged.table341.Entry(0)).find("SYS-PARC"), std::string::npos);
    EXPECT_NE(Label(merged.table269.Entry(0)).find("SYS-PARC"), std::string::npos);
    pictures.Take(&dialog, "step6-registered");

    // 5. The version box, from the dialog's own system menu.
    QString about;
    QTimer::singleShot(0, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            about = box->windowTitle();
            pictures.Take(box, "step7-about");
            box->close();
        }
    });
    PickMenuEntry(dialog, "aboutEntry");
    EXPECT_EQ(about, QStringLiteral("設定保守ツール のﾊﾞｰｼﾞｮﾝ情報"));
}

// Every file under a host folder with its bytes and last-write time.
std::map<std::string, std::pair<std::string, int64_t>> Tree(const std::string& hostDir) {
    std::map<std::string, std::pair<std::string, int64_t>> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(hostDir)) {
        if (!e.is_regular_file()) continue;
        const auto time = std::filesystem::last_write_time(e.path()).time_since_epoch();
        files[e.path().string()] = {ReadHostFile(e.path().string()),
                                    std::chrono::duration_cast<std::chrono::nanoseconds>(time).count()};
    }
    return files;
}

TEST_F(DemoJourney, RegisterTheWrongFolderThenUndoItFromTheSystemMenu) {
    const Deliverable& d = QuillmarkDeliverable();
    std::filesystem::remove_all(RestorePointRoot(d.programName));
    Pictures pictures;
    std::vector<std::string> seen;
    std::map<size_t, QString> pictureOf = {{2, "undo1-confirm"}, {3, "undo2-done"}, {8, "verify-failed"}};
    ScopedMessageBoxScript script([&](const UserMessage& m) {
        seen.push_back(platform::Cp932ToUtf8(m.text));
        auto box = MakeMessageBox(nullptr, m);
        box->show();
        if (pictureOf.count(seen.size())) pictures.Take(box.get(), pictureOf[seen.size()]);
        return MsgAnswer::Ok;
    });
    CMaintenanceDlg dialog(d);
    dialog.show();
    auto entry = [&](const char* name) {
        QMenu* menu = Probe(dialog).BuildSystemMenu();
        QAction* action = menu->findChild<QAction*>(QString::fromUtf8(name));
        const bool enabled = action && action->isEnabled();
        delete menu;
        return enabled;
    };
    EXPECT_FALSE(entry("undoRegisterEntry"));  // nothing registered yet
    EXPECT_FALSE(entry("restorePointsEntry"));

    // Register every data set of the stick's folder over the system's.
    const std::string userData = prefixDir + "/drive_c/ORBIS/SYSDATA/USERDATA";
    const auto before = Tree(userData);
    auto* external = qobject_cast<CDataListCtrl*>(dialog.GetDlgItem(d.ids.listExternal));
    ChooseDrive(dialog, d.ids, 'E');
    for (int row = 0; row < external->GetItemCount(); ++row) external->SetRowSelected(row, true);
    Press(dialog, d.ids.registerButton);
    ASSERT_EQ(seen.size(), 1u);
    ASSERT_NE(Tree(userData), before);

    // The system menu offers the undo now; its picture for the README.
    EXPECT_TRUE(entry("undoRegisterEntry"));
    EXPECT_TRUE(entry("restorePointsEntry"));
    if (!qEnvironmentVariable("WALKTHROUGH_DIR").isEmpty()) {
        QMenu* menu = Probe(dialog).BuildSystemMenu();
        menu->popup(dialog.mapToGlobal(QPoint(20, 20)));
        menu->setActiveAction(menu->findChild<QAction*>(QStringLiteral("undoRegisterEntry")));
        pictures.Take(menu, "undo0-menu");
        menu->close();
    }

    PickMenuEntry(dialog, "undoRegisterEntry");
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_NE(seen[1].find("\n保守フォルダ: E:\\PARC_JDT\\2026年12月点検\nファイル数: 9\n"), std::string::npos);
    EXPECT_NE(seen[2].find("再登録を元に戻しました。"), std::string::npos);
    EXPECT_EQ(Tree(userData), before);  // byte for byte, with the times
    EXPECT_FALSE(entry("undoRegisterEntry"));
    EXPECT_TRUE(entry("restorePointsEntry"));

    // A second register; the list offers it first, the one undone stays marked.
    Press(dialog, d.ids.registerButton);
    bool listed = false;
    QTimer::singleShot(0, [&] {
        auto* chooser = qobject_cast<CRestorePointDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        ASSERT_EQ(chooser->List()->topLevelItemCount(), 2);
        EXPECT_EQ(chooser->List()->currentItem(), chooser->List()->topLevelItem(0));
        EXPECT_EQ(chooser->List()->topLevelItem(1)->text(4), QStringLiteral("元に戻し済み"));
        pictures.Take(chooser, "undo-list");
        // From the keyboard: down to the used one (refused), up again, Enter.
        QTest::keyClick(chooser->List(), Qt::Key_Down);
        EXPECT_FALSE(chooser->UndoButton()->isEnabled());
        QTest::keyClick(chooser->List(), Qt::Key_Up);
        EXPECT_TRUE(chooser->UndoButton()->isEnabled());
        listed = true;
        QTest::keyClick(chooser->List(), Qt::Key_Return);
    });
    PickMenuEntry(dialog, "restorePointsEntry");
    EXPECT_TRUE(listed);
    EXPECT_EQ(Tree(userData), before);
    ASSERT_EQ(seen.size(), 6u);

    // A stick that returns other bytes than were written is caught at the save.
    verify::SetBeforeReadBackForTesting([](const std::string& hostPath) {
        if (hostPath.find("/PARC_JDT/") == std::string::npos) return;
        std::string bytes = ReadHostFile(hostPath);
        bytes[0] ^= 0x20;
        WriteHostFile(hostPath, bytes);
    });
    auto* system = qobject_cast<CDataListCtrl*>(dialog.GetDlgItem(d.ids.listSystem));
    system->SetRowSelected(1, true);
    Press(dialog, d.ids.save);
    verify::SetBeforeReadBackForTesting({});
    ASSERT_EQ(seen.size(), 8u) << seen.back();
    EXPECT_NE(seen[7].find("記録媒体から異なるデータが返されました"), std::string::npos);
}

// A compare window's rows: each set's name and counts, then its files' comparisons.
std::vector<QStringList> WindowRows(const CompareModel& model) {
    std::vector<QStringList> rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList row;
        for (int c = CompareModel::kItem; c < CompareModel::kDetail; ++c) row << model.index(r, c).data().toString();
        const QModelIndex set = model.index(r, 0);
        for (int f = 0; f < model.rowCount(set); ++f)
            row << model.index(f, CompareModel::kDetail, set).data().toString();
        rows.push_back(row);
    }
    return rows;
}

// Reads the compare window that opens next, once it has compared, and closes it.
struct CompareWindowReader {
    Pictures* pictures = nullptr;
    QString picture;
    QString title;
    std::vector<QStringList> rows;
    void ReadNext() {
        QTimer::singleShot(0, [this] {
            auto* window = qobject_cast<CCompareDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(window, nullptr);
            // Its result comes as a queued call; a loop nested in this posted event would
            // not be woken for one posted before it began, so it is delivered here.
            while (!window->IsCompared()) {
                QCoreApplication::sendPostedEvents(window, QEvent::MetaCall);
                QThread::yieldCurrentThread();
            }
            title = window->windowTitle();
            rows = WindowRows(window->Model());
            if (pictures && !picture.isEmpty()) {
                window->findChild<QTreeView*>(QStringLiteral("compareTree"))->expandAll();
                pictures->Take(window, picture);
            }
            window->reject();
        });
    }
};

TEST_F(DemoJourney, WhatARegisterOrASaveWouldChangeFromTheConfirmationsAndTheMenu) {
    const Deliverable& d = QuillmarkDeliverable();
    Pictures pictures;
    CompareWindowReader reader{&pictures};
    std::vector<MsgDetail> asked;
    // The confirmations: their "詳細..." first, then cancelled, so nothing is written.
    ScopedMessageBoxScript script([&](const UserMessage& m) {
        asked.push_back(m.detail);
        if (m.detail == MsgDetail::None || asked.size() % 2 == 0) return MsgAnswer::Cancel;
        reader.ReadNext();
        return MsgAnswer::Details;
    });
    CMaintenanceDlg dialog(d);
    dialog.show();
    ChooseDrive(dialog, d.ids, 'E');  // the first folder, 2026年12月点検, holds sets 1-3, 5, 6, 9, 10
    auto* system = qobject_cast<CDataListCtrl*>(dialog.GetDlgItem(d.ids.listSystem));
    auto* external = qobject_cast<CDataListCtrl*>(dialog.GetDlgItem(d.ids.listExternal));
    const std::string userData = prefixDir + "/drive_c/ORBIS/SYSDATA/USERDATA";
    const std::string before = ReadHostFile(userData + "/DOC/STANDARD.DEM");

    // From the register's confirmation: the selected set, the layers' document.
    external->SetRowSelected(3, true);
    Press(dialog, d.ids.registerButton);
    EXPECT_EQ(asked, (std::vector<MsgDetail>{MsgDetail::CompareRegister, MsgDetail::CompareRegister}));
    EXPECT_EQ(reader.title, QStringLiteral("再登録で変わるもの"));
    ASSERT_EQ(reader.rows.size(), 1u);
    EXPECT_EQ(reader.rows[0], (QStringList{QStringLiteral("5  図面属性(レイヤ・線)"), "0", "1", "0", "0", "0",
                                           QStringLiteral("異なる: 属性 265バイト表1・265バイト表2・5つの設定")}));
    EXPECT_EQ(ReadHostFile(userData + "/DOC/STANDARD.DEM"), before);

    // From the system menu with nothing selected: every set the folder holds.
    external->SetRowSelected(3, false);
    reader.picture = "compare";
    reader.ReadNext();
    PickMenuEntry(dialog, "compareEntry");
    std::vector<QStringList> counts;
    for (QStringList row : reader.rows) counts.push_back(row.mid(0, 6));
    EXPECT_EQ(counts, (std::vector<QStringList>{
                          {QStringLiteral("1  シンボル定義"), "0", "2", "0", "2", "0"},
                          {QStringLiteral("2  線種定義"), "0", "2", "0", "1", "0"},
                          {QStringLiteral("3  表示設定"), "0", "2", "0", "0", "0"},
                          {QStringLiteral("5  図面属性(レイヤ・線)"), "0", "1", "0", "0", "0"},
                          {QStringLiteral("6  図面属性(文字)"), "0", "1", "0", "0", "0"},
                          {QStringLiteral("9  ソフトキー設定"), "0", "1", "0", "0", "0"},
                          {QStringLiteral("10  外部連携設定"), "1", "0", "0", "0", "0"},
                      }));
    ASSERT_EQ(reader.rows[6].size(), 7);
    EXPECT_EQ(reader.rows[6][6], QStringLiteral("保守フォルダだけにある"));

    // From the save's confirmation: a set the folder lacks would be added whole.
    reader.picture.clear();
    asked.clear();
    system->SetRowSelected(3, true);
    Press(dialog, d.ids.save);
    EXPECT_EQ(asked, (std::vector<MsgDetail>{MsgDetail::CompareSave, MsgDetail::CompareSave}));
    EXPECT_EQ(reader.title, QStringLiteral("保存で変わるもの"));
    ASSERT_EQ(reader.rows.size(), 1u);
    EXPECT_EQ(reader.rows[0].mid(0, 6), (QStringList{QStringLiteral("4  ﾃﾝﾌﾟﾚｰﾄ"), "4", "0", "0", "0", "0"}));
    EXPECT_FALSE(HostExists(prefixDir + "/drive_e/PARC_JDT/2026年12月点検/USERDATA/TEMPLATE"));
}

TEST_F(DemoJourney, CompareWindowOfEachProgramListsTheFoldersSets) {
    for (const Deliverable* d : {&QuillmarkDeliverable(), &BrightfenDeliverable()}) {
        SCOPED_TRACE(d->programName);
        PrepareApplication(*d);
        Pictures pictures;
        CompareWindowReader reader{&pictures,
                                   d == &QuillmarkDeliverable() ? QString() : QStringLiteral("compare-brightfen")};
        CMaintenanceDlg dialog(*d);
        dialog.show();
        ChooseDrive(dialog, d->ids, 'E');
        auto* external = qobject_cast<CDataListCtrl*>(dialog.GetDlgItem(d->ids.listExternal));
        ASSERT_GT(external->GetItemCount(), 0);
        reader.ReadNext();
        PickMenuEntry(dialog, "compareEntry");
        EXPECT_EQ(static_cast<int>(reader.rows.size()), external->GetItemCount());
    }
}

}  // namespace
