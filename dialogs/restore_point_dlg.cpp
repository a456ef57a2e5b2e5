#include "dialogs/restore_point_dlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "controls/qt_cp932.h"
#include "resources/ui_texts.h"
#include "transfer/safety_texts.h"
#include "transfer/transfer_texts.h"

namespace {
enum Column { kTime, kFolder, kFiles, kSize, kState, kColumns };
}  // namespace

CRestorePointDlg::CRestorePointDlg(std::vector<RestorePoint> points, QWidget* parent)
    : QDialog(parent), m_points(std::move(points)) {
    setWindowTitle(ui_texts::RestorePointsTitle());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(ui_texts::RestorePointsLabel(), this);
    layout->addWidget(label);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("restorePoints"));
    m_list->setRootIsDecorated(false);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHeaderLabels({ui_texts::RestorePointsColumnTime(), ui_texts::RestorePointsColumnFolder(),
                             ui_texts::RestorePointsColumnFiles(), ui_texts::RestorePointsColumnSize(),
                             ui_texts::RestorePointsColumnState()});
    label->setBuddy(m_list);
    for (const RestorePoint& p : m_points) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(kTime, FromCp932(safety_texts::LocalTime(p.createdUnix)));
        item->setText(kFolder, DisplayPath(p.folder));
        item->setText(kFiles, QString::number(p.files.size()));
        item->setText(kSize, FromCp932(transfer_texts::SizeText(p.KeptBytes())));
        item->setText(kState, p.used ? ui_texts::RestorePointUsed() : QString());
        item->setTextAlignment(kFiles, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(kFolder, item->text(kFolder));
    }
    for (int c = 0; c < kColumns; ++c) m_list->resizeColumnToContents(c);
    m_list->setMinimumWidth(m_list->header()->length() + 24);
    // A few rows show at once; the rest scroll.
    m_list->setMinimumHeight(m_list->sizeHintForRow(0) * 6 + m_list->header()->sizeHint().height());
    resize(sizeHint().width(), 0);
    layout->addWidget(m_list);

    auto* buttons = new QDialogButtonBox(this);
    m_undo = buttons->addButton(ui_texts::RestorePointsUndo(), QDialogButtonBox::AcceptRole);
    m_undo->setDefault(true);
    buttons->addButton(ui_texts::ButtonCancel(), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CRestorePointDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemActivated, this, &CRestorePointDlg::accept);
    connect(m_list, &QTreeWidget::currentItemChanged, this, &CRestorePointDlg::OnSelectionChanged);
    layout->addWidget(buttons);

    // The newest point not undone yet is offered first.
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        if (!m_points[static_cast<size_t>(i)].used) {
            m_list->setCurrentItem(m_list->topLevelItem(i));
            break;
        }
    }
    OnSelectionChanged();
    m_list->setFocus();
}

int CRestorePointDlg::CurrentIndex() const {
    QTreeWidgetItem* item = m_list->currentItem();
    return item ? m_list->indexOfTopLevelItem(item) : -1;
}

void CRestorePointDlg::OnSelectionChanged() {
    const int i = CurrentIndex();
    // A point undone already has nothing left to give back.
    m_undo->setEnabled(i >= 0 && !m_points[static_cast<size_t>(i)].used);
}

void CRestorePointDlg::accept() {
    if (!m_undo->isEnabled()) return;
    m_chosen = CurrentIndex();
    QDialog::accept();
}
