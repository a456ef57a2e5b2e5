#include "dialogs/group_box.h"

#include <QEvent>
#include <QPainter>

bool GroupBox::event(QEvent* event) {
    // The caption's mnemonic moves the focus to the next control in tab order that
    // takes it, as a Windows group box does: the controls inside the frame are the
    // dialog's, not the group box's children.
    if (event->type() == QEvent::Shortcut) {
        for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
            if (w->window() == window() && (w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled()) {
                w->setFocus(Qt::ShortcutFocusReason);
                break;
            }
        }
        return true;
    }
    return QGroupBox::event(event);
}

void GroupBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QFontMetrics fm(font());
    // The caption's "&x" underlines x, as on the push buttons.
    const QString caption = title();
    const int textTop = 0;
    const int frameTop = fm.height() / 2;
    const int textLeft = fm.horizontalAdvance(QLatin1Char('x'));
    const int textWidth = fm.size(Qt::TextShowMnemonic, caption).width();

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
    painter.drawText(textRect.adjusted(2, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, caption);
}
