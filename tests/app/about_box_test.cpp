// The about box reads its four lines from "Copyright.ini" at every opening.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <algorithm>

#include "app/settings_tool_app.h"
#include "dialogs/about_dlg.h"
#include "resources/deliverable.h"
#include "tests/app/installation.h"
#include "tests/support/qt_print.h"

namespace {

QStringList Lines(const CAboutDlg& box, const Deliverable& d) {
    QStringList lines;
    for (int id : {d.aboutIds.name, d.aboutIds.version, d.aboutIds.copyright1, d.aboutIds.copyright2})
        lines << qobject_cast<QLabel*>(box.GetDlgItem(id))->text();
    return lines;
}

class AboutBoxTest : public ::testing::TestWithParam<const Deliverable*> {
protected:
    void SetUp() override { PrepareApplication(*GetParam()); }
    std::string CopyrightFile() const { return install.sysdata + "/Copyright.ini"; }
    Installation install;
};

TEST_P(AboutBoxTest, FullPartialAndMissingFile) {
    const Deliverable& d = *GetParam();
    // No file: four empty lines replace the template's defaults.
    {
        CAboutDlg box(d);
        EXPECT_EQ(Lines(box, d), QStringList({"", "", "", ""}));
        EXPECT_EQ(box.windowTitle(), QString::fromUtf8(d.aboutDialog.caption));
    }
    std::string section = d.copyrightSection;
    Installation::WriteIni(CopyrightFile(), "[" + section + "]\nNAME=設定保守ツール\nVERSION=Version 2.01.00\n");
    {
        CAboutDlg box(d);
        EXPECT_EQ(Lines(box, d), QStringList({"設定保守ツール", "Version 2.01.00", "", ""}));
    }
    // Edited while the program runs: the next opening shows the change.
    Installation::WriteIni(
        CopyrightFile(),
        "[" + section + "]\nNAME=名前\nVERSION=Version 3\nCOPYRIGHT1=Copyright (C) ｶﾌﾞｼｷｶﾞｲｼｬ\nCOPYRIGHT2=二行目\n");
    CAboutDlg box(d);
    EXPECT_EQ(Lines(box, d), QStringList({"名前", "Version 3", "Copyright (C) ｶﾌﾞｼｷｶﾞｲｼｬ", "二行目"}));
}

TEST_P(AboutBoxTest, ReadsOnlyItsOwnSectionAndCutsAt255Bytes) {
    const Deliverable& d = *GetParam();
    std::string other = std::string(d.copyrightSection) == "QUILLMARK" ? "BRIGHTFEN" : "QUILLMARK";
    std::string longValue(300, 'x');
    Installation::WriteIni(CopyrightFile(), "[" + other + "]\nNAME=other\n[" + std::string(d.copyrightSection) +
                                                "]\nVERSION=" + longValue + "\n");
    CAboutDlg box(d);
    QStringList lines = Lines(box, d);
    EXPECT_EQ(lines[0], QString());
    EXPECT_EQ(lines[1], QString(255, QLatin1Char('x')));
}

INSTANTIATE_TEST_SUITE_P(BothDeliverables, AboutBoxTest,
                         ::testing::Values(&QuillmarkDeliverable(), &BrightfenDeliverable()),
                         [](const auto& p) { return std::string(p.param->programName); });

}  // namespace

namespace {

class AboutBoxTextTest : public ::testing::TestWithParam<const Deliverable*> {};

TEST_P(AboutBoxTextTest, CopyrightLinesTakeAmpersandsAsPrefixesNameAndVersionShowThem) {
    Installation install;
    const Deliverable& d = *GetParam();
    PrepareApplication(d);
    // Windows: the two copyright statics have no SS_NOPREFIX, so "&&" shows '&' and a
    // single '&' is not shown; the name and version lines show every '&'.
    Installation::WriteIni(install.sysdata + "/Copyright.ini",
                           "[" + std::string(d.copyrightSection) +
                               "]\nNAME=A&B\nVERSION=1 && 2\nCOPYRIGHT1=(C) A && B\nCOPYRIGHT2=&Tools\n");
    CAboutDlg box(d);
    EXPECT_EQ(Lines(box, d), QStringList({"A&B", "1 && 2", "(C) A & B", "Tools"}));
}

TEST_P(AboutBoxTextTest, ALineWiderThanItsControlWrapsAndKeepsItsStart) {
    Installation install;
    const Deliverable& d = *GetParam();
    PrepareApplication(d);
    std::string words;
    for (int i = 0; i < 30; ++i) words += "Reserved ";
    Installation::WriteIni(install.sysdata + "/Copyright.ini",
                           "[" + std::string(d.copyrightSection) + "]\nCOPYRIGHT2=" + words + "\n");
    CAboutDlg box(d);
    auto* line = qobject_cast<QLabel*>(box.GetDlgItem(d.aboutIds.copyright2));
    ASSERT_NE(line, nullptr);
    // A Windows static wraps a long line: its first line shows whole, centred, with
    // room at both ends, instead of running off both edges of the control.
    QImage image = line->grab().toImage();
    const QRgb background = image.pixel(0, image.height() - 1);
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GE(right, 0) << "nothing drawn";
    EXPECT_GT(left, 0);
    EXPECT_LT(right, image.width() - 1);
}

INSTANTIATE_TEST_SUITE_P(BothDeliverables, AboutBoxTextTest,
                         ::testing::Values(&QuillmarkDeliverable(), &BrightfenDeliverable()),
                         [](const auto& p) { return std::string(p.param->programName); });

}  // namespace
