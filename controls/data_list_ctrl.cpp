#include "controls/data_list_ctrl.h"

#include <QEvent>
#include <QHeaderView>
#include <QInputEvent>
#include <QMouseEvent>
#include <QItemSelectionModel>
#include <QPalette>
#include <QScrollBar>
#include <QStyle>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/folder_index_file.h"
#include "catalogue/system_catalogue.h"
#include "platform/cp932.h"
#include "platform/profile_snapshot.h"
#include "platform/win32.h"

namespace {

// A record holds 128 bytes of name. The read takes one byte more than that, so the
// cut is always ours and falls on a character boundary, whatever the reader does with
// a double-byte character at the end of its buffer.
constexpr size_t kMaxNameBytes = sizeof(DataListItem::name) - 1;
constexpr DWORD kNameBufferSize = kMaxNameBytes + 2;

const std::string& NameSection() {
    static const std::string s = platform::Utf8ToCp932("データ名称");
    return s;
}

}  // namespace

CDataListCtrl::CDataListCtrl(QWidget* parent) : QTreeView(parent), m_model(new DataListModel(this)) {
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setSortingEnabled(false);

    // Headings are labels, not buttons: clicking one neither sorts nor selects.
    QHeaderView* head = header();
    head->setSectionsClickable(false);
    head->setSortIndicatorShown(false);
    head->setSectionsMovable(false);
    head->setStretchLastSection(false);
    head->setMinimumSectionSize(0);

    // The marks are the user's choice for the next transfer: they keep their full
    // colour while another control (or window) has the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { emit selectionChanged(); });
}

CDataListCtrl::~CDataListCtrl() = default;

void CDataListCtrl::SetIndexFileName(const char* indexFileName) {
    m_indexFileName = indexFileName ? indexFileName : "";
}

void CDataListCtrl::SetupColumns() {
    // The client width: inside the frame, less a vertical scroll bar that is shown.
    // Taken from the frame rather than the viewport, which a hidden widget has not
    // laid out yet.
    int w = contentsRect().width();
    if (verticalScrollBar()->isVisibleTo(this)) w -= verticalScrollBar()->width();
    int v = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);

    int noWidth = (w - v) / 7;  // C++ division truncates towards zero, as required
    int nameWidth = w - noWidth - v;
    header()->resizeSection(DataListModel::ColumnNo, noWidth < 0 ? 0 : noWidth);
    header()->resizeSection(DataListModel::ColumnName, nameWidth < 0 ? 0 : nameWidth);
}

void CDataListCtrl::LoadItems(int mode, const char* catalogPath, const char* folderPath) {
    bool hadSelection = selectionModel()->hasSelection();
    setUpdatesEnabled(false);

    std::vector<DataListItem> rows;
    // The catalogue as it is now for the count and every name: one freshness check
    // for the whole list. The index file below is still read afresh for each row.
    platform::ProfileSnapshot catalogue(catalogPath ? catalogPath : "");  // "" reads nothing
    // The same clamped count as the catalogue table, so row k of the system list is
    // always entry k of the table and never beyond it.
    int32_t n = catalogPath && *catalogPath ? SystemCatalogue::ReadCount(catalogue) : 0;

    // Mode 1 needs a folder and the index file name; without them nothing is present.
    bool byFolder = (mode == 1);
    std::string indexPath;
    if (byFolder && folderPath && !m_indexFileName.empty())
        indexPath = FolderIndexFile::PathFor(folderPath, m_indexFileName.c_str());
    if (byFolder && indexPath.empty()) n = 0;
    if (!byFolder && n > 0) {
        try {
            rows.reserve(static_cast<size_t>(n));  // every data set gets a row
        } catch (const std::bad_alloc&) {
            // Rows are then added one by one; those that cannot be held are left out.
        }
    }

    for (int32_t i = 0; i < n; ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "%d", static_cast<int>(i));

        // Read afresh for each data set: the file is the truth, not a cache.
        if (byFolder && !FolderIndexFile::IsPresent(indexPath, i)) continue;

        DataListItem item{};
        std::snprintf(item.no, sizeof item.no, "%d", static_cast<int>(i) + 1);
        char buf[kNameBufferSize] = {};
        catalogue.GetString(NameSection().c_str(), key, "", buf, kNameBufferSize);
        buf[kNameBufferSize - 1] = '\0';
        size_t keep = platform::Cp932SafeCut(std::string_view(buf, std::strlen(buf)), kMaxNameBytes);
        std::memcpy(item.name, buf, keep);
        item.name[keep] = '\0';

        try {
            rows.push_back(item);
        } catch (const std::bad_alloc&) {
            // A row that cannot be held is left out; the others are still listed.
        }
    }

    m_model->SetRows(std::move(rows));
    setUpdatesEnabled(true);
    // A reset drops the selection without the selection model saying so.
    if (hadSelection) emit selectionChanged();
}

