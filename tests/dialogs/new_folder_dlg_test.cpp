// The new-folder dialog's edit: 20 bytes of CP932 text, never half a character.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>

#include "controls/qt_cp932.h"
#include "dialogs/dialog_units.h"
#include "dialogs/new_folder_dlg.h"
#include "resources/deliverable.h"
#include "tests/support/qt_print.h"
#include "tests/support/temp_prefix.h"

namespace {

// Types each character as a key press carrying that text (any script).
void Type(QWidget* w, const QString& text) {
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

struct Opened {
    explicit Opened(const std::string& name) : dialog(QuillmarkDeliverable(), nullptr) {
        InstallFontSubstitutions();
        dialog.m_strName = name;
        dialog.m_strRoot = "C:\\nowhere";
        // exec() would block: show and initialise as it does.
        QTimer::singleShot(0, [this] {
            edit = qobject_cast<QLineEdit*>(dialog.GetDlgItem(1036));
            ok = qobject_cast<QPushButton*>(dialog.GetDlgItem(1));
            body();
            dialog.reject();
        });
    }
    void Run(std::function<void()> steps) {
        body = std::move(steps);
        dialog.exec();
    }
    CNewFolderDlg dialog;
    QLineEdit* edit = nullptr;
    QPushButton* ok = nullptr;
    std::function<void()> body;
};

TEST(NewFolderDialog, TypingStopsAtTwentyBytesWithoutSplittingACharacter) {
    TempPrefix prefix;
    Opened o("");
    o.Run([&] {
        Type(o.edit, QStringLiteral("ABCDEFGHIJKLMNOPQRS"));  // 19 bytes
        Type(o.edit, QStringLiteral("表"));                   // 2 bytes: does not fit
        EXPECT_EQ(ToCp932(o.edit->text()).size(), 19u);
        Type(o.edit, QStringLiteral("ｱ"));  // half-width katakana: 1 byte, fits
        EXPECT_EQ(o.edit->text(), QStringLiteral("ABCDEFGHIJKLMNOPQRSｱ"));
        Type(o.edit, QStringLiteral("Z"));
        EXPECT_EQ(ToCp932(o.edit->text()).size(), 20u);
    });
}

TEST(NewFolderDialog, PastedTextIsCutToWholeCharacters) {
    TempPrefix prefix;
    Opened o("");
    o.Run([&] {
        o.edit->selectAll();
        o.edit->insert(QStringLiteral("設定データ保守ソ表示設定一覧"));  // 28 bytes
        emit o.edit->textEdited(o.edit->text());
        EXPECT_EQ(o.edit->text(), QStringLiteral("設定データ保守ソ表示"));
        EXPECT_EQ(ToCp932(o.edit->text()).size(), 20u);
    });
}

TEST(NewFolderDialog, OkNeedsTextHelpStaysDisabledLongNameShownWhole) {
    TempPrefix prefix;
    std::string longName = W("とても長い保守フォルダの名前です");  // 32 bytes
    Opened o(longName);
    o.Run([&] {
        EXPECT_EQ(ToCp932(o.edit->text()), longName);
        EXPECT_TRUE(o.ok->isEnabled());
        EXPECT_FALSE(o.dialog.GetDlgItem(9)->isEnabled());
        o.edit->clear();
        EXPECT_FALSE(o.ok->isEnabled());
        // Shortening a name that is over the limit is allowed.
        o.edit->setText(QString::fromStdString(platform::Cp932ToUtf8(longName)));
        QTest::keyClick(o.edit, Qt::Key_Backspace);
        EXPECT_EQ(o.edit->text(), QStringLiteral("とても長い保守フォルダの名前で"));
    });
}

TEST(DialogUnitsRule, MulDivRoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDiv(21, 6, 4), 32);     // 31.5
    EXPECT_EQ(MulDiv(110, 13, 8), 179);  // 178.75
    EXPECT_EQ(MulDiv(7, 13, 8), 11);     // 11.375
    EXPECT_EQ(MulDiv(-21, 6, 4), -32);
    EXPECT_EQ(MulDiv(5, 1, 0), -1);  // Windows answers -1 for a zero divisor
}

}  // namespace

namespace {

TEST(NewFolderDialog, TheCaptionsMnemonicTakesTheFocusToTheEdit) {
    TempPrefix prefix;
    InstallFontSubstitutions();
    // Brightfen's frame caption is "新規保守フォルダ名称(&N)": on Windows Alt+N moves the
    // focus to the next control in tab order, the edit.
    CNewFolderDlg dialog(BrightfenDeliverable(), nullptr);
    dialog.m_strName = "A";
    dialog.m_strRoot = "C:\\nowhere";
    QWidget* edit = nullptr;
    bool focusedBefore = true;
    QTimer::singleShot(0, [&] {
        edit = dialog.GetDlgItem(1036);
        QWidget* cancel = dialog.GetDlgItem(2);
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        cancel->setFocus();
        focusedBefore = edit->hasFocus();
        QTest::keyClick(cancel, Qt::Key_N, Qt::AltModifier);
        QApplication::processEvents();
        EXPECT_TRUE(edit->hasFocus());
        EXPECT_TRUE(dialog.isVisible());
        dialog.reject();
    });
    dialog.exec();
    ASSERT_NE(edit, nullptr);
    EXPECT_FALSE(focusedBefore);
}

}  // namespace
