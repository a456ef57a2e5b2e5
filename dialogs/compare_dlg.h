// What a register (or a save) of the chosen data sets would change: per data set
// the files it would add, replace (content different or the same), leave or fail
// on, and per file, on expanding its set, what differs. The comparison runs on a
// thread of its own; the window shows at once and fills in when it ends.
#pragma once

#include <QAbstractItemModel>
#include <QDialog>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "transfer/compare.h"

class QLabel;
class QThread;
class QTreeView;

// Rows of plain values built from a comparison: data sets at the top, their files below.
class CompareModel : public QAbstractItemModel {
public:
    enum Column { kItem, kAdd, kReplaceDiffers, kReplaceSame, kLeave, kFails, kDetail, kColumns };

    struct FileRow {
        QString name, detail, tip;
        int column = kLeave;  // the change's column
    };
    struct SetRow {
        QString name;
        ChangeCounts counts;
        std::vector<FileRow> files;
    };

    void SetRows(std::vector<SetRow> rows);
    const std::vector<SetRow>& Rows() const { return m_rows; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<SetRow> m_rows;
};

// The rows the window shows for `result` in `direction`; names from the catalogue.
std::vector<CompareModel::SetRow> CompareRows(const CompareResult& result, Direction direction,
                                              const TransferContext& context);

class CCompareDlg : public QDialog {
    Q_OBJECT
public:
    // `context` (and what it points at) must outlive the window.
    CCompareDlg(const TransferContext& context, std::string folderName, std::vector<char> sets, Direction direction,
                QWidget* parent = nullptr);
    ~CCompareDlg() override;

    bool IsCompared() const { return m_compared; }
    const CompareModel& Model() const { return m_model; }

signals:
    void Compared();

private:
    void OnCompared();
    void FitColumns();

    TransferContext m_context;
    std::string m_folderName;
    std::vector<char> m_sets;
    Direction m_direction;
    CompareResult m_result;  // written by the thread, read once it has ended
    std::atomic<bool> m_cancel{false};
    bool m_compared = false;
    CompareModel m_model;
    QLabel* m_folder = nullptr;
    QLabel* m_summary = nullptr;
    QTreeView* m_view = nullptr;
    QThread* m_thread = nullptr;
};
