// The drive combo box: the drive listing, the record layer behind the item-data
// calls, the entry heights and the drawing of an entry.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOptionViewItem>
#include <memory>
#include <optional>

#include "controls/drive_combo_box.h"
#include "controls/sys_image_list.h"
#include "tests/controls/test_images.h"
#include "tests/support/qt_print.h"
#include "tests/support/temp_prefix.h"

using platform::DriveLetter;

namespace {

class DriveComboTest : public ::testing::Test {
protected:
    TempPrefix prefix;
    CDriveComboBox combo;
};

// ---- drive listing ----------------------------------------------------------------

TEST_F(DriveComboTest, ListsEveryDriveInLetterOrderWithTheShellsNameAndIcon) {
    prefix.AddDrive('D', "cdrom");
    prefix.AddDrive('A', "floppy");
    prefix.SetDriveType('C', "hd");
    prefix.UnlinkDrive('Z');
    combo.FillDrives();

    ASSERT_EQ(combo.GetCount(), 3);
    const int drives[] = {0, 2, 3};
    const DWORD types[] = {DRIVE_REMOVABLE, DRIVE_FIXED, DRIVE_CDROM};
    const int icons[] = {SHELL_ICON_REMOVABLE, SHELL_ICON_FIXED, SHELL_ICON_OPTICAL};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const ShellAnswer shell = AskShell(drives[i]);
        ASSERT_TRUE(shell.ok);
        EXPECT_EQ(combo.GetItemDrive(i), DriveLetter::FromNumber(drives[i]));
        const std::optional<DriveComboItem> rec = combo.ItemRecord(i);
        ASSERT_TRUE(rec.has_value());
        EXPECT_EQ(platform::Cp932ToUtf8(rec->displayName), shell.nameUtf8);
        EXPECT_EQ(combo.itemText(i), QString::fromStdString(shell.nameUtf8));
        EXPECT_EQ(rec->icon, shell.icon);
        EXPECT_EQ(rec->icon, icons[i]);
        EXPECT_EQ(rec->driveType, types[i]);
        EXPECT_EQ(combo.GetItemData(i), 0);  // a drive entry's caller data
    }
    // Windows adds entries without selecting one.
    EXPECT_EQ(combo.GetCurSel(), -1);
    EXPECT_EQ(combo.FindDrive(DriveLetter::FromNumber(2)), 1);
    EXPECT_EQ(combo.FindDrive(DriveLetter::FromLetter('D')), 2);
    EXPECT_EQ(combo.SetCurSel(combo.FindDrive(DriveLetter::FromNumber(2))), 1);
    EXPECT_EQ(combo.currentText(), QString::fromStdString(AskShell(2).nameUtf8));

    for (int absent : {1, 25, -1, 26, 32}) EXPECT_EQ(combo.FindDrive(DriveLetter::FromNumber(absent)), -1) << absent;
    EXPECT_EQ(combo.SetCurSel(combo.FindDrive(DriveLetter::FromNumber(25))), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), -1);
    EXPECT_EQ(combo.GetItemDrive(-1), std::nullopt);
    EXPECT_EQ(combo.GetItemDrive(3), std::nullopt);

    // Drives the shell does not know are not added.
    EXPECT_EQ(combo.AddDrive(*DriveLetter::FromLetter('Q')), CB_ERR);  // no link
    EXPECT_EQ(combo.GetCount(), 3);
}

TEST_F(DriveComboTest, RecordsGoWithTheirEntries) {
    combo.FillDrives();  // C: and Z:
    ASSERT_EQ(combo.GetCount(), 2);
    combo.FillDrives();  // refilling starts again, no entry kept twice
    ASSERT_EQ(combo.GetCount(), 2);
    EXPECT_EQ(combo.DeleteString(0), 1);
    EXPECT_EQ(combo.GetItemDrive(0), DriveLetter::FromLetter('Z'));  // Z:'s record moved up with its entry
    EXPECT_EQ(combo.DeleteString(5), CB_ERR);
    combo.ResetContent();
    EXPECT_FALSE(combo.ItemRecord(0).has_value());

    combo.AddString(1);
    combo.addItem("plain");  // through Qt's own call, without record
    EXPECT_EQ(combo.SetItemData(1, 2), 0);
    combo.removeItem(0);
    EXPECT_EQ(combo.GetItemData(0), 2);
    // An entry the list refuses (it is full) leaves nothing behind.
    combo.setMaxCount(1);
    EXPECT_EQ(combo.AddString(3), CB_ERR);
    EXPECT_EQ(combo.AddDrive(*DriveLetter::FromLetter('C')), CB_ERR);
    EXPECT_EQ(combo.GetCount(), 1);
    EXPECT_EQ(combo.GetItemData(0), 2);
}

