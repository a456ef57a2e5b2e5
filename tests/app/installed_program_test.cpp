// What an installed program does at start: it names its menu entry for the desktop,
// and against a prefix without the suite's settings file the dialog says which file
// it looked for once it is up, instead of showing an empty catalogue silently.
#include <QApplication>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

#include "app/maintenance_dlg.h"
#include "app/settings_tool_app.h"
#include "dialogs/message_box.h"
#include "host/settings_file_check.h"
#include "resources/deliverable.h"
#include "tests/app/installation.h"
#include "tests/support/qt_print.h"

namespace {

class SettingsFileMessageTest : public ::testing::TestWithParam<const Deliverable*> {
protected:
    void SetUp() override {
        PrepareApplication(D());
        install.WriteCatalogue(D().files.catalogueFile, {{"図形設定"}, {"線種設定"}});
    }
    const Deliverable& D() const { return *GetParam(); }
    std::string SettingsFile() const { return install.prefix.DriveC() + "/windows/ORBIS.INI"; }

    // Runs the dialog as the program does; every box is recorded and answered OK,
    // and the dialog is closed once the start-up has finished.
    std::vector<UserMessage> RunDialog(int* dataCount) {
        std::vector<UserMessage> shown;
        CMaintenanceDlg dialog(D());
        ScopedMessageBoxScript script([&](const UserMessage& m) {
            shown.push_back(m);
            EXPECT_TRUE(dialog.isVisible());  // the message stands over the dialog
            return MsgAnswer::Ok;
        });
        QTimer::singleShot(0, &dialog, [&] { QTimer::singleShot(0, &dialog, &QDialog::reject); });
        dialog.DoModal();
        *dataCount = dialog.DataCount();
        return shown;
    }
    Installation install;
};

TEST_P(SettingsFileMessageTest, AMissingSettingsFileIsNamedOnceWithTheWayToAnotherPrefix) {
    std::filesystem::remove(SettingsFile());
    int count = -1;
    const std::vector<UserMessage> shown = RunDialog(&count);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(shown.size(), 1u);
    const UserMessage& m = shown[0];
    EXPECT_EQ(m.text, MissingSettingsFileText(CheckSettingsFile()));
    EXPECT_EQ(MessageCaption(m), QString::fromUtf8(D().programName));
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    EXPECT_EQ(m.icon, MsgIcon::Stop);
    const std::string text = platform::Cp932ToUtf8(m.text);
    EXPECT_NE(text.find("C:\\windows\\ORBIS.INI"), std::string::npos) << text;
    EXPECT_NE(text.find(SettingsFile()), std::string::npos) << text;
    EXPECT_NE(text.find("WINEPREFIX"), std::string::npos) << text;
}

TEST_P(SettingsFileMessageTest, WithTheSettingsFileInPlaceNothingIsShown) {
    int count = -1;
    EXPECT_TRUE(RunDialog(&count).empty());
    EXPECT_EQ(count, 2);
}

TEST_P(SettingsFileMessageTest, TheApplicationNamesItsInstalledMenuEntry) {
    const std::string program = D().programName == std::string("Quillmark") ? "quillmark" : "brightfen";
    EXPECT_EQ(QGuiApplication::desktopFileName().toStdString(), "jp.settingstool." + program);
}

INSTANTIATE_TEST_SUITE_P(BothDeliverables, SettingsFileMessageTest,
                         ::testing::Values(&QuillmarkDeliverable(), &BrightfenDeliverable()),
                         [](const auto& p) { return std::string(p.param->programName); });

}  // namespace
