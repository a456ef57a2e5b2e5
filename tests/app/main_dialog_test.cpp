// The main dialog of both deliverables: template, tab order, IDs, closing and
// the rules that enable the two transfer buttons.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include "app/maintenance_dlg.h"
#include "app/settings_tool_app.h"
#include "controls/data_list_ctrl.h"
#include "controls/drive_combo_box.h"
#include "controls/drive_label.h"
#include "dialogs/dialog_units.h"
#include "dialogs/message_box.h"
#include "dialogs/new_folder_dlg.h"
#include "dialogs/progress_dlg.h"
#include "resources/deliverable.h"
#include "tests/app/dialog_driver.h"
#include "tests/app/installation.h"
#include "tests/app/maintenance_dlg_probe.h"
#include "tests/support/qt_print.h"

namespace {

using Probe = CMaintenanceDlgTestProbe;

const char* KindClass(ControlKind kind) {
    switch (kind) {
    case ControlKind::GroupBox: return "QGroupBox";
    case ControlKind::Static: return "QLabel";
    case ControlKind::StaticImage: return "CDriveLabel";
    case ControlKind::StaticIcon: return "QLabel";
    case ControlKind::ListView: return "CDataListCtrl";
    case ControlKind::PushButton: return "QPushButton";
    case ControlKind::ComboList: return "QComboBox";
    case ControlKind::ComboOwnerDraw: return "CDriveComboBox";
    case ControlKind::Edit: return "QLineEdit";
    }
    return "";
}

// Where each addressed control stands, in pixels at base units 6 x 13: the template's
// x * 6 / 4 and y * 13 / 8, halves rounded away from zero (a combo box's height is its
// closed field's, checked apart).
struct Placed {
    int id;
    QRect rect;
};

const std::vector<Placed>& PixelRects(const Deliverable& d) {
    static const std::vector<Placed> quillmark = {
        {1012, QRect(23, 41, 201, 23)},   {1013, QRect(23, 65, 201, 13)},    {1001, QRect(23, 150, 201, 328)},
        {1008, QRect(23, 479, 111, 23)},  {1003, QRect(293, 41, 201, 159)},  {1014, QRect(293, 68, 201, 13)},
        {1004, QRect(293, 94, 201, 141)}, {1002, QRect(293, 150, 201, 328)}, {1010, QRect(293, 479, 111, 23)},
        {1005, QRect(243, 179, 32, 98)},  {1006, QRect(243, 280, 32, 98)},   {1015, QRect(408, 479, 86, 23)},
        {2, QRect(413, 530, 98, 23)},     {1035, QRect(293, 115, 66, 23)},   {1038, QRect(360, 115, 66, 23)},
        {1039, QRect(428, 115, 66, 23)},
    };
    static const std::vector<Placed> brightfen = {
        {1009, QRect(23, 41, 201, 23)},   {1010, QRect(23, 65, 201, 13)},    {1002, QRect(20, 150, 242, 328)},
        {1006, QRect(23, 479, 111, 23)},  {1000, QRect(329, 41, 201, 231)},  {1011, QRect(329, 68, 201, 13)},
        {1001, QRect(329, 94, 201, 278)}, {1012, QRect(329, 115, 66, 23)},   {1013, QRect(396, 115, 66, 23)},
        {1014, QRect(464, 115, 66, 23)},  {1003, QRect(329, 150, 248, 328)}, {1007, QRect(329, 479, 111, 23)},
        {1008, QRect(444, 479, 86, 23)},  {1004, QRect(279, 179, 32, 98)},   {1005, QRect(279, 280, 32, 98)},
        {2, QRect(491, 530, 98, 23)},
    };
    static const std::vector<Placed> none;
    if (&d == &QuillmarkDeliverable()) return quillmark;
    return &d == &BrightfenDeliverable() ? brightfen : none;
}

// The dialog's size in pixels: 347 x 347 units for Quillmark, 400 x 347 for Brightfen.
QSize PixelSize(const Deliverable& d) {
    if (&d == &QuillmarkDeliverable()) return QSize(521, 564);
    return &d == &BrightfenDeliverable() ? QSize(600, 564) : QSize();
}

const QRect* PlacedRect(const Deliverable& d, int id) {
    for (const Placed& p : PixelRects(d))
        if (p.id == id) return &p.rect;
    return nullptr;
}

class MainDialogTest : public ::testing::TestWithParam<const Deliverable*> {
protected:
    void SetUp() override {
        PrepareApplication(*GetParam());
        install.WriteCatalogue(GetParam()->files.catalogueFile, {{"図形設定"}, {"線種設定"}, {"ﾃﾝﾌﾟﾚｰﾄ"}});
    }
    const Deliverable& D() const { return *GetParam(); }
    Installation install;
};

TEST_P(MainDialogTest, EveryControlOfTheTemplateStandsAtItsIdWithClassTextAndRectangle) {
    CMaintenanceDlg dialog(D());
    dialog.show();
    DialogUnits units(DialogFont("ＭＳ ゴシック", 9));
    // IPAGothic at 9 pt has the Windows font's base units; anything else moves every control.
    EXPECT_EQ(units.BaseX(), 6);
    EXPECT_EQ(units.BaseY(), 13);
    EXPECT_EQ(dialog.size(), PixelSize(D()));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("設定保守ツール"));
    // Icon 128 is compiled in and found.
    EXPECT_FALSE(QPixmap(QString::fromUtf8(ApplicationIconPath())).isNull());

