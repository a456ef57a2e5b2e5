// The restore points of earlier registers, newest first, to choose one to undo:
// a small dialog, used from the keyboard (arrows, Enter, Esc) as with the mouse.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "transfer/restore_point.h"

class QPushButton;
class QTreeWidget;

class CRestorePointDlg : public QDialog {
    Q_OBJECT
public:
    CRestorePointDlg(std::vector<RestorePoint> points, QWidget* parent);

    // The point chosen with "元に戻す"; valid after exec() answered Accepted.
    const RestorePoint& Chosen() const { return m_points[static_cast<size_t>(m_chosen)]; }
    QTreeWidget* List() const { return m_list; }
    QPushButton* UndoButton() const { return m_undo; }

public slots:
    void accept() override;

private:
    void OnSelectionChanged();
    int CurrentIndex() const;

    std::vector<RestorePoint> m_points;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_undo = nullptr;
    int m_chosen = -1;
};
