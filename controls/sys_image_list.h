// The small drive icons that the shell's icon indexes (ShellDriveIcon of
// platform/win32.h) refer to, for the drive combo box and the drive label.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <vector>

class QPainter;

class CSysImageList {
public:
    // Loads one small icon per ShellDriveIcon index from the icon theme, the
    // style or the file icon provider. Pixmaps need a QGuiApplication: without
    // one the list stays empty (0 by 0).
    CSysImageList();
    // A list of the given images (tests, or a host without icons: an empty vector).
    explicit CSysImageList(std::vector<QImage> images);
    virtual ~CSysImageList();
    CSysImageList(const CSysImageList&) = delete;
    CSysImageList& operator=(const CSysImageList&) = delete;

    bool IsEmpty() const { return m_images.empty(); }
    int Count() const { return static_cast<int>(m_images.size()); }
    // Size of image 0; 0 when the list is empty. Never changes afterwards.
    int IconWidth() const { return m_cxIcon; }
    int IconHeight() const { return m_cyIcon; }

    // Rectangle of one image, at (0,0); empty for an index the list does not hold.
    QRect ImageRect(int index) const;
    // Draws image `index` with its transparency, its top left corner at `at`
    // (which may lie outside the painter's area). False for an unknown index.
    bool Draw(QPainter& painter, int index, QPoint at) const;

private:
    std::vector<QImage> m_images;
    int m_cxIcon = 0;
    int m_cyIcon = 0;
};

// The program's one list, made on first use. The first use must come after the
// QApplication exists (every widget does); it then lives until the program exits.
CSysImageList& SysImageList();
