#include "controls/data_list_model.h"

#include <cstring>
#include <string_view>
#include <utility>

#include "controls/qt_cp932.h"
#include "resources/ui_texts.h"

namespace {
// A record's fixed buffer, up to its NUL.
QString RecordText(const char* text, size_t size) { return FromCp932(std::string_view(text, strnlen(text, size))); }
}  // namespace

DataListModel::DataListModel(QObject* parent) : QAbstractTableModel(parent) {}

void DataListModel::SetRows(std::vector<DataListItem> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

const DataListItem* DataListModel::Row(int row) const {
    if (row < 0 || static_cast<size_t>(row) >= m_rows.size()) return nullptr;
    return &m_rows[static_cast<size_t>(row)];
}

int DataListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DataListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant DataListModel::data(const QModelIndex& index, int role) const {
    const DataListItem* item = index.isValid() ? Row(index.row()) : nullptr;
    if (!item) return {};
    if (role == Qt::DisplayRole) {
        // Texts are handed out on demand from the records, never stored in the view.
        if (index.column() == ColumnNo) return RecordText(item->no, sizeof item->no);
        if (index.column() == ColumnName) return RecordText(item->name, sizeof item->name);
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
