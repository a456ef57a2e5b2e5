// A transfer through the dialog: the copy runs while the window stays live, the
// controls are locked, the progress window shows and stops it, the end is told.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <filesystem>
#include <mutex>

#include "app/maintenance_dlg.h"
#include "app/settings_tool_app.h"
#include "app/termination_watch.h"
#include "catalogue/folder_index_file.h"
#include "controls/data_list_ctrl.h"
#include "controls/drive_combo_box.h"
#include "dialogs/message_box.h"
#include "dialogs/progress_dlg.h"
#include "platform/copy_file.h"
#include "resources/deliverable.h"
#include "tests/app/dialog_driver.h"
#include "tests/app/installation.h"
#include "tests/app/maintenance_dlg_probe.h"
#include "tests/support/qt_print.h"
#include "transfer/transfer_texts.h"
#include "transfer/verify.h"

namespace {

using Probe = CMaintenanceDlgTestProbe;

// Holds the copying thread after its first file's data until the interface
// thread has looked at the window: what it sees is the state during a copy.
struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    bool copying = false, released = false;
    void Reset() {
        std::lock_guard<std::mutex> l(lock);
        copying = released = false;
    }
};
Gate g_gate;

void Hold() {
    std::unique_lock<std::mutex> l(g_gate.lock);
    if (g_gate.released) return;
    g_gate.copying = true;
    g_gate.changed.notify_all();
    g_gate.changed.wait(l, [] { return g_gate.released; });
}
void HoldCopy(const char*) { Hold(); }

// With WALKTHROUGH_DIR set, a picture of the window for the README.
void TakePicture(QWidget* w, const char* name) {
    const QString dir = qEnvironmentVariable("WALKTHROUGH_DIR");
    if (dir.isEmpty() || QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name())
                             .endsWith(QStringLiteral("Brightfen")))
        return;
    QApplication::processEvents();
    EXPECT_TRUE(w->grab().save(dir + "/" + name + ".png"));
}

class ProgressWindowTest : public ::testing::TestWithParam<const Deliverable*> {
protected:
    void SetUp() override {
        PrepareApplication(D());
        install.WriteNumberedSets(D().files.catalogueFile, 3,
                                  [](int i) { return std::string(static_cast<size_t>(1000 * (i + 1)), 'x'); });
        root = install.stick + "/" + D().files.externalRoot;
        g_gate.Reset();
        dialog = std::make_unique<CMaintenanceDlg>(D());
        dialog->show();
        ChooseDrive(*dialog, D().ids, 'E');
        for (int i = 0; i < 3; ++i) List(0)->SetRowSelected(i, true);
    }
    void TearDown() override {
        platform::SetCopyHookForTesting(nullptr);
        verify::SetBeforeReadBackForTesting({});
    }
    const Deliverable& D() const { return *GetParam(); }
    CDataListCtrl* List(int side) {
        return qobject_cast<CDataListCtrl*>(dialog->GetDlgItem(side == 0 ? D().ids.listSystem : D().ids.listExternal));
    }
    // Runs `look` on the interface thread while the copy is held inside its first
    // file, or (`readBack`) before the first file written is read back.
    void DuringTheCopy(std::function<void()> look, bool readBack = false) {
        if (readBack)
            verify::SetBeforeReadBackForTesting([](const std::string&) { Hold(); });
        else
            platform::SetCopyHookForTesting(&HoldCopy);
        auto* poll = new QTimer(dialog.get());
        QObject::connect(poll, &QTimer::timeout, [poll, look] {
            {
                std::lock_guard<std::mutex> l(g_gate.lock);
                if (!g_gate.copying) return;
            }
            poll->stop();
            look();
            std::lock_guard<std::mutex> l(g_gate.lock);
            g_gate.released = true;
            g_gate.changed.notify_all();
        });
        poll->start(5);
    }
    std::vector<std::string> shown;
    ScopedMessageBoxScript script{[this](const UserMessage& m) {
        shown.push_back(platform::Cp932ToUtf8(m.text));
        return MsgAnswer::Ok;
    }};
    Installation install;
    std::string root;
    std::unique_ptr<CMaintenanceDlg> dialog;
};

