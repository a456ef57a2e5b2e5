// The small drive icon list: one 16x16 icon per kind of drive, or nothing at all.
#include <gtest/gtest.h>

#include <QIcon>
#include <QPainter>

#include "controls/sys_image_list.h"
#include "tests/controls/test_images.h"
#include "tests/support/qt_print.h"

namespace {

QImage Transparent(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

bool Opaque(QColor c) { return c.alpha() > 0; }

// The shell's small list holds 16x16 icons; entry heights derive from them.
TEST(SysImageList, ProgramListHasA16PixelIconForEveryKindOfDrive) {
    const CSysImageList& list = SysImageList();
    ASSERT_FALSE(list.IsEmpty());
    EXPECT_EQ(&list, &SysImageList());
    EXPECT_EQ(list.Count(), SHELL_ICON_COUNT);
    EXPECT_EQ(list.IconWidth(), 16);
    EXPECT_EQ(list.IconHeight(), 16);
    for (int i = 0; i < SHELL_ICON_COUNT; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list.ImageRect(i), QRect(0, 0, 16, 16));
        QImage canvas = Transparent(40, 40);
        QPainter p(&canvas);
        EXPECT_TRUE(list.Draw(p, i, QPoint(10, 12)));
        p.end();
        EXPECT_TRUE(AnyPixel(canvas, QRect(10, 12, 16, 16), Opaque));
        EXPECT_FALSE(AnyPixel(canvas, QRect(0, 0, 40, 12), Opaque));
        EXPECT_FALSE(AnyPixel(canvas, QRect(26, 0, 14, 40), Opaque));
    }
    EXPECT_TRUE(list.ImageRect(-1).isEmpty());
    EXPECT_TRUE(list.ImageRect(SHELL_ICON_COUNT).isEmpty());

    // Kinds the user must tell apart look different.
    QImage fixed = Transparent(16, 16), optical = Transparent(16, 16), network = Transparent(16, 16),
           removable = Transparent(16, 16);
    for (auto [img, idx] : {std::pair{&fixed, SHELL_ICON_FIXED},
                            {&optical, SHELL_ICON_OPTICAL},
                            {&network, SHELL_ICON_NETWORK},
                            {&removable, SHELL_ICON_REMOVABLE}}) {
        QPainter p(img);
        list.Draw(p, idx, QPoint(0, 0));
    }
    EXPECT_NE(fixed, optical);
    EXPECT_NE(fixed, network);
    EXPECT_NE(fixed, removable);
}

// The theme is borrowed only while the icons are read: the program keeps its own.
TEST(SysImageList, LoadingLeavesTheProgramsIconThemeAsItWas) {
    QIcon::setThemeName("hicolor");
    const QStringList paths = QIcon::themeSearchPaths();
    CSysImageList fresh;
    EXPECT_EQ(fresh.Count(), SHELL_ICON_COUNT);
    EXPECT_EQ(QIcon::themeName(), "hicolor");
    EXPECT_EQ(QIcon::themeSearchPaths(), paths);
}

TEST(SysImageList, WithoutIconsTheListIsEmptyAndDrawsNothing) {
    CSysImageList none{std::vector<QImage>{}};
    EXPECT_TRUE(none.IsEmpty());
    EXPECT_EQ(none.IconWidth(), 0);
    EXPECT_EQ(none.IconHeight(), 0);
    EXPECT_TRUE(none.ImageRect(0).isEmpty());
    QImage canvas = Transparent(20, 20);
    QPainter p(&canvas);
    EXPECT_FALSE(none.Draw(p, 0, QPoint(0, 0)));
    p.end();
    EXPECT_FALSE(AnyPixel(canvas, canvas.rect(), Opaque));

    // A list with a hole is no list: it would claim a size and draw nothing.
    std::vector<QImage> holed = SolidIcons(Qt::red);
    holed[3] = QImage();
    EXPECT_TRUE(CSysImageList(holed).IsEmpty());
}

TEST(SysImageList, SizeIsImageZerosAndEachImageKeepsItsOwnRect) {
    CSysImageList list(SolidIcons(Qt::red, 10, 12, 20, 18));
    EXPECT_EQ(list.IconWidth(), 20);
    EXPECT_EQ(list.IconHeight(), 18);
    EXPECT_EQ(list.ImageRect(0), QRect(0, 0, 20, 18));
    EXPECT_EQ(list.ImageRect(SHELL_ICON_OPTICAL), QRect(0, 0, 10, 12));
}

}  // namespace
