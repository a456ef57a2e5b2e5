// The settings list: rows from the catalogue and the index file, columns, selection.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include "controls/data_list_ctrl.h"
#include "tests/support/qt_print.h"
#include "tests/support/temp_prefix.h"

namespace {

class DataListTest : public ::testing::Test {
protected:
    DataListTest() {
        MakeHostDirs(prefix.DriveC() + "/f");
        list.SetIndexFileName("JKNDT.INI");
    }
    void WriteCatalogue(const std::string& utf8) { WriteHostFile(prefix.DriveC() + "/JDTKANRI.JYO", W(utf8)); }
    void WriteIndex(const std::string& utf8) { WriteHostFile(prefix.DriveC() + "/f/JKNDT.INI", W(utf8)); }
    QString Text(int row, int column) const { return list.model()->index(row, column).data().toString(); }
    QStringList Numbers() const {
        QStringList out;
        for (int r = 0; r < list.GetItemCount(); ++r) out << Text(r, 0);
        return out;
    }

    TempPrefix prefix;
    const char* catalog = "C:\\JDTKANRI.JYO";
    CDataListCtrl list;
};

const char* kFourSets = "[データ数]\r\nMAX=4\r\n[データ名称]\r\n0=座標\r\n1=図面\r\n2=ﾃﾞｰﾀｿ\r\n3=表\r\n";

TEST_F(DataListTest, SystemListShowsEveryDataSetInCatalogueOrder) {
    WriteCatalogue(kFourSets);
    list.LoadItems(ListMode::Catalogue, catalog, nullptr);
    ASSERT_EQ(list.GetItemCount(), 4);
    EXPECT_EQ(Numbers(), QStringList({"1", "2", "3", "4"}));
    EXPECT_EQ(Text(0, 1), QString::fromUtf8("座標"));
    EXPECT_EQ(Text(2, 1), QString::fromUtf8("ﾃﾞｰﾀｿ"));  // half-width katakana, ソ's 0x5C kept
    EXPECT_EQ(list.model()->headerData(0, Qt::Horizontal).toString(), "No");
    EXPECT_EQ(list.model()->headerData(1, Qt::Horizontal).toString(), QString::fromUtf8("データ名"));
    EXPECT_FALSE(list.model()->flags(list.model()->index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_EQ(list.model()->index(0, 0).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignLeft | Qt::AlignVCenter));

    // No path, an empty path, a missing file or an unusable count: an empty list.
    for (const char* path : {static_cast<const char*>(nullptr), "", "C:\\NONE.JYO"}) {
        list.LoadItems(ListMode::Catalogue, path, nullptr);
        EXPECT_EQ(list.GetItemCount(), 0);
    }
    // A count too large for the catalogue table lists nothing, so rows never outrun it.
    WriteCatalogue("[データ数]\r\nMAX=2000000000\r\n[データ名称]\r\n0=a\r\n");
    list.LoadItems(ListMode::Catalogue, catalog, nullptr);
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST_F(DataListTest, ExternalListShowsPresentDataSetsWithTheirOrdinals) {
    WriteCatalogue(kFourSets);
    WriteIndex("[データ存在フラグ]\r\n0=1\r\n1=-1\r\n2=2\r\n3=1\r\n4=1\r\n");
    list.LoadItems(ListMode::HeldByFolder, catalog, "C:\\f");
    EXPECT_EQ(Numbers(), QStringList({"1", "3", "4"}));  // gaps where data sets are absent
    EXPECT_EQ(Text(2, 1), QString::fromUtf8("表"));

    list.LoadItems(ListMode::HeldByFolder, catalog, "C:\\elsewhere");  // no index file there
    EXPECT_EQ(list.GetItemCount(), 0);
    CDataListCtrl unnamed;  // without an index file name nothing can be present
    unnamed.LoadItems(ListMode::HeldByFolder, catalog, "C:\\f");
    EXPECT_EQ(unnamed.GetItemCount(), 0);
}

TEST_F(DataListTest, LongNamesAreCutTo128BytesOnCharacterBoundaries) {
    WriteCatalogue("[データ数]\r\nMAX=3\r\n[データ名称]\r\n0=" + std::string(200, 'n') +
                   "\r\n1=" + std::string(127, 'm') + "表\r\n2=" + std::string(126, 'k') + "表\r\n");
    list.LoadItems(ListMode::Catalogue, catalog, nullptr);
    ASSERT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.GetItem(0)->name, std::string(128, 'n'));
    EXPECT_EQ(list.GetItem(1)->name, std::string(127, 'm'));  // 表 would straddle the cut
    EXPECT_EQ(Text(2, 1), QString(126, 'k') + QString::fromUtf8("表"));
}

TEST_F(DataListTest, ColumnsFollowTheClientWidth) {
    // Set up while hidden, as the dialog does before its window is shown.
    list.resize(268, 300);
    list.SetupColumns();
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    int w = list.viewport()->width();  // the client width, no scroll bar without rows
    int v = list.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    EXPECT_EQ(list.header()->sectionSize(0), (w - v) / 7);
    EXPECT_EQ(list.header()->sectionSize(1), w - (w - v) / 7 - v);
}

TEST_F(DataListTest, MouseAndKeyboardWorkAsAMultiSelectListView) {
    WriteCatalogue(kFourSets);
    list.resize(300, 300);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.LoadItems(ListMode::Catalogue, catalog, nullptr);
    QSignalSpy changed(&list, &CDataListCtrl::selectionChanged);
    auto rowPoint = [&](int r) { return list.visualRect(list.model()->index(r, 1)).center(); };

    // Headings are not buttons: clicks neither sort nor select.
    for (int section : {0, 1, 1}) {
        QPoint at(list.header()->sectionViewportPosition(section) + 10, list.header()->height() / 2);
        QTest::mouseClick(list.header()->viewport(), Qt::LeftButton, {}, at);
    }
    EXPECT_EQ(Numbers(), QStringList({"1", "2", "3", "4"}));
    EXPECT_FALSE(list.selectionModel()->hasSelection());

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rowPoint(0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, rowPoint(2));
    EXPECT_EQ(list.GetNextSelected(-1), 0);
    EXPECT_EQ(list.GetNextSelected(0), 2);
    EXPECT_EQ(list.GetNextSelected(2), -1);
    // Shift+click selects from the anchor (the last clicked row) and drops the rest.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ShiftModifier, rowPoint(3));
    EXPECT_FALSE(list.IsRowSelected(0));
    EXPECT_TRUE(list.IsRowSelected(2) && list.IsRowSelected(3));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier, rowPoint(0));
    EXPECT_EQ(list.GetNextSelected(-1), 0);  // Ctrl+Shift adds the range 2..0
    EXPECT_TRUE(list.IsRowSelected(1));
    EXPECT_EQ(list.GetNextSelected(2), 3);
    EXPECT_GE(changed.count(), 4);

    // Keyboard: an arrow selects one row, Shift+arrow the range from the anchor alone.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, rowPoint(3));  // deselects 3
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, rowPoint(1));  // anchor 1
    QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(list.GetNextSelected(-1), 1);
    EXPECT_EQ(list.GetNextSelected(1), 2);
    EXPECT_EQ(list.GetNextSelected(2), -1);
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.GetNextSelected(-1), 3);
    EXPECT_EQ(list.GetNextSelected(3), -1);

    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, rowPoint(1));
    EXPECT_EQ(list.findChild<QLineEdit*>(), nullptr);  // no editor opened

    // A reload drops the selection and says so.
    changed.clear();
    list.LoadItems(ListMode::Catalogue, catalog, nullptr);
    EXPECT_EQ(list.GetNextSelected(-1), -1);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(DataListTest, TypingGoesToANoOrToTheNextNameThatBeginsWithIt) {
    WriteCatalogue(
        "[データ数]\r\nMAX=12\r\n[データ名称]\r\n0=alpha\r\n1=beta\r\n2=Bravo\r\n3=ｶﾞｲﾄﾞ\r\n4=表\r\n5=b5\r\n"
        "6=g\r\n7=h\r\n8=i\r\n9=j\r\n10=k\r\n11=l\r\n");
    list.LoadItems(ListMode::Catalogue, catalog, nullptr);
    const struct {
        const char* typed;
        int current, row;
    } cases[] = {
        {"3", -1, 2}, {"12", 0, 11}, {"1", 5, 0},    {"13", 0, -1}, {"99", 3, -1},
        {"b", 0, 1},  {"b", 1, 2},   {"bbb", 2, 5},  {"b", 5, 1},  // a key again: the next one
        {"br", 1, 2}, {"be", 1, 1},  {"ガイ", 0, 3}, {"z", 0, -1},  {"表", 6, 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(list.FindTypedRow(QString::fromUtf8(c.typed), c.current), c.row) << c.typed << " from " << c.current;

    // Keys typed in a row: one search, its row selected alone and current, the
    // anchor of a Shift+arrow after it.
    list.resize(300, 300);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.SetRowSelected(0, true);
    list.SetRowSelected(5, true);
    QTest::keyClicks(&list, "11");
    EXPECT_EQ(list.currentIndex().row(), 10);
    EXPECT_EQ(list.GetNextSelected(-1), 10);
    EXPECT_EQ(list.GetNextSelected(10), -1);
    QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(list.GetNextSelected(-1), 10);
    EXPECT_EQ(list.GetNextSelected(10), 11);
}

TEST_F(DataListTest, SelectAllRowsSelectsAndClearsEveryRow) {
    std::string text = "[データ数]\r\nMAX=300\r\n";
    WriteCatalogue(text);
    list.resize(300, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.LoadItems(ListMode::Catalogue, catalog, nullptr);
    list.SetRowSelected(5, true);  // rows chosen by hand do not matter

    SelectAllRows(list, true);
    int count = 0;
    for (int r = list.GetNextSelected(-1); r >= 0; r = list.GetNextSelected(r)) ++count;
    EXPECT_EQ(count, 300);
    QModelIndex last = list.model()->index(299, 0);
    EXPECT_EQ(list.currentIndex().row(), 299);
    EXPECT_TRUE(list.viewport()->rect().intersects(list.visualRect(last)));  // last row in view

    list.scrollToTop();
    SelectAllRows(list, false);
    EXPECT_EQ(list.GetNextSelected(-1), -1);
    EXPECT_EQ(list.currentIndex().row(), 299);
    EXPECT_TRUE(list.viewport()->rect().intersects(list.visualRect(last)));
}

TEST_F(DataListTest, SelectionStaysVisibleWhenFocusMovesAway) {
    WriteCatalogue(kFourSets);
    // A style whose inactive highlight differs, as on Windows (grey when unfocused).
    struct RestorePalette {
        QPalette saved = QApplication::palette();
        ~RestorePalette() { QApplication::setPalette(saved); }
    } restore;
    QPalette pal = restore.saved;
    pal.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 0, 200));
    pal.setColor(QPalette::Inactive, QPalette::Highlight, QColor(200, 200, 200));
    QApplication::setPalette(pal);

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* owned = new CDataListCtrl;
    auto* edit = new QLineEdit;
    layout->addWidget(owned);
    layout->addWidget(edit);
    window.resize(300, 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    owned->LoadItems(ListMode::Catalogue, catalog, nullptr);
    owned->setFocus();
    owned->SetRowSelected(1, true);
    edit->setFocus();
    QWidget other;  // another window takes the activation as well
    other.show();
    QApplication::setActiveWindow(&other);
    QApplication::processEvents();
    EXPECT_FALSE(window.isActiveWindow());
    EXPECT_TRUE(owned->IsRowSelected(1));

    QImage image = owned->viewport()->grab().toImage();
    QRect row = owned->visualRect(owned->model()->index(1, 1));
    EXPECT_EQ(QColor(image.pixel(row.right() - 4, row.center().y())), QColor(0, 0, 200));
}

}  // namespace