TEST_P(ProgressWindowTest, EveryControlIsLockedAndTheWindowShowsTheCopy) {
    Probe(*dialog).SetProgressDelay(0);
    Probe(*dialog).SetQuietOutcomeLimit(0);  // as if it had taken long
    QWidget* save = dialog->GetDlgItem(D().ids.save);
    save->setFocus();
    bool anyEnabled = true, windowShown = false, closeRefused = false;
    QString count, phase;
    DuringTheCopy([&] {
        anyEnabled = false;
        const MainDialogIds& ids = D().ids;
        for (int id : {ids.save, ids.registerButton, ids.newFolder, ids.comboDrive, ids.comboFolder, ids.exit,
                       ids.listSystem, ids.listExternal})
            anyEnabled |= dialog->GetDlgItem(id)->isEnabled();
        QApplication::processEvents();
        CProgressDlg* progress = Probe(*dialog).ProgressWindow();
        windowShown = progress && progress->isVisible() && progress->isModal();
        if (progress) {
            progress->Poll();
            count = progress->CountLabel()->text();
            phase = progress->PhaseLabel()->text();
            TakePicture(progress, "progress-running");
        }
        dialog->close();
        closeRefused = dialog->isVisible();
    });
    Press(*dialog, D().ids.save);
    EXPECT_FALSE(anyEnabled);
    EXPECT_TRUE(windowShown);
    EXPECT_TRUE(closeRefused);
    EXPECT_EQ(count, QStringLiteral("ファイル数：0 / 3"));
    EXPECT_EQ(phase, QStringLiteral("ファイルをコピーしています…"));
    // The end of a long one: the same window tells what was done, without asking anything.
    ASSERT_EQ(shown.size(), 2u);  // the default folder name, the confirmation
    CProgressDlg* progress = Probe(*dialog).ProgressWindow();
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->Finished());
    EXPECT_FALSE(progress->isModal());
    EXPECT_EQ(progress->Button()->text(), QStringLiteral("閉じる"));
    EXPECT_EQ(progress->Bar()->value(), 1000);
    EXPECT_FALSE(progress->PhaseLabel()->isVisible());
    EXPECT_EQ(progress->focusWidget(), progress->Button());
    TakePicture(progress, "progress-done");
    EXPECT_TRUE(dialog->GetDlgItem(D().ids.newFolder)->isEnabled());
    EXPECT_EQ(List(1)->GetItemCount(), 3);
    // Enter closes it; the dialog's focus is where it was.
    QTest::keyClick(progress, Qt::Key_Return);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Probe(*dialog).ProgressWindow(), nullptr);
    EXPECT_EQ(dialog->focusWidget(), save);
}

TEST_P(ProgressWindowTest, WhileWhatWasWrittenIsReadBackTheWindowSaysSo) {
    Probe(*dialog).SetProgressDelay(0);
    QString phase;
    int bar = -1;
    DuringTheCopy(
        [&] {
            QApplication::processEvents();
            CProgressDlg* progress = Probe(*dialog).ProgressWindow();
            ASSERT_NE(progress, nullptr);
            progress->Poll();
            phase = progress->PhaseLabel()->text();
            bar = progress->Bar()->value();
            TakePicture(progress, "progress-checking");
        },
        true);
    Press(*dialog, D().ids.save);
    EXPECT_EQ(phase, QStringLiteral("書き込んだ内容を読み返して確認しています…"));
    // Every byte copied, none read back yet: the bar stands half way.
    EXPECT_EQ(bar, 500);
}

TEST_P(ProgressWindowTest, StopFromTheWindowKeepsTheFirstDataSetOnly) {
    Probe(*dialog).SetProgressDelay(0);
    DuringTheCopy([&] {
        QApplication::processEvents();
        ASSERT_NE(Probe(*dialog).ProgressWindow(), nullptr);
        Probe(*dialog).ProgressWindow()->Button()->click();  // "中止"
    });
    Press(*dialog, D().ids.save);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2].rfind("保存を中止しました。", 0), 0u) << shown[2];
    EXPECT_EQ(ReadHostFile(root + "/設定データ保守/USERDATA/SET0/a0.TXT"), std::string(1000, 'x'));
    EXPECT_FALSE(HostExists(root + "/設定データ保守/USERDATA/SET1/a1.TXT"));
    // The right list shows what the folder holds: the one complete data set.
    EXPECT_EQ(List(1)->GetItemCount(), 1);
    EXPECT_EQ(Probe(*dialog).ProgressWindow(), nullptr);
    EXPECT_FALSE(Probe(*dialog).IsTransferBusy());
}

