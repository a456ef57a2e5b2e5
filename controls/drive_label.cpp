#include "controls/drive_label.h"

#include <QPainter>
#include <cstring>

#include "controls/qt_cp932.h"
#include "controls/sys_image_list.h"
#include "platform/cp932.h"

CDriveLabel::CDriveLabel(QWidget* parent) : QLabel(parent) {}

CDriveLabel::~CDriveLabel() = default;

void CDriveLabel::SetImageList(const CSysImageList* list) {
    m_pImages = list;
    update();
}

const CSysImageList& CDriveLabel::Images() const { return m_pImages ? *m_pImages : SysImageList(); }

bool CDriveLabel::SetDrive(std::optional<platform::DriveLetter> drive) {
    if (drive) {
        // The shell decides which roots exist.
        SHFILEINFOA info;
        std::memset(&info, 0, sizeof info);
        if (SHGetFileInfoA(drive->Root().c_str(), 0, &info, sizeof info,
                           SHGFI_SYSICONINDEX | SHGFI_DISPLAYNAME | SHGFI_SMALLICON)) {
            info.szDisplayName[sizeof info.szDisplayName - 1] = '\0';
            m_nIcon = info.iIcon;
            m_drive = drive;
            setText(FromCp932(info.szDisplayName));
            return true;
        }
    }
    m_drive.reset();
    m_nIcon = -1;
    setText(QString());
    return !drive;
}

void CDriveLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect client = contentsRect();
    // Windows paints the label on the dialog's button face.
    p.fillRect(rect(), palette().color(QPalette::Button));
    drawFrame(&p);
    if (!m_drive) return;

    const CSysImageList& images = Images();
    QRect image = images.ImageRect(m_nIcon);
    int textLeft;
    if (image.isEmpty()) {
        // An index the list does not hold: no icon, the text where the common
        // icon size would put it, so that it lines up with the drive combo box.
        textLeft = client.left() + 2 + images.IconWidth() + 4;
    } else {
        images.Draw(p, m_nIcon, QPoint(client.left() + 2, client.top() + (client.height() - image.height()) / 2));
        textLeft = client.left() + 2 + image.width() + 4;
    }

    QRect textRect = client;
    textRect.setLeft(textLeft);
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}
