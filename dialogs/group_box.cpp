#include "dialogs/group_box.h"

#include <QPainter>

void GroupBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QFontMetrics fm(font());
    QString caption = title();
    caption.remove(QLatin1Char('&'));
    const int textTop = 0;
    const int frameTop = fm.height() / 2;
    const int textLeft = fm.horizontalAdvance(QLatin1Char('x'));
    const int textWidth = fm.horizontalAdvance(caption);

    // Etched frame, as Windows draws it: a shadow line with a light line inside.
    QRect frame = rect().adjusted(0, frameTop, -1, -1);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(frame.adjusted(1, 1, 0, 0));

    if (caption.isEmpty()) return;
    QRect textRect(textLeft, textTop, textWidth + 4, fm.height());
    painter.fillRect(textRect, palette().color(backgroundRole()));
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(textRect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption);
}
