#include "controls/drive_combo_box.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cstring>

#include "controls/qt_cp932.h"
#include "controls/sys_image_list.h"
#include "platform/cp932.h"
#include "platform/drive_letter.h"

namespace {

// Windows refuses taller entries: a list box item height must fit in a byte and
// the selection field below 32768.
constexpr int kMaxListItemHeight = 255;
constexpr int kMaxFieldHeight = 32767;

}  // namespace

// Draws the entries of the drop-down list through the control's own DrawItem.
class DriveItemDelegate : public QStyledItemDelegate {
public:
    explicit DriveItemDelegate(CDriveComboBox* owner) : QStyledItemDelegate(owner), m_owner(owner) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        m_owner->DrawItem(*painter, option.rect, index.row(), option.state & QStyle::State_Selected,
                          option.state & QStyle::State_HasFocus);
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override {
        int width = m_owner->Images().IconWidth() + 6;
        if (const auto rec = m_owner->Record(index.row()))
            width += QFontMetrics(m_owner->font()).horizontalAdvance(FromCp932(rec->displayName)) + 2;
        return {width, m_owner->m_listItemHeight};
    }

private:
    CDriveComboBox* m_owner;
};

CDriveComboBox::CDriveComboBox(QWidget* parent) : CDropDownComboBox(parent) {
    setItemDelegate(new DriveItemDelegate(this));
    SetHeights();
}

// ---- records ----------------------------------------------------------------

std::optional<DriveComboItem> CDriveComboBox::Record(int index, bool* bad) const {
    const bool outside = index < 0 || index >= count();
    if (bad) *bad = outside;
    if (outside) return std::nullopt;
    const QVariant stored = itemData(index, kRecordRole);
    if (!stored.canConvert<DriveComboItem>()) return std::nullopt;
    return stored.value<DriveComboItem>();
}

std::optional<DriveComboItem> CDriveComboBox::ItemRecord(int index) const { return Record(index); }

bool CDriveComboBox::StoreRecord(int index, const DriveComboItem& record) {
    const QModelIndex mi = model()->index(index, modelColumn(), rootModelIndex());
    return mi.isValid() && model()->setData(mi, QVariant::fromValue(record), kRecordRole);
}

// ---- combo box messages ---------------------------------------------------------

int CDriveComboBox::AddString(qintptr callerData) {
    DriveComboItem rec;
    rec.callerData = callerData;
    return AddRecord(rec);
}

int CDriveComboBox::AddRecord(const DriveComboItem& record) {
    // Unsorted: the entry goes at the end. A Windows list does not select its
    // first entry by itself, and adding sends no selection change.
    const int before = count();
    const int oldSel = currentIndex();
    {
        const QSignalBlocker quiet(this);
        insertItem(before, QString());
        if (oldSel == -1 && currentIndex() != -1) setCurrentIndex(-1);
    }
    if (count() != before + 1) return CB_ERR;  // the list refused (its maximum count)
    if (!StoreRecord(before, record)) {
        removeItem(before);
        return CB_ERR;
    }
    return before;
}

int CDriveComboBox::InsertString(int /*index*/, qintptr callerData) { return AddString(callerData); }

qintptr CDriveComboBox::GetItemData(int index) const {
    bool bad = false;
    const std::optional<DriveComboItem> rec = Record(index, &bad);
    if (bad) return CB_ERR;
    return rec ? rec->callerData : 0;
}

int CDriveComboBox::SetItemData(int index, qintptr callerData) {
    bool bad = false;
    std::optional<DriveComboItem> rec = Record(index, &bad);
    if (bad) return CB_ERR;
    // An entry Qt's own calls added gets its record now.
    if (!rec) rec.emplace();
    rec->callerData = callerData;
    return StoreRecord(index, *rec) ? 0 : CB_ERR;
}

int CDriveComboBox::FindString(int start, qintptr itemData) const {
    // Any negative start means the whole list; an index past the end finds nothing.
    const int n = count();
    for (int i = std::max(start, 0); i < n; ++i)
        if (GetItemData(i) == itemData) return i;
    return CB_ERR;
}

int CDriveComboBox::FindStringExact(int start, qintptr itemData) const { return FindString(start, itemData); }

int CDriveComboBox::SelectString(int start, qintptr itemData) {
    const int found = FindString(start, itemData);
    if (found == CB_ERR) return CB_ERR;
    SetCurSel(found);
    return found;
}

int CDriveComboBox::SetItemHeight(int index, int height) {
    if (index < -1) return CB_ERR;
    const int h = std::max(height & 0xFFFF, GetMinItemHeight());
    if (index == -1) {
        if (h > kMaxFieldHeight) return CB_ERR;
        m_fieldHeight = h;
        updateGeometry();
    } else {
        // One height for every entry of a fixed-height list, whatever the index.
        if (h > kMaxListItemHeight) return CB_ERR;
        m_listItemHeight = h;
        if (view()) view()->doItemsLayout();
    }
    update();
    return 0;
}

