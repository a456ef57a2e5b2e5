#include "controls/data_list_ctrl.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QInputEvent>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPalette>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

#include "catalogue/folder_index_file.h"

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
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
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

void CDataListCtrl::LoadItems(ListMode mode, const char* catalogPath, const char* folderPath) {
    bool hadSelection = selectionModel()->hasSelection();
    setUpdatesEnabled(false);

    // A folder's list needs the folder and the index file name; without them nothing is held.
    std::string indexPath;
    if (mode == ListMode::HeldByFolder && folderPath && !m_indexFileName.empty())
        indexPath = FolderIndexFile::PathFor(folderPath, m_indexFileName.c_str());
    m_model->SetRows(DataSetListing::Read(mode, catalogPath ? catalogPath : "", indexPath));
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
        if ((mods & Qt::ShiftModifier) && !(mods & Qt::ControlModifier) && (flags & QItemSelectionModel::Current) &&
            (flags & QItemSelectionModel::Select))
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

namespace {
// Names compare as the user reads them: ｶﾞ and ガ, Ａ and a alike.
QString Folded(const QString& text) { return text.normalized(QString::NormalizationForm_KC).toCaseFolded(); }

bool AllDigits(const QString& text) {
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}
}  // namespace

void CDataListCtrl::keyboardSearch(const QString& search) {
    if (search.isEmpty()) return;
    if (!m_typedClock.isValid() || m_typedClock.elapsed() > QApplication::keyboardInputInterval()) m_typed.clear();
    m_typedClock.start();
    m_typed += search;
    const int row = FindTypedRow(m_typed, currentIndex().row());
    if (row < 0) return;
    const QModelIndex index = m_model->index(row, DataListModel::ColumnNo);
    // Without an input event the view's rule is the plain one: this row alone,
    // and the anchor of a following Shift+arrow.
    setCurrentIndex(index);
    scrollTo(index);
}

int CDataListCtrl::FindTypedRow(const QString& typed, int current) const {
    const int n = GetItemCount();
    if (typed.isEmpty() || n == 0) return -1;
    if (AllDigits(typed)) {
        // The row of that No, else the first No that begins with the digits.
        int prefixed = -1;
        for (int r = 0; r < n; ++r) {
            const QString no = m_model->data(m_model->index(r, DataListModel::ColumnNo)).toString();
            if (no == typed) return r;
            if (prefixed < 0 && no.startsWith(typed)) prefixed = r;
        }
        return prefixed;
    }
    // One key pressed again and again steps through the names that begin with it;
    // more keys refine the name from the current row on.
    const bool repeated = std::all_of(typed.begin(), typed.end(), [&](QChar c) { return c == typed.front(); });
    const QString needle = Folded(repeated ? typed.left(1) : typed);
    const int start = current < 0 ? 0 : (repeated ? current + 1 : current);
    for (int i = 0; i < n; ++i) {
        const int r = (start + i) % n;
        if (Folded(m_model->data(m_model->index(r, DataListModel::ColumnName)).toString()).startsWith(needle)) return r;
    }
    return -1;
}

int CDataListCtrl::GetItemCount() const { return m_model->rowCount(); }

std::optional<DataListItem> CDataListCtrl::GetItem(int row) const { return m_model->Row(row); }

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
    selectionModel()->select(
        m_model->index(row, 0),
        (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) | QItemSelectionModel::Rows);
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
