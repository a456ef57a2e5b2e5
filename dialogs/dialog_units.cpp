#include "dialogs/dialog_units.h"

#include <QFontMetrics>
#include <QStringList>
#include <cstdlib>

void InstallFontSubstitutions() {
    // fontconfig maps neither name to a Japanese font; without this the base
    // units come out 7x14 instead of 6x13 and every control moves.
    const QStringList japanese{"IPAGothic", "IPAゴシック", "Noto Sans Mono CJK JP", "Noto Sans CJK JP"};
    QFont::insertSubstitutions(QStringLiteral("ＭＳ ゴシック"), japanese);
    QFont::insertSubstitutions(QStringLiteral("MS Gothic"), japanese);
}

QFont DialogFont(const char* face, int points) {
    QFont font(QString::fromUtf8(face));
    font.setPointSize(points);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    long long p = static_cast<long long>(a) * b;
    bool negative = (p < 0) != (c < 0);
    long long ap = std::llabs(p), ac = std::llabs(static_cast<long long>(c));
    long long q = (ap + ac / 2) / ac;
    return static_cast<int>(negative ? -q : q);
}

DialogUnits::DialogUnits(const QFont& font) {
    QFontMetrics fm(font);
    int width = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_cx = (width / 26 + 1) / 2;
    m_cy = fm.ascent() + fm.descent();
}

QRect DialogUnits::ToPixels(int x, int y, int cx, int cy) const {
    return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(cx), ToPixelsY(cy));
}
