#include "controls/data_list_model.h"

#include <utility>

#include "controls/qt_cp932.h"
#include "resources/ui_texts.h"

DataListModel::DataListModel(QObject* parent) : QAbstractTableModel(parent) {}

void DataListModel::SetRows(DataSetListing rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

std::optional<DataListItem> DataListModel::Row(int row) const {
    const int32_t ordinal = m_rows.Ordinal(row);
    if (ordinal < 0) return std::nullopt;
    return DataListItem{std::to_string(static_cast<int64_t>(ordinal) + 1), m_rows.Name(row)};
}

int DataListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows.Count(); }

int DataListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant DataListModel::data(const QModelIndex& index, int role) const {
    const int32_t ordinal = index.isValid() ? m_rows.Ordinal(index.row()) : -1;
    if (ordinal < 0) return {};
    if (role == Qt::DisplayRole) {
        // Texts are made on demand for the rows the view shows, never stored.
        if (index.column() == ColumnNo) return QString::number(static_cast<int64_t>(ordinal) + 1);
        if (index.column() == ColumnName) return FromCp932(m_rows.Name(index.row()));
        return {};
    }
    // Left-aligned, the first column as well, as a Windows list view draws it.
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

QVariant DataListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) {
        if (section == ColumnNo) return ui_texts::ListColumnNo();
        if (section == ColumnName) return ui_texts::ListColumnName();
        return {};
    }
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags DataListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;  // never editable, never dragged
}
