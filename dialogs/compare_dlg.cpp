#include "dialogs/compare_dlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QThread>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "controls/qt_cp932.h"
#include "resources/ui_texts.h"
#include "transfer/carry_over.h"

namespace {
// Child rows carry their set's row + 1 as internal id; set rows carry 0.
constexpr quintptr kSetRow = 0;

int ColumnOf(FileChange change) {
    switch (change) {
    case FileChange::Add: return CompareModel::kAdd;
    case FileChange::ReplaceDiffers: return CompareModel::kReplaceDiffers;
    case FileChange::ReplaceSame: return CompareModel::kReplaceSame;
    case FileChange::Leave: return CompareModel::kLeave;
    case FileChange::Fails: return CompareModel::kFails;
    }
    return CompareModel::kLeave;
}

uint32_t CountIn(const ChangeCounts& c, int column) {
    switch (column) {
    case CompareModel::kAdd: return c.add;
    case CompareModel::kReplaceDiffers: return c.replaceDiffers;
    case CompareModel::kReplaceSame: return c.replaceSame;
    case CompareModel::kLeave: return c.leave;
    case CompareModel::kFails: return c.fails;
    default: return 0;
    }
}

QString GroupName(unsigned group) {
    switch (group) {
    case kGroupTable265First: return ui_texts::CompareGroupTable265First();
    case kGroupTable265Second: return ui_texts::CompareGroupTable265Second();
    case kGroupKind1Settings: return ui_texts::CompareGroupSettings();
    case kGroupTable341: return ui_texts::CompareGroupTable341();
    case kGroupTable269: return ui_texts::CompareGroupTable269();
    default: return {};
    }
}

// "同じ", "異なる: サイズ・内容", "異なる: 属性 341バイト表", "システムだけにある"...
QString DetailOf(const ComparedFile& f) {
    switch (f.State()) {
    case FileState::OnlySystem: return ui_texts::CompareOnlySystem();
    case FileState::OnlyFolder: return ui_texts::CompareOnlyFolder();
    case FileState::Same: return ui_texts::CompareSame();
    case FileState::Different: break;
    }
    QStringList parts;
    if (f.kind == CarryOver::WholeFile) {
        if (f.sizeDiffers) parts << ui_texts::CompareSize();
        if (f.timeDiffers) parts << ui_texts::CompareTime();
        if (f.contentDiffers) parts << ui_texts::CompareContent();
    } else {
        QStringList groups;
        for (unsigned g : kAttributeGroups)
            if (f.groupsDiffer & g) groups << GroupName(g);
        if (!groups.isEmpty()) parts << ui_texts::CompareGroups() + groups.join(ui_texts::CompareSeparator());
    }
    if (f.unreadable) parts << ui_texts::CompareUnreadable();
    return ui_texts::CompareDifferent() + parts.join(ui_texts::CompareSeparator());
}

// The file's path below the system data root, as the user knows the set's files.
QString ShortName(const std::string& systemPath, const std::string& systemRoot) {
    if (systemPath.size() <= systemRoot.size() || systemPath.compare(0, systemRoot.size(), systemRoot) != 0)
        return DisplayPath(systemPath);
    size_t start = systemRoot.size();
    while (start < systemPath.size() && systemPath[start] == '\\') ++start;  // a set's path brings its own
    return DisplayPath(std::string_view(systemPath).substr(start));
}
}  // namespace

std::vector<CompareModel::SetRow> CompareRows(const CompareResult& result, Direction direction,
                                              const TransferContext& context) {
    const bool onRegister = direction == Direction::Register;
    std::vector<CompareModel::SetRow> rows;
    rows.reserve(result.sets.size());
    for (const ComparedSet& set : result.sets) {
        CompareModel::SetRow& row = rows.emplace_back();
        row.name = QStringLiteral("%1  %2").arg(set.index + 1).arg(FromCp932(context.catalogue[set.index].name()));
        if (onRegister && !set.held) row.name += QStringLiteral(" ") + ui_texts::CompareNotHeld();
        row.counts = onRegister ? set.onRegister : set.onSave;
        for (const ComparedFile& f : set.files) {
            CompareModel::FileRow& file = row.files.emplace_back();
            file.name = ShortName(f.systemPath, context.systemRoot);
            file.detail = DetailOf(f);
            file.tip = DisplayPath(f.systemPath) + QStringLiteral("\n") + DisplayPath(f.folderPath);
            file.column = ColumnOf(onRegister ? f.onRegister : f.onSave);
        }
    }
    return rows;
}

void CompareModel::SetRows(std::vector<SetRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

QModelIndex CompareModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= kColumns) return {};
    if (!parent.isValid())
        return static_cast<size_t>(row) < m_rows.size() ? createIndex(row, column, kSetRow) : QModelIndex();
    if (parent.internalId() != kSetRow) return {};
    const SetRow& set = m_rows[static_cast<size_t>(parent.row())];
    if (static_cast<size_t>(row) >= set.files.size()) return {};
    return createIndex(row, column, static_cast<quintptr>(parent.row()) + 1);
}

QModelIndex CompareModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == kSetRow) return {};
    return createIndex(static_cast<int>(child.internalId() - 1), 0, kSetRow);
}

int CompareModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return static_cast<int>(m_rows.size());
    if (parent.internalId() != kSetRow || parent.column() != 0) return 0;
    return static_cast<int>(m_rows[static_cast<size_t>(parent.row())].files.size());
}

int CompareModel::columnCount(const QModelIndex&) const { return kColumns; }

