// The rows of a settings list: one record per data set shown, owned by the model.
#pragma once

#include <QAbstractTableModel>
#include <vector>

// One row: the data set's 1-based catalogue ordinal and its name, CP932.
struct DataListItem {
    char no[20];
    char name[129];  // at most 128 bytes of text
};

class DataListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColumnNo = 0, ColumnName = 1, ColumnCount = 2 };

    explicit DataListModel(QObject* parent = nullptr);

    // Replaces every row (the old records are released).
    void SetRows(std::vector<DataListItem> rows);
    const DataListItem* Row(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<DataListItem> m_rows;
};
