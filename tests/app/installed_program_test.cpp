// What an installed program does at start: it names its menu entry for the desktop,
// and against a prefix without the suite's settings file it says which file it
// looked for and ends, instead of showing a dialog with nothing to maintain.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <filesystem>
#include <vector>

#include "app/maintenance_dlg.h"
#include "app/settings_tool_app.h"
#include "dialogs/message_box.h"
#include "host/settings_file_check.h"
#include "resources/deliverable.h"
#include "tests/app/installation.h"
#include "tests/app/maintenance_dlg_probe.h"
#include "tests/support/qt_print.h"

namespace {

using Probe = CMaintenanceDlgTestProbe;

class SettingsFileMessageTest : public ::testing::TestWithParam<const Deliverable*> {
protected:
    void SetUp() override {
        PrepareApplication(D());
        install.WriteCatalogue(D().files.catalogueFile, {{"図形設定"}, {"線種設定"}});
    }
    const Deliverable& D() const { return *GetParam(); }
    std::string SettingsFile() const { return install.prefix.DriveC() + "/windows/ORBIS.INI"; }

    // Runs the dialog as the program does; every box is recorded and answered OK,
    // and the dialog is closed once the start-up has finished. `ran`: whether the
    // dialog came up (and so had to be closed).
    std::vector<UserMessage> RunDialog(int* dataCount, bool* ran) {
        std::vector<UserMessage> shown;
        CMaintenanceDlg dialog(D());
        ScopedMessageBoxScript script([&](const UserMessage& m) {
            shown.push_back(m);
            EXPECT_FALSE(dialog.isVisible());  // no dialog behind it
            return MsgAnswer::Ok;
        });
        *ran = false;
        QTimer::singleShot(0, &dialog, [&] {
            *ran = dialog.isVisible();
            QTimer::singleShot(0, &dialog, &QDialog::reject);
        });
        EXPECT_EQ(dialog.DoModal(), QDialog::Rejected);
        *dataCount = Probe(dialog).DataCount();
        return shown;
    }
    Installation install;
};

TEST_P(SettingsFileMessageTest, AMissingSettingsFileIsNamedOnceAndTheProgramEnds) {
    std::filesystem::remove(SettingsFile());
    int count = -1;
    bool ran = true;
    const std::vector<UserMessage> shown = RunDialog(&count, &ran);
    EXPECT_FALSE(ran);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(shown.size(), 1u);
    const UserMessage& m = shown[0];
    EXPECT_EQ(m.text, MissingSettingsFileText(CheckSettingsFile()));
    EXPECT_EQ(MessageCaption(m), QStringLiteral("設定保守ツール"));
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    EXPECT_EQ(m.icon, MsgIcon::Stop);
    const std::string text = platform::Cp932ToUtf8(m.text);
    EXPECT_NE(text.find("C:\\windows\\ORBIS.INI"), std::string::npos) << text;
    EXPECT_NE(text.find(SettingsFile()), std::string::npos) << text;
    EXPECT_NE(text.find("WINEPREFIX"), std::string::npos) << text;
}

TEST_P(SettingsFileMessageTest, WithTheSettingsFileInPlaceNothingIsShown) {
    int count = -1;
    bool ran = false;
    EXPECT_TRUE(RunDialog(&count, &ran).empty());
    EXPECT_TRUE(ran);
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
