#include "controls/drop_down_combo_box.h"

#include <QAbstractItemView>
#include <QScreen>

void CDropDownComboBox::showPopup() {
    QComboBox::showPopup();
    QWidget* popup = view() ? view()->window() : nullptr;
    if (!popup || popup == window()) return;
    const QPoint top = mapToGlobal(QPoint(0, 0));
    QPoint at(top.x(), top.y() + height());
    if (const QScreen* s = screen()) {
        const QRect room = s->availableGeometry();
        if (at.y() + popup->height() > room.bottom() + 1 && top.y() - popup->height() >= room.top())
            at.setY(top.y() - popup->height());
    }
    popup->move(at);
}
