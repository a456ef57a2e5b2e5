// Helpers of the drive control tests: plain-coloured icon lists, pixel searches
// and the shell's own answer for a drive root.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <cstring>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/win32.h"

// One image per shell drive icon, every one `w` x `h` of one colour, except
// image 0 which may be given its own size (the list's common size).
inline std::vector<QImage> SolidIcons(QColor colour, int w = 16, int h = 16, int w0 = 16, int h0 = 16) {
    std::vector<QImage> images;
    for (int i = 0; i < SHELL_ICON_COUNT; ++i) {
        QImage img(i == 0 ? w0 : w, i == 0 ? h0 : h, QImage::Format_ARGB32_Premultiplied);
        img.fill(colour);
        images.push_back(img);
    }
    return images;
}

// Whether any pixel inside `area` (clipped to the image) satisfies `pred`.
template <class Pred>
bool AnyPixel(const QImage& img, QRect area, Pred pred) {
    area = area.intersected(img.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (pred(img.pixelColor(x, y))) return true;
    return false;
}

inline bool AllPixels(const QImage& img, QRect area, QColor colour) {
    return !AnyPixel(img, area, [&](QColor c) { return c.rgb() != colour.rgb(); });
}

struct ShellAnswer {
    bool ok = false;
    std::string nameUtf8;
    int icon = -1;
};

// What the shell says about the root of drive n, asked the way the controls ask.
inline ShellAnswer AskShell(int drive) {
    const char root[4] = {static_cast<char>('A' + drive), ':', '\\', '\0'};
    SHFILEINFOA info;
    std::memset(&info, 0, sizeof info);
    ShellAnswer a;
    a.ok = SHGetFileInfoA(root, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_DISPLAYNAME | SHGFI_SMALLICON) != 0;
    if (a.ok) {
        a.nameUtf8 = platform::Cp932ToUtf8(info.szDisplayName);
        a.icon = info.iIcon;
    }
    return a;
}
