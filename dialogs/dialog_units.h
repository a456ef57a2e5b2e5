// The Windows dialog-unit rule: positions in templates are in units of the
// dialog font's average character cell.
#pragma once

#include <QFont>
#include <QRect>

// Maps the Windows face names of the templates to installed Japanese fonts.
// Call once before the first dialog is made.
void InstallFontSubstitutions();

// The template's font ("ＭＳ ゴシック" 9 point), substituted as installed.
QFont DialogFont(const char* face, int points);

// Windows MulDiv: a * b / c rounded to nearest, halves away from zero.
int MulDiv(int a, int b, int c);

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    int BaseX() const { return m_cx; }
    int BaseY() const { return m_cy; }
    int ToPixelsX(int dluX) const { return MulDiv(dluX, m_cx, 4); }
    int ToPixelsY(int dluY) const { return MulDiv(dluY, m_cy, 8); }
    QRect ToPixels(int x, int y, int cx, int cy) const;

private:
    int m_cx;
    int m_cy;
};
