#include "controls/sys_image_list.h"

#include <QApplication>
#include <QDir>
#include <QFileIconProvider>
#include <QIcon>
#include <QPainter>
#include <QStyle>

#include "platform/win32.h"

namespace {

// Windows' small system icons are 16 by 16 pixels; entry heights derive from it.
constexpr int kSmallIcon = 16;

struct IconSource {
    const char* themeNames[3];
    QStyle::StandardPixmap standard;
    QFileIconProvider::IconType provider;
};

// One row per ShellDriveIcon index, in enum order.
const IconSource kSources[SHELL_ICON_COUNT] = {
    {{"drive-multidisk", "drive-harddisk", nullptr}, QStyle::SP_DriveHDIcon, QFileIconProvider::Drive},
    {{"drive-harddisk", nullptr, nullptr}, QStyle::SP_DriveHDIcon, QFileIconProvider::Drive},
    {{"drive-removable-media", "media-removable", "media-floppy"}, QStyle::SP_DriveFDIcon, QFileIconProvider::Drive},
    {{"media-optical", "drive-optical", nullptr}, QStyle::SP_DriveCDIcon, QFileIconProvider::Drive},
    {{"network-server", "folder-remote", "network-workgroup"}, QStyle::SP_DriveNetIcon, QFileIconProvider::Network},
    {{"media-flash", "media-memory", "drive-harddisk"}, QStyle::SP_DriveHDIcon, QFileIconProvider::Drive},
};

// A 16x16 image of the icon, centred when the icon has only smaller sizes, so
// that every image of the list has the same rectangle, as in a shell image list.
QImage Render(const QIcon& icon) {
    if (icon.isNull()) return {};
    QPixmap pm = icon.pixmap(QSize(kSmallIcon, kSmallIcon), 1.0);
    if (pm.isNull()) return {};
    QImage src = pm.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (src.size() == QSize(kSmallIcon, kSmallIcon)) return src;
    QImage out(kSmallIcon, kSmallIcon, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    QSize size = src.size().scaled(kSmallIcon, kSmallIcon, Qt::KeepAspectRatio);
    QRect target(QPoint((kSmallIcon - size.width()) / 2, (kSmallIcon - size.height()) / 2), size);
    p.drawImage(target, src);
    return out;
}

QImage FromTheme(const IconSource& src) {
    for (const char* name : src.themeNames) {
        if (name && QIcon::hasThemeIcon(QString::fromLatin1(name))) {
            QImage img = Render(QIcon::fromTheme(QString::fromLatin1(name)));
            if (!img.isNull()) return img;
        }
    }
    return {};
}

// Icons of the current theme first; where it has none (the offscreen platform
// reports no theme), the installed Adwaita theme, switched on only while the
// images are rendered so that the rest of the program keeps its own theme.
std::vector<QImage> LoadDriveIcons() {
    std::vector<QImage> images(SHELL_ICON_COUNT);
    bool missing = false;
    for (size_t i = 0; i < SHELL_ICON_COUNT; ++i) {
        images[i] = FromTheme(kSources[i]);
        missing = missing || images[i].isNull();
    }

    const QString systemIcons = QStringLiteral("/usr/share/icons");
    if (missing && QDir(systemIcons + QStringLiteral("/Adwaita")).exists()) {
        const QString oldTheme = QIcon::themeName();
        const QStringList oldPaths = QIcon::themeSearchPaths();
        if (!oldPaths.contains(systemIcons)) QIcon::setThemeSearchPaths(oldPaths + QStringList{systemIcons});
        QIcon::setThemeName(QStringLiteral("Adwaita"));
        for (size_t i = 0; i < SHELL_ICON_COUNT; ++i)
            if (images[i].isNull()) images[i] = FromTheme(kSources[i]);
        QIcon::setThemeName(oldTheme);
        QIcon::setThemeSearchPaths(oldPaths);
    }

    // Qt's own drive pictures need no theme at all.
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QFileIconProvider provider;
        for (size_t i = 0; i < SHELL_ICON_COUNT; ++i) {
            if (images[i].isNull()) images[i] = Render(QApplication::style()->standardIcon(kSources[i].standard));
            if (images[i].isNull()) images[i] = Render(provider.icon(kSources[i].provider));
        }
    }

    // A list with holes would draw nothing for some drives while claiming a size;
    // the shell's list either has every icon or none.
    for (const QImage& img : images)
        if (img.isNull()) return {};
    return images;
}

}  // namespace

CSysImageList::CSysImageList()
    : CSysImageList(QGuiApplication::instance() ? LoadDriveIcons() : std::vector<QImage>{}) {}

CSysImageList::CSysImageList(std::vector<QImage> images) : m_images(std::move(images)) {
    for (const QImage& img : m_images) {
        if (img.isNull()) {
            m_images.clear();
            break;
        }
    }
    if (!m_images.empty()) {
        m_cxIcon = m_images[0].width();
        m_cyIcon = m_images[0].height();
    }
}

CSysImageList::~CSysImageList() = default;

QRect CSysImageList::ImageRect(int index) const {
    if (index < 0 || index >= Count()) return {};
    return m_images[static_cast<size_t>(index)].rect();
}

bool CSysImageList::Draw(QPainter& painter, int index, QPoint at) const {
    if (index < 0 || index >= Count()) return false;
    painter.drawImage(at, m_images[static_cast<size_t>(index)]);
    return true;
}

CSysImageList& SysImageList() {
    static CSysImageList list;
    return list;
}