QItemSelectionModel::SelectionFlags CDataListCtrl::selectionCommand(const QModelIndex& index,
                                                                    const QEvent* event) const {
    QItemSelectionModel::SelectionFlags flags = QTreeView::selectionCommand(index, event);
    // A Windows list view's Shift+click and Shift+arrow select the range from the
    // anchor and drop every other row; only Ctrl+Shift adds the range to them.
    if (event && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)) {
        Qt::KeyboardModifiers mods = static_cast<const QInputEvent*>(event)->modifiers();
        if ((mods & Qt::ShiftModifier) && !(mods & Qt::ControlModifier) &&
            (flags & QItemSelectionModel::Current) && (flags & QItemSelectionModel::Select))
            flags |= QItemSelectionModel::Clear;
    }
    return flags;
}

void CDataListCtrl::mousePressEvent(QMouseEvent* event) {
    // Ctrl+Shift+click adds the range from the anchor to the rows already selected.
    // The view would replace the range of an earlier Shift+click instead; an empty
    // plain selection commits that range first.
    Qt::KeyboardModifiers both = Qt::ShiftModifier | Qt::ControlModifier;
    if ((event->modifiers() & both) == both) selectionModel()->select(QItemSelection(), QItemSelectionModel::Select);
    QTreeView::mousePressEvent(event);
}

int CDataListCtrl::GetItemCount() const { return m_model->rowCount(); }

const DataListItem* CDataListCtrl::GetItem(int row) const { return m_model->Row(row); }

bool CDataListCtrl::IsRowSelected(int row) const {
    if (row < 0 || row >= GetItemCount()) return false;
    return selectionModel()->isRowSelected(row, QModelIndex());
}

int CDataListCtrl::GetNextSelected(int after) const {
    // Walks the selection's ranges rather than every row: callers step through
    // thousands of rows one selected row at a time.
    int best = -1;
    const QItemSelection sel = selectionModel()->selection();
    for (const QItemSelectionRange& r : sel) {
        if (!r.isValid() || r.bottom() <= after) continue;
        int candidate = r.top() > after ? r.top() : after + 1;
        if (best < 0 || candidate < best) best = candidate;
    }
    return best;
}

void CDataListCtrl::SetRowSelected(int row, bool selected) {
    if (row < 0 || row >= GetItemCount()) return;
    selectionModel()->select(m_model->index(row, 0), (selected ? QItemSelectionModel::Select
                                                               : QItemSelectionModel::Deselect) |
                                                         QItemSelectionModel::Rows);
}

void SelectAllRows(CDataListCtrl& list, bool select) {
    int n = list.GetItemCount();
    if (n <= 0) return;
    QAbstractItemModel* model = list.model();
    QItemSelectionModel* sm = list.selectionModel();
    QModelIndex first = model->index(0, 0);
    QModelIndex last = model->index(n - 1, 0);
    // One change for all rows: the same end state as visiting each row in turn,
    // without n separate selection ranges.
    sm->select(QItemSelection(first, last),
               (select ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) | QItemSelectionModel::Rows);
    sm->setCurrentIndex(last, QItemSelectionModel::NoUpdate);
    list.scrollTo(last);
}