TEST_P(ProgressWindowTest, TerminationStopsTheTransferSafelyThenClosesTheDialog) {
    for (const int signal : {SIGTERM, SIGHUP}) {
        if (signal == SIGHUP) {
            RemoveHostTree(root);
            SetUp();
        }
        TerminationWatch watch;
        QObject::connect(&watch, &TerminationWatch::requested, dialog.get(), &CMaintenanceDlg::OnTerminationRequest);
        bool stillOpen = false;
        DuringTheCopy([&] {
            raise(signal);
            QApplication::processEvents();
            stillOpen = dialog->isVisible();  // a transfer is not abandoned half-way
        });
        Press(*dialog, D().ids.save);
        QApplication::processEvents();
        EXPECT_TRUE(stillOpen);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(shown.size(), 2u);  // the stop is not asked about or shown in a box
        EXPECT_EQ(ReadHostFile(root + "/設定データ保守/USERDATA/SET0/a0.TXT"), std::string(1000, 'x'));
        EXPECT_FALSE(HostExists(root + "/設定データ保守/USERDATA/SET1"));
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
            EXPECT_EQ(entry.path().filename().string().rfind("~$", 0), std::string::npos) << entry.path();
        EXPECT_EQ(FolderIndexFile::ReadFlag(
                      W("E:\\") + D().files.externalRoot + W("\\設定データ保守\\") + D().files.indexFile, 0),
                  1);
        shown.clear();
    }
    // Without a transfer the dialog closes at once, and a question open meanwhile is cancelled.
    SetUp();
    TerminationWatch watch;
    QObject::connect(&watch, &TerminationWatch::requested, dialog.get(), &CMaintenanceDlg::OnTerminationRequest);
    raise(SIGTERM);
    QApplication::processEvents();
    EXPECT_FALSE(dialog->isVisible());
}

TEST_P(ProgressWindowTest, AShortSuccessShowsNoWindowAndLeavesTheFocus) {
    Probe(*dialog).SetQuietOutcomeLimit(3600 * 1000);  // as if it had been quick
    QWidget* save = dialog->GetDlgItem(D().ids.save);
    save->setFocus();
    bool shownDuring = true;
    DuringTheCopy([&] {
        QApplication::processEvents();
        shownDuring = Probe(*dialog).ProgressWindow() != nullptr;
    });
    Press(*dialog, D().ids.save);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(shownDuring);
    EXPECT_EQ(Probe(*dialog).ProgressWindow(), nullptr);
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(qobject_cast<CProgressDlg*>(w) && w->isVisible());
    EXPECT_EQ(List(1)->GetItemCount(), 3);  // the list shows the result
    EXPECT_EQ(dialog->focusWidget(), save);
}

// One size text for the progress window, the outcome and the restore points.
TEST(SizeText, BytesUnderOneKilobyteElseOneDecimalAndTheTotalsUnitForDone) {
    const struct {
        uint64_t bytes, unitOf;
        const char* text;
    } cases[] = {
        {0, 0, "0 バイト"},
        {201, 201, "201 バイト"},
        {1023, 1023, "1023 バイト"},
        {1024, 1024, "1.0 KB"},
        {8847, 8847, "8.6 KB"},
        {1048550, 1048550, "1.0 MB"},  // not 1024.0 KB
        {1000, 6144, "1.0 KB"},
        {0, 6144, "0.0 KB"},
        {5u << 20, 5u << 20, "5.0 MB"},
        {3ull << 30, 3ull << 30, "3.0 GB"},
        {5000ull << 30, 5000ull << 30, "5000.0 GB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::Cp932ToUtf8(transfer_texts::SizeText(c.bytes, c.unitOf)), c.text) << c.bytes;
    EXPECT_EQ(transfer_texts::SizeText(8847), transfer_texts::SizeText(8847, 8847));
}

INSTANTIATE_TEST_SUITE_P(BothDeliverables, ProgressWindowTest,
                         ::testing::Values(&QuillmarkDeliverable(), &BrightfenDeliverable()),
                         [](const auto& p) { return std::string(p.param->programName); });

}  // namespace