    size_t addressed = 0;
    for (const ControlTemplate& c : D().mainDialog.controls) {
        if (c.id == -1) continue;
        ++addressed;
        SCOPED_TRACE(c.id);
        QWidget* w = dialog.GetDlgItem(c.id);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(KindClass(c.kind))) << w->metaObject()->className();
        EXPECT_EQ(w->isHidden(), !c.visible);
        const QRect* placed = PlacedRect(D(), c.id);
        ASSERT_NE(placed, nullptr);
        QRect expected = *placed;
        if (qobject_cast<QComboBox*>(w)) expected.setHeight(w->sizeHint().height());
        EXPECT_EQ(w->geometry(), expected);
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            EXPECT_EQ(b->text(), QString::fromUtf8(c.text));
            EXPECT_FALSE(b->isDefault());  // no push button is the default
        }
    }
    EXPECT_EQ(PixelRects(D()).size(), addressed);  // no rectangle left unchecked
    // The hidden buttons stay hidden and disabled.
    for (int id : {D().ids.editHidden, D().ids.deleteHidden, D().ids.listDeleteHidden}) {
        EXPECT_TRUE(dialog.GetDlgItem(id)->isHidden());
        EXPECT_FALSE(dialog.GetDlgItem(id)->isEnabled());
    }
}

TEST_P(MainDialogTest, TabOrderFollowsTheTemplate) {
    CMaintenanceDlg dialog(D());
    dialog.show();
    std::vector<QWidget*> expected;
    for (const ControlTemplate& c : D().mainDialog.controls)
        if (c.id != -1 && c.kind != ControlKind::Static && c.kind != ControlKind::StaticImage)
            expected.push_back(dialog.GetDlgItem(c.id));
    // Walk the focus chain from the first control and keep the template's controls.
    std::vector<QWidget*> chain;
    QWidget* w = expected.front();
    for (size_t guard = 0; guard < 200 && chain.size() < expected.size(); ++guard) {
        if (std::find(expected.begin(), expected.end(), w) != expected.end() &&
            std::find(chain.begin(), chain.end(), w) == chain.end())
            chain.push_back(w);
        w = w->nextInFocusChain();
    }
    ASSERT_EQ(chain.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(chain[i]->property("controlId").toInt(), expected[i]->property("controlId").toInt()) << i;
}

TEST_P(MainDialogTest, SaveAndRegisterButtonsFollowTheirListsSelections) {
    // The stick's maintenance folder holds data set 1.
    Installation::WriteIni(install.stick + "/" + D().files.externalRoot + "/点検/" + D().files.indexFile,
                           "[データ存在フラグ]\n0=0\n1=1\n2=0\n");
    CMaintenanceDlg dialog(D());
    dialog.show();
    ChooseDrive(dialog, D().ids, 'E');
    QWidget* save = dialog.GetDlgItem(D().ids.save);
    QWidget* reg = dialog.GetDlgItem(D().ids.registerButton);
    auto* system = qobject_cast<CDataListCtrl*>(dialog.GetDlgItem(D().ids.listSystem));
    auto* external = qobject_cast<CDataListCtrl*>(dialog.GetDlgItem(D().ids.listExternal));
    ASSERT_EQ(system->GetItemCount(), 3);
    ASSERT_EQ(external->GetItemCount(), 1);

    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(reg->isEnabled());
    system->SetRowSelected(2, true);
    QApplication::processEvents();
    EXPECT_TRUE(save->isEnabled());
    EXPECT_FALSE(reg->isEnabled());
    external->SetRowSelected(0, true);
    system->SetRowSelected(2, false);
    QApplication::processEvents();
    EXPECT_FALSE(save->isEnabled());
    EXPECT_TRUE(reg->isEnabled());
    // These keep their handlers and stay enabled.
    for (int id : {D().ids.toggleSystem, D().ids.toggleExternal, D().ids.newFolder, D().ids.exit})
        EXPECT_TRUE(dialog.GetDlgItem(id)->isEnabled()) << id;
}

TEST_P(MainDialogTest, EnterOutsideAButtonAndEscEndTheDialog) {
    {
        CMaintenanceDlg dialog(D());
        dialog.show();
        QWidget* list = dialog.GetDlgItem(D().ids.listSystem);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.isVisible());
    }
    {
        CMaintenanceDlg dialog(D());
        dialog.show();
        QTest::keyClick(dialog.GetDlgItem(D().ids.comboFolder), Qt::Key_Escape);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST_P(MainDialogTest, ClosingIsRefusedWhileATransferRuns) {
    CMaintenanceDlg dialog(D());
    dialog.show();
    Probe(dialog).SetTransferBusy(true);
    dialog.reject();
    dialog.close();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.GetDlgItem(D().ids.exit)->isEnabled());
    EXPECT_FALSE(dialog.GetDlgItem(D().ids.newFolder)->isEnabled());
    Probe(dialog).SetTransferBusy(false);
    dialog.reject();
    EXPECT_FALSE(dialog.isVisible());
}

TEST_P(MainDialogTest, SystemMenuEntryOpensTheAboutBox) {
    CMaintenanceDlg dialog(D());
    dialog.show();
    QMenu* menu = Probe(dialog).BuildSystemMenu();
    QList<QAction*> actions = menu->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
    QAction* about = actions.last();
    EXPECT_EQ(about->text(), QStringLiteral("設定保守ツール のﾊﾞｰｼﾞｮﾝ情報(&A)..."));
    QString seen;
    QTimer::singleShot(0, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            seen = box->windowTitle();
            box->close();
        }
    });
    about->trigger();
    EXPECT_EQ(seen, QString::fromUtf8(D().aboutDialog.caption));
    delete menu;
}