// ---- record layer ---------------------------------------------------------------

TEST_F(DriveComboTest, ItemDataIsTheCallersOwnNeverTheRecord) {
    EXPECT_EQ(combo.AddString(11), 0);
    EXPECT_EQ(combo.AddString(22), 1);
    EXPECT_EQ(combo.GetItemData(0), 11);
    EXPECT_EQ(combo.SetItemData(0, 77), 0);
    EXPECT_EQ(combo.GetItemData(0), 77);
    ASSERT_TRUE(combo.ItemRecord(0).has_value());
    EXPECT_EQ(combo.itemData(0), QVariant());        // Qt's user data is not where it goes
    EXPECT_EQ(combo.GetItemDrive(0), std::nullopt);  // a record no drive filled in

    // CB_INSERTSTRING at 0 appends.
    EXPECT_EQ(combo.InsertString(0, 33), 2);
    EXPECT_EQ(combo.GetItemData(2), 33);
    EXPECT_EQ(combo.GetItemData(0), 77);

    for (int bad : {-1, 3, 100}) {
        EXPECT_EQ(combo.GetItemData(bad), CB_ERR) << bad;
        EXPECT_EQ(combo.SetItemData(bad, 5), CB_ERR) << bad;
    }

    // An entry made by Qt's own call has no record: data 0 until set, and Qt's
    // user data of the entry stays as it was.
    combo.addItem("plain", QVariant(5));
    EXPECT_FALSE(combo.ItemRecord(3).has_value());
    EXPECT_EQ(combo.GetItemData(3), 0);
    EXPECT_EQ(combo.SetItemData(3, 44), 0);
    EXPECT_EQ(combo.GetItemData(3), 44);
    EXPECT_EQ(combo.itemData(3), QVariant(5));
}

TEST_F(DriveComboTest, FindSearchesForwardFromTheStartIndexWithoutWrapping) {
    for (qintptr data : {7, 8, 7, 9}) combo.AddString(data);
    EXPECT_EQ(combo.FindString(-1, 7), 0);
    EXPECT_EQ(combo.FindString(2, 7), 2);
    EXPECT_EQ(combo.FindString(2, 8), CB_ERR);  // the match at 1 lies before the start
    EXPECT_EQ(combo.FindString(4, 7), CB_ERR);
    EXPECT_EQ(combo.FindString(-9, 8), 1);
    EXPECT_EQ(combo.FindStringExact(1, 7), 2);
    EXPECT_EQ(combo.FindStringExact(3, 7), CB_ERR);

    EXPECT_EQ(combo.SelectString(-1, 9), 3);
    EXPECT_EQ(combo.GetCurSel(), 3);
    EXPECT_EQ(combo.SelectString(0, 42), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), 3);
}

// ---- heights ----------------------------------------------------------------------

TEST_F(DriveComboTest, EntryHeightsNeverFallBelowTheIconHeightPlusOne) {
    CSysImageList icons(SolidIcons(Qt::red));
    combo.SetImageList(&icons);
    EXPECT_EQ(combo.GetMinItemHeight(), 17);
    // Attaching makes the list entries one pixel taller than the selection field.
    EXPECT_EQ(combo.GetItemHeight(-1), 17);
    EXPECT_EQ(combo.GetItemHeight(0), 18);

    EXPECT_EQ(combo.SetItemHeight(0, 5), 0);
    EXPECT_EQ(combo.GetItemHeight(0), 17);
    EXPECT_EQ(combo.SetItemHeight(-1, 5), 0);
    EXPECT_EQ(combo.GetItemHeight(-1), 17);
    EXPECT_EQ(combo.SetItemHeight(0, 30), 0);
    EXPECT_EQ(combo.GetItemHeight(0), 30);
    // Windows refuses list entries taller than 255 and any index below -1.
    EXPECT_EQ(combo.SetItemHeight(0, 300), CB_ERR);
    EXPECT_EQ(combo.SetItemHeight(-2, 20), CB_ERR);
    EXPECT_EQ(combo.GetItemHeight(0), 30);

    // The drop-down list lays its entries out at that height.
    combo.AddDrive(*DriveLetter::FromLetter('C'));
    EXPECT_EQ(combo.view()->sizeHintForRow(0), 30);

    CSysImageList none{std::vector<QImage>{}};
    combo.SetImageList(&none);
    EXPECT_EQ(combo.GetMinItemHeight(), 1);
    EXPECT_EQ(combo.GetItemHeight(-1), 1);
    EXPECT_EQ(combo.GetItemHeight(0), 2);

    CDriveComboBox real;  // the program's 16-pixel list
    EXPECT_EQ(real.GetMinItemHeight(), 17);
}

