// The drive label: SetDrive's answers and what the label paints.
#include <gtest/gtest.h>

#include <QPalette>

#include "controls/drive_label.h"
#include "controls/sys_image_list.h"
#include "tests/controls/test_images.h"
#include "tests/support/qt_print.h"
#include "tests/support/temp_prefix.h"

using platform::DriveLetter;

namespace {

const QColor kFace(200, 200, 200);
const QColor kIcon(255, 0, 0);

class DriveLabelTest : public ::testing::Test {
protected:
    DriveLabelTest() {
        prefix.SetDriveType('C', "hd");
        QPalette pal = label.palette();
        pal.setColor(QPalette::Button, kFace);
        pal.setColor(QPalette::WindowText, Qt::black);
        label.setPalette(pal);
        label.resize(220, 30);
    }
    TempPrefix prefix;
    CDriveLabel label;
};

TEST_F(DriveLabelTest, NoDriveClearsTheLabelToAPlainButtonFace) {
    ASSERT_TRUE(label.SetDrive(DriveLetter::FromLetter('C')));
    EXPECT_EQ(label.SetDrive(std::nullopt), TRUE);
    EXPECT_EQ(label.Drive(), std::nullopt);
    EXPECT_EQ(label.IconIndex(), -1);
    EXPECT_TRUE(label.Text().isEmpty());
    const QImage img = label.grab().toImage();
    EXPECT_TRUE(AllPixels(img, img.rect(), kFace));
}

TEST_F(DriveLabelTest, ShowsTheShellsNameAndIconOfTheDrive) {
    const ShellAnswer shell = AskShell(2);
    ASSERT_TRUE(shell.ok);
    EXPECT_EQ(label.SetDrive(DriveLetter::FromLetter('C')), TRUE);
    EXPECT_EQ(label.Drive(), DriveLetter::FromLetter('C'));
    EXPECT_EQ(label.IconIndex(), SHELL_ICON_FIXED);
    EXPECT_EQ(label.IconIndex(), shell.icon);
    EXPECT_EQ(label.Text(), QString::fromStdString(shell.nameUtf8));
    EXPECT_TRUE(label.Text().contains("(C:)"));
}

TEST_F(DriveLabelTest, UnknownDrivesEmptyTheLabelAndAnswerFalse) {
    for (char bad : {'Q', 'B'}) {  // not linked
        SCOPED_TRACE(bad);
        ASSERT_TRUE(label.SetDrive(DriveLetter::FromLetter('C')));
        EXPECT_EQ(label.SetDrive(DriveLetter::FromLetter(bad)), FALSE);
        EXPECT_EQ(label.Drive(), std::nullopt);
        EXPECT_EQ(label.IconIndex(), -1);
        EXPECT_TRUE(label.Text().isEmpty());
    }
}

// The icon is placed by its own image's size, not the list's common size.
TEST_F(DriveLabelTest, PaintsTheIconTwoPixelsInCentredAndTheTextAfterIt) {
    CSysImageList icons(SolidIcons(kIcon, 10, 12, 16, 16));
    label.SetImageList(&icons);
    ASSERT_TRUE(label.SetDrive(DriveLetter::FromLetter('C')));
    for (QSize size : {QSize(220, 30), QSize(260, 41)}) {
        SCOPED_TRACE(size.height());
        label.resize(size);
        const QImage img = label.grab().toImage();
        const int top = (size.height() - 12) / 2;
        EXPECT_TRUE(AllPixels(img, QRect(2, top, 10, 12), kIcon));
        EXPECT_TRUE(AllPixels(img, QRect(0, 0, 2, size.height()), kFace));
        EXPECT_TRUE(AllPixels(img, QRect(2, 0, 10, top), kFace));
        EXPECT_TRUE(AllPixels(img, QRect(2, top + 12, 10, size.height() - top - 12), kFace));
        // Nothing between the icon and the text's left edge at 2 + 10 + 4.
        EXPECT_TRUE(AllPixels(img, QRect(12, 0, 3, size.height()), kFace));
        // The name starts right there (not after a 16-pixel icon).
        EXPECT_TRUE(AnyPixel(img, QRect(16, 0, 5, size.height()), [](QColor c) { return c.lightness() < 100; }));
    }
}

}  // namespace