TEST_P(MainDialogTest, ListsMessageBoxesAndSmallWindowsLookAsOnWindows) {
    CMaintenanceDlg dialog(D());
    dialog.show();
    // A list view's first column is left-aligned, whatever its format asks.
    auto* list = qobject_cast<CDataListCtrl*>(dialog.GetDlgItem(D().ids.listSystem));
    for (int column : {0, 1}) {
        EXPECT_EQ(list->model()->index(0, column).data(Qt::TextAlignmentRole).toInt(),
                  int(Qt::AlignLeft | Qt::AlignVCenter));
        EXPECT_EQ(list->model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
                  int(Qt::AlignLeft | Qt::AlignVCenter));
    }
    // A message box: OK before キャンセル, the pair centred, 0x5C drawn as ¥.
    const UserMessage question{platform::Utf8ToCp932("E:\\PARC_JDT に保存しますか？"),
                               platform::Utf8ToCp932("データ保存"), false, MsgButtons::OkCancel, MsgIcon::Question};
    auto box = MakeMessageBox(&dialog, question);
    box->show();
    QApplication::processEvents();
    EXPECT_EQ(box->text(), QStringLiteral("E:¥PARC_JDT に保存しますか？"));
    QAbstractButton* ok = box->defaultButton();
    QAbstractButton* cancel = box->escapeButton();
    ASSERT_TRUE(ok && cancel && ok != cancel);
    const int left = ok->mapTo(box.get(), QPoint(0, 0)).x();
    const int right = cancel->mapTo(box.get(), QPoint(cancel->width(), 0)).x();
    EXPECT_LT(left, cancel->mapTo(box.get(), QPoint(0, 0)).x());
    EXPECT_NEAR(left + right, box->width(), 4) << left << " " << right << " " << box->width();
    // The progress and new folder windows: no minimise or maximise box.
    TransferObserver observer;
    std::atomic<bool> stop{false};
    CProgressDlg progress(&dialog, observer, stop, QStringLiteral("設定データ保守"));
    CNewFolderDlg folder(D(), &dialog);
    for (QWidget* w : {static_cast<QWidget*>(&progress), static_cast<QWidget*>(&folder)}) {
        const Qt::WindowFlags flags = w->windowFlags();
        EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)) << flags;
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    }
}

TEST_P(MainDialogTest, EachDeliverableReadsOnlyItsOwnCatalogue) {
    const Deliverable& other = GetParam() == &QuillmarkDeliverable() ? BrightfenDeliverable() : QuillmarkDeliverable();
    install.WriteCatalogue(other.files.catalogueFile, {{"他製品1"}, {"他製品2"}, {"他製品3"}, {"他製品4"}});
    CMaintenanceDlg dialog(D());
    dialog.show();
    EXPECT_EQ(Probe(dialog).DataCount(), 3);
    auto* system = qobject_cast<CDataListCtrl*>(dialog.GetDlgItem(D().ids.listSystem));
    EXPECT_EQ(system->GetItemCount(), 3);
}