int CDriveComboBox::GetItemHeight(int index) const {
    if (index < -1) return CB_ERR;
    return index == -1 ? m_fieldHeight : m_listItemHeight;
}

int CDriveComboBox::SetCurSel(int index) {
    if (index < 0 || index >= count()) {
        setCurrentIndex(-1);
        return CB_ERR;
    }
    setCurrentIndex(index);
    return index;
}

int CDriveComboBox::DeleteString(int index) {
    if (index < 0 || index >= count()) return CB_ERR;
    removeItem(index);
    return count();
}

void CDriveComboBox::ResetContent() { clear(); }

// ---- drives ---------------------------------------------------------------------

void CDriveComboBox::FillDrives() {
    ResetContent();
    const DWORD mask = GetLogicalDrives();
    for (const platform::DriveLetter drive : platform::DriveLetter::All())
        if (mask & (DWORD{1} << drive.Number())) AddDrive(drive);
}

int CDriveComboBox::AddDrive(platform::DriveLetter drive) {
    const std::string rootText = drive.Root();
    const char* root = rootText.c_str();
    SHFILEINFOA info;
    std::memset(&info, 0, sizeof info);
    if (!SHGetFileInfoA(root, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_DISPLAYNAME | SHGFI_SMALLICON))
        return CB_ERR;
    info.szDisplayName[sizeof info.szDisplayName - 1] = '\0';

    DriveComboItem rec;
    rec.drive = drive;
    rec.displayName = info.szDisplayName;
    rec.driveType = GetDriveTypeA(root);
    rec.icon = info.iIcon;
    const int index = AddRecord(rec);
    if (index == CB_ERR) return index;
    // The entry's text, for currentText() and accessibility; drawing uses the record.
    setItemText(index, FromCp932(rec.displayName));
    return index;
}

std::optional<platform::DriveLetter> CDriveComboBox::GetItemDrive(int index) const {
    const std::optional<DriveComboItem> rec = Record(index);
    return rec ? rec->drive : std::nullopt;
}

int CDriveComboBox::FindDrive(std::optional<platform::DriveLetter> drive) const {
    if (!drive) return -1;
    const int n = count();
    for (int i = 0; i < n; ++i)
        if (GetItemDrive(i) == drive) return i;
    return -1;
}

int CDriveComboBox::GetMinItemHeight() const {
    // Without strings of its own the text height never matters: the icon does.
    return Images().IconHeight() + 1;
}

void CDriveComboBox::SetHeights() {
    // The list entries are one pixel taller than the selection field.
    const int h = GetMinItemHeight();
    SetItemHeight(-1, h & 0xFFFF);
    SetItemHeight(0, (h + 1) & 0xFFFF);
}

// ---- icons and drawing -------------------------------------------------------------

const CSysImageList& CDriveComboBox::Images() const { return m_pImages ? *m_pImages : SysImageList(); }

void CDriveComboBox::SetImageList(const CSysImageList* list) {
    m_pImages = list;
    SetHeights();
}

void CDriveComboBox::DrawItem(QPainter& painter, const QRect& rect, int index, bool selected, bool focus) const {
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    // COLOR_WINDOW and COLOR_WINDOWTEXT are the colours of list contents: Base and Text.
    const QPalette& pal = palette();
    painter.fillRect(rect, pal.color(selected ? QPalette::Highlight : QPalette::Base));
    const QColor textColour = pal.color(selected ? QPalette::HighlightedText : QPalette::Text);

    // An entry without record (never made by the program) is left blank.
    if (const auto rec = Record(index)) {
        const CSysImageList& images = Images();
        images.Draw(painter, rec->icon,
                    QPoint(rect.left() + 2, rect.top() + (rect.height() - images.IconHeight()) / 2));

        const QString name = FromCp932(rec->displayName);
        const QFontMetrics fm(font());
        const int w = fm.horizontalAdvance(name);
        const int t = fm.height();
        const QRect textRect(rect.left() + images.IconWidth() + 6, rect.top() + (rect.height() - t) / 2, w, t);
        painter.setFont(font());
        painter.setPen(textColour);
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip, name);
    }

    if (focus) {
        // The dotted rectangle of DrawFocusRect.
        painter.setPen(QPen(textColour, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

void CDriveComboBox::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    // A focused drop-down list shows its closed field selected and focused.
    const bool focused = hasFocus() && !(view() && view()->isVisible());
    DrawItem(p, field, currentIndex(), focused, focused);
}

QSize CDriveComboBox::sizeHint() const {
    QSize size = CDropDownComboBox::sizeHint();
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    const QSize framed = style()->sizeFromContents(QStyle::CT_ComboBox, &opt, QSize(size.width(), m_fieldHeight), this);
    size.setHeight(std::max(size.height(), framed.height()));
    return size;
}

QSize CDriveComboBox::minimumSizeHint() const {
    QSize size = CDropDownComboBox::minimumSizeHint();
    size.setHeight(std::max(size.height(), sizeHint().height()));
    return size;
}
