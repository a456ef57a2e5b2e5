// The rows of a settings list, answered from the listing they were read into: the
// model keeps no record per row, and makes a row's texts only when asked for them.
#pragma once

#include <QAbstractTableModel>
#include <optional>
#include <string>

#include "catalogue/data_set_listing.h"

// One row's texts: the data set's 1-based catalogue ordinal and its name, CP932.
struct DataListItem {
    std::string no;
    std::string name;  // at most kMaxDataSetNameBytes
};

class DataListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColumnNo = 0, ColumnName = 1, ColumnCount = 2 };

    explicit DataListModel(QObject* parent = nullptr);

    // Replaces every row (the old listing is released).
    void SetRows(DataSetListing rows);
    // The row's texts; nothing for a row out of range.
    std::optional<DataListItem> Row(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    DataSetListing m_rows;
};