// ---- drawing ------------------------------------------------------------------------

class DriveComboDrawTest : public DriveComboTest {
protected:
    DriveComboDrawTest() {
        // Each icon row its own shade, to see which row lands on the first pixel row.
        QImage icon(16, 16, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) icon.setPixelColor(x, y, RowColour(y));
        icons = std::make_unique<CSysImageList>(std::vector<QImage>(SHELL_ICON_COUNT, icon));
        combo.SetImageList(icons.get());
        QPalette pal = combo.palette();
        pal.setColor(QPalette::Base, Qt::white);
        pal.setColor(QPalette::Text, Qt::black);
        pal.setColor(QPalette::Highlight, kHighlight);
        pal.setColor(QPalette::HighlightedText, Qt::white);
        combo.setPalette(pal);
        prefix.UnlinkDrive('Z');
        combo.FillDrives();
    }
    static QColor RowColour(int y) { return QColor(255, 10 * y, 0); }
    static bool IsIcon(QColor c) { return c.red() == 255 && c.blue() == 0 && c.green() % 10 == 0 && c.green() <= 150; }
    QImage Draw(QSize size, bool selected, bool focus) {
        QImage img(size, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::gray);
        QPainter p(&img);
        combo.DrawItem(p, QRect(QPoint(0, 0), size), 0, selected, focus);
        return img;
    }
    const QColor kHighlight{0, 0, 200};
    std::unique_ptr<CSysImageList> icons;
};

TEST_F(DriveComboDrawTest, EntryShowsIconTwoPixelsInCentredThenTheName) {
    ASSERT_EQ(combo.GetCount(), 1);
    const QImage img = Draw(QSize(200, 20), false, false);
    EXPECT_EQ(img.pixelColor(2, 2), RowColour(0));  // (20 - 16) / 2 = 2
    EXPECT_EQ(img.pixelColor(17, 17), RowColour(15));
    EXPECT_TRUE(AllPixels(img, QRect(0, 0, 2, 20), Qt::white));
    EXPECT_TRUE(AllPixels(img, QRect(18, 0, 3, 20), Qt::white));
    EXPECT_TRUE(AnyPixel(img, QRect(22, 0, 178, 20), [](QColor c) { return c.lightness() < 100; }));

    const QImage sel = Draw(QSize(200, 20), true, true);
    EXPECT_EQ(sel.pixelColor(100, 10), kHighlight);
    EXPECT_TRUE(AnyPixel(sel, QRect(22, 2, 178, 16), [](QColor c) { return c == Qt::white; }));
    // The focus rectangle dots the edges.
    EXPECT_TRUE(AnyPixel(sel, QRect(40, 0, 100, 1), [&](QColor c) { return c != kHighlight; }));
    EXPECT_TRUE(AllPixels(Draw(QSize(200, 20), true, false), QRect(40, 0, 100, 1), kHighlight));
}

TEST_F(DriveComboDrawTest, EntryLowerThanTheIconTruncatesTheOffsetAndStillDrawsText) {
    const QImage img = Draw(QSize(200, 5), false, false);
    // (5 - 16) / 2 truncates to -5: icon row 5 is on the first pixel row.
    EXPECT_EQ(img.pixelColor(2, 0), RowColour(5));
    EXPECT_EQ(img.pixelColor(2, 4), RowColour(9));
    EXPECT_TRUE(AnyPixel(img, QRect(22, 0, 178, 5), [](QColor c) { return c.lightness() < 160; }));
}

TEST_F(DriveComboDrawTest, ListAndClosedFieldDrawThroughTheEntryDrawing) {
    QStyleOptionViewItem opt;
    opt.rect = QRect(0, 0, 200, 18);
    opt.state = QStyle::State_Selected;
    QImage img(200, 18, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::gray);
    {
        QPainter p(&img);
        combo.view()->itemDelegate()->paint(&p, opt, combo.model()->index(0, 0));
    }
    EXPECT_EQ(img.pixelColor(100, 9), kHighlight);
    EXPECT_TRUE(AnyPixel(img, QRect(2, 1, 16, 16), IsIcon));

    combo.resize(240, combo.sizeHint().height());
    EXPECT_FALSE(AnyPixel(combo.grab().toImage(), QRect(0, 0, 240, 60), IsIcon));
    combo.SetCurSel(0);
    EXPECT_TRUE(AnyPixel(combo.grab().toImage(), QRect(0, 0, 240, 60), IsIcon));
}

}  // namespace