INSTANTIATE_TEST_SUITE_P(BothDeliverables, MainDialogTest,
                         ::testing::Values(&QuillmarkDeliverable(), &BrightfenDeliverable()),
                         [](const auto& p) { return std::string(p.param->programName); });

TEST(DeliverableIds, AControlAnswersOnlyToItsOwnDeliverablesId) {
    Installation install;
    PrepareApplication(QuillmarkDeliverable());
    CMaintenanceDlg quill(QuillmarkDeliverable());
    CMaintenanceDlg bright(BrightfenDeliverable());
    auto text = [](QWidget* w) {
        auto* b = qobject_cast<QPushButton*>(w);
        return b ? b->text() : QString();
    };
    EXPECT_EQ(text(quill.GetDlgItem(1005)), QStringLiteral("→保存→"));
    EXPECT_EQ(text(bright.GetDlgItem(1004)), QStringLiteral("→保存→"));
    EXPECT_EQ(text(bright.GetDlgItem(1005)), QStringLiteral("←登録←"));
    EXPECT_TRUE(quill.GetDlgItem(1004)->inherits("QComboBox"));  // the folder box there
    EXPECT_EQ(quill.GetDlgItem(1009), nullptr);
    EXPECT_TRUE(bright.GetDlgItem(1009)->inherits("CDriveLabel"));
}

}  // namespace

namespace {

// Shift+F10, the Menu key and Alt+Space open the system menu wherever the focus
// is; they never press or select anything.
class SystemMenuKeyTest : public ::testing::TestWithParam<const Deliverable*> {};

TEST_P(SystemMenuKeyTest, EachMenuKeyOpensTheMenuFromAListABoxAndAButton) {
    Installation install;
    const Deliverable& d = *GetParam();
    PrepareApplication(d);
    install.WriteCatalogue(d.files.catalogueFile, {{"図形設定"}, {"線種設定"}});
    CMaintenanceDlg dialog(d);
    dialog.show();
    auto* list = qobject_cast<CDataListCtrl*>(dialog.GetDlgItem(d.ids.listSystem));
    const struct {
        int id;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
    } cases[] = {
        {d.ids.listSystem, Qt::Key_F10, Qt::ShiftModifier}, {d.ids.listSystem, Qt::Key_Menu, Qt::NoModifier},
        {d.ids.listSystem, Qt::Key_Space, Qt::AltModifier}, {d.ids.comboFolder, Qt::Key_F10, Qt::ShiftModifier},
        {d.ids.exit, Qt::Key_Menu, Qt::NoModifier},         {d.ids.exit, Qt::Key_Space, Qt::AltModifier},
    };
    for (const auto& c : cases) {
        QWidget* target = dialog.GetDlgItem(c.id);
        SCOPED_TRACE(QKeySequence(QKeyCombination(c.mods, c.key)).toString().toStdString());
        SCOPED_TRACE(c.id);
        target->setFocus();
        QMenu* seen = nullptr;
        QString current;
        QTimer::singleShot(0, [&] {
            seen = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (seen && seen->activeAction()) current = seen->activeAction()->text();
            if (seen) seen->close();
        });
        QTest::keyClick(target, c.key, c.mods);
        QApplication::processEvents();
        EXPECT_NE(seen, nullptr);
        EXPECT_EQ(current, QStringLiteral("移動(&M)"));  // worked by keys from its first entry
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), 0);
        EXPECT_EQ(list->GetNextSelected(-1), -1);
    }
}

INSTANTIATE_TEST_SUITE_P(BothDeliverables, SystemMenuKeyTest,
                         ::testing::Values(&QuillmarkDeliverable(), &BrightfenDeliverable()),
                         [](const auto& p) { return std::string(p.param->programName); });

}  // namespace

namespace {

TEST_P(MainDialogTest, BothBoxesDropTheirListBelowTheField) {
    CMaintenanceDlg dialog(D());
    dialog.show();
    dialog.move(40, 40);
    for (int id : {D().ids.comboDrive, D().ids.comboFolder}) {
        auto* combo = qobject_cast<QComboBox*>(dialog.GetDlgItem(id));
        ASSERT_NE(combo, nullptr);
        if (combo->count() == 0) combo->addItem(QStringLiteral("点検"));
        combo->setCurrentIndex(combo->count() - 1);
        combo->showPopup();
        QWidget* popup = combo->view()->window();
        ASSERT_TRUE(popup->isVisible());
        EXPECT_EQ(popup->geometry().top(), combo->mapToGlobal(QPoint(0, combo->height())).y());
        EXPECT_EQ(popup->geometry().left(), combo->mapToGlobal(QPoint(0, 0)).x());
        combo->hidePopup();
    }
}

}  // namespace
