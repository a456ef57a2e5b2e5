// The whole journey on the bundled demo installation: make a maintenance folder
// on the stick, save into it, register a document back and see it merged.
// With WALKTHROUGH_DIR set, each step is also saved as a picture for the README.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "app/maintenance_dlg.h"
#include "app/settings_tool_app.h"
#include "controls/data_list_ctrl.h"
#include "controls/drive_combo_box.h"
#include "dialogs/message_box.h"
#include "dialogs/new_folder_dlg.h"
#include "host/dem.h"
#include "resources/deliverable.h"
#include "tests/support/qt_print.h"
#include "tests/support/temp_prefix.h"

namespace {

// Saves pictures of the steps when asked to; otherwise does nothing.
class Pictures {
public:
    Pictures() : m_dir(qEnvironmentVariable("WALKTHROUGH_DIR")) {
        if (!m_dir.isEmpty()) QDir().mkpath(m_dir);
    }
    void Take(QWidget* w, const QString& name) {
        if (m_dir.isEmpty()) return;
        // The buttons as the next idle moment of the event loop leaves them.
        if (auto* dialog = qobject_cast<CMaintenanceDlg*>(w)) dialog->OnKickIdle();
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
        if (oldPrefix.empty()) unsetenv("WINEPREFIX");
        else setenv("WINEPREFIX", oldPrefix.c_str(), 1);
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
    auto* drives = qobject_cast<CDriveComboBox*>(dialog.GetDlgItem(d.ids.comboDrive));
    auto* folders = qobject_cast<QComboBox*>(dialog.GetDlgItem(d.ids.comboFolder));
    auto* system = qobject_cast<CDataListCtrl*>(dialog.GetDlgItem(d.ids.listSystem));
    auto* external = qobject_cast<CDataListCtrl*>(dialog.GetDlgItem(d.ids.listExternal));
    ASSERT_EQ(system->GetItemCount(), 10);

    // 1. The stick: its first maintenance folder opens with what it holds.
    drives->SetCurSel(drives->FindDrive(4));
    dialog.OnSelchangeDrive();
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
    dialog.OnNewFolderButton();
    EXPECT_EQ(folders->currentText(), QStringLiteral("現場B"));
    EXPECT_EQ(external->GetItemCount(), 0);

    // 3. Save three data sets into it: symbols, and two of the document's kinds.
    for (int row : {0, 4, 5}) system->SetRowSelected(row, true);
    dialog.OnKickIdle();
    pictures.Take(&dialog, "step3-selected");
    dialog.OnSaveButton();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "[ E ] ドライブにデータの保存を行いますか？");
    EXPECT_EQ(external->GetItemCount(), 3);
    pictures.Take(&dialog, "step4-saved");
    std::string stickDoc = prefixDir + "/drive_e/PARC_JDT/現場B/USERDATA/DOC/STANDARD.DEM";
    EXPECT_TRUE(HostExists(stickDoc));

    // 4. Register the layer and line groups from the inspection folder back.
    folders->setCurrentIndex(0);
    dialog.OnSelchangeFolder();
    ASSERT_EQ(folders->currentText(), QStringLiteral("2026年12月点検"));
    external->SetRowSelected(3, true);  // present 0, 1, 2, 4, ...: row 3 is data set 4
    dialog.OnKickIdle();
    pictures.Take(&dialog, "step5-register-selected");
    dialog.OnRegisterButton();
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
    dialog.OnSysCommand(0x0010);
    EXPECT_EQ(about, QStringLiteral("設定保守ツール のﾊﾞｰｼﾞｮﾝ情報"));
}

}  // namespace
