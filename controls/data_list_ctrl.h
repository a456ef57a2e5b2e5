// The settings list of both panes: columns "No" and "データ名", rows in catalogue
// order, selection as the mark for a transfer. Never sorted, never edited.
#pragma once

#include <QElapsedTimer>
#include <QTreeView>
#include <optional>
#include <string>

#include "catalogue/data_set_listing.h"
#include "controls/data_list_model.h"

class CDataListCtrl : public QTreeView {
    Q_OBJECT
public:
    explicit CDataListCtrl(QWidget* parent = nullptr);
    ~CDataListCtrl() override;

    // Index file name of the maintenance folders ("JKNDT.INI", "S_JKNDT.INI"),
    // used by a folder's list.
    void SetIndexFileName(const char* indexFileName);

    // Column set-up from the current size; the dialog calls it once the geometry is
    // set. "No" gets (W - V) / 7, "データ名" the rest less V, where W is the client
    // width and V the width of a vertical scroll bar.
    void SetupColumns();

    // Every data set of the catalogue, or only those whose flag in the index file of
    // `folderPath` is not 0. Rows are numbered by catalogue ordinal.
    void LoadItems(ListMode mode, const char* catalogPath, const char* folderPath);

    int GetItemCount() const;
    std::optional<DataListItem> GetItem(int row) const;
    bool IsRowSelected(int row) const;
    // The first selected row after `after` (-1 starts at the top); -1 when none.
    int GetNextSelected(int after) const;
    void SetRowSelected(int row, bool selected);

    // Type-ahead: digits typed in a row go to the row of that No, other text to
    // the next row whose name begins with it; the row found is selected alone and
    // current, as a plain arrow key leaves it. Keys more than the keyboard input
    // interval apart start a new search.
    void keyboardSearch(const QString& search) override;
    // The row that `typed` leads to from the current row `current`; -1 for none.
    int FindTypedRow(const QString& typed, int current) const;

signals:
    // The set of selected rows changed. Deliberately named after the item view's
    // protected slot, which it hides without replacing (the base slot keeps working).
    void selectionChanged();

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    DataListModel* m_model;
    std::string m_indexFileName;
    QString m_typed;  // the keys of the search under way
    QElapsedTimer m_typedClock;
};

// Selects (or clears) every row of the list; afterwards the last row is current
// and scrolled into view, as after visiting each row in turn.
void SelectAllRows(CDataListCtrl& list, bool select);