QVariant CompareModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int column = index.column();
    if (role == Qt::TextAlignmentRole && column != kItem && column != kDetail)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    if (index.internalId() == kSetRow) {
        const SetRow& set = m_rows[static_cast<size_t>(index.row())];
        if (role != Qt::DisplayRole) return {};
        if (column == kItem) return set.name;
        if (column == kDetail) return {};
        return QString::number(CountIn(set.counts, column));
    }
    const FileRow& file = m_rows[index.internalId() - 1].files[static_cast<size_t>(index.row())];
    if (role == Qt::ToolTipRole) return file.tip;
    if (role != Qt::DisplayRole) return {};
    if (column == kItem) return file.name;
    if (column == kDetail) return file.detail;
    return column == file.column ? ui_texts::CompareMark() : QString();
}

QVariant CompareModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::ToolTipRole) {
        switch (section) {
        case kAdd: return ui_texts::CompareTipAdd();
        case kReplaceDiffers: return ui_texts::CompareTipReplaceDiffers();
        case kReplaceSame: return ui_texts::CompareTipReplaceSame();
        case kLeave: return ui_texts::CompareTipLeave();
        case kFails: return ui_texts::CompareTipFails();
        default: return {};
        }
    }
    if (role != Qt::DisplayRole) return {};
    switch (section) {
    case kItem: return ui_texts::CompareColumnItem();
    case kAdd: return ui_texts::CompareColumnAdd();
    case kReplaceDiffers: return ui_texts::CompareColumnReplaceDiffers();
    case kReplaceSame: return ui_texts::CompareColumnReplaceSame();
    case kLeave: return ui_texts::CompareColumnLeave();
    case kFails: return ui_texts::CompareColumnFails();
    case kDetail: return ui_texts::CompareColumnDetail();
    default: return {};
    }
}

CCompareDlg::CCompareDlg(const TransferContext& context, std::string folderName, std::vector<char> sets,
                         Direction direction, QWidget* parent)
    : QDialog(parent),
      m_context(context),
      m_folderName(std::move(folderName)),
      m_sets(std::move(sets)),
      m_direction(direction) {
    setObjectName(QStringLiteral("compareDialog"));
    setWindowTitle(direction == Direction::Register ? ui_texts::CompareTitleRegister() : ui_texts::CompareTitleSave());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    m_folder = new QLabel(this);
    m_folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_folder);
    m_summary = new QLabel(ui_texts::CompareRunning(), this);
    m_summary->setObjectName(QStringLiteral("compareSummary"));
    layout->addWidget(m_summary);

    m_view = new QTreeView(this);
    m_view->setObjectName(QStringLiteral("compareTree"));
    m_view->setModel(&m_model);
    m_view->setUniformRowHeights(true);
    m_view->setAllColumnsShowFocus(true);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->header()->setStretchLastSection(true);
    m_view->setMinimumSize(760, 300);
    layout->addWidget(m_view);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(ui_texts::ButtonClose(), QDialogButtonBox::RejectRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    for (int c = 0; c < CompareModel::kColumns; ++c) m_view->resizeColumnToContents(c);

    // The window shows at once; the files are read meanwhile.
    m_thread = QThread::create([this] { m_result = CompareFolder(m_context, m_folderName, m_sets, &m_cancel); });
    connect(m_thread, &QThread::finished, this, &CCompareDlg::OnCompared);
    m_thread->start();
}

CCompareDlg::~CCompareDlg() {
    m_cancel = true;
    m_thread->wait();
    delete m_thread;
}

void CCompareDlg::FitColumns() {
    // Files show only when their set is expanded: their texts are measured here.
    const QFontMetrics metrics(m_view->font());
    int item = metrics.horizontalAdvance(ui_texts::CompareColumnItem());
    int detail = metrics.horizontalAdvance(ui_texts::CompareColumnDetail());
    for (const CompareModel::SetRow& row : m_model.Rows()) {
        item = std::max(item, metrics.horizontalAdvance(row.name));
        for (const CompareModel::FileRow& file : row.files) {
            item = std::max(item, metrics.horizontalAdvance(file.name) + m_view->indentation());
            detail = std::max(detail, metrics.horizontalAdvance(file.detail));
        }
    }
    const int margin = 2 * metrics.averageCharWidth() + m_view->indentation();
    m_view->setColumnWidth(CompareModel::kItem, std::min(item + margin, 360));
    for (int c = CompareModel::kAdd; c < CompareModel::kDetail; ++c) m_view->resizeColumnToContents(c);
    m_view->setColumnWidth(CompareModel::kDetail, detail + margin);
    int width = m_view->header()->length() + m_view->verticalScrollBar()->sizeHint().width() + 4;
    if (const QScreen* screen = this->screen()) width = std::min(width, screen->availableGeometry().width() - 80);
    if (width > m_view->width()) resize(this->width() + width - m_view->width(), height());
}

void CCompareDlg::OnCompared() {
    const CompareResult& r = m_result;
    m_folder->setText(ui_texts::CompareFolder() + DisplayPath(r.folderPath) +
                      (r.folderExists ? QString() : QStringLiteral(" ") + ui_texts::CompareNoFolder()));
    m_model.SetRows(CompareRows(r, m_direction, m_context));
    ChangeCounts total;
    size_t files = 0;
    for (const CompareModel::SetRow& row : m_model.Rows()) {
        total += row.counts;
        files += row.files.size();
    }
    m_summary->setText(r.cancelled ? ui_texts::CompareCancelled()
                                   : ui_texts::CompareSummary()
                                         .arg(m_model.Rows().size())
                                         .arg(files)
                                         .arg(total.add)
                                         .arg(total.replaceDiffers + total.replaceSame)
                                         .arg(total.replaceDiffers)
                                         .arg(total.replaceSame)
                                         .arg(total.leave)
                                         .arg(total.fails));
    FitColumns();
    m_compared = true;
    emit Compared();
}
