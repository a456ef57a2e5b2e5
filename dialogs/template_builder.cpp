#include "dialogs/template_builder.h"

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

#include "controls/drop_down_combo_box.h"
#include "dialogs/dialog_units.h"
#include "dialogs/group_box.h"
#include "dialogs/multi_line_button.h"
#include "resources/deliverable.h"

QString TemplateText(const ControlTemplate& control) {
    QString text = QString::fromUtf8(control.text);
    if (control.noPrefix) text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return text;
}

QString StaticDisplayText(const QString& text, bool noPrefix) {
    if (noPrefix) return text;
    // A static text's "&&" shows one '&'; a single '&' marks the next character
    // and is not shown itself.
    QString shown;
    shown.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
                shown += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        shown += text[i];
    }
    return shown;
}

void SetStaticText(QLabel* label, const QString& text) {
    if (label) label->setText(StaticDisplayText(text, label->property("noPrefix").toBool()));
}

namespace {

QWidget* StandardWidget(const ControlTemplate& c, QWidget* parent, const QRect& rect) {
    switch (c.kind) {
    case ControlKind::GroupBox: return new GroupBox(TemplateText(c), parent);
    case ControlKind::Static:
    case ControlKind::StaticImage: {
        auto* label = new QLabel(parent);
        // Static text is plain text; '&' is kept for the noPrefix lines.
        label->setTextFormat(Qt::PlainText);
        label->setProperty("noPrefix", c.noPrefix);
        SetStaticText(label, QString::fromUtf8(c.text));
        label->setAlignment(c.centred ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignLeft | Qt::AlignTop);
        // A text wider than its control wraps to the next line, as a Windows static
        // does, so that its first line shows whole instead of losing both ends.
        if (c.kind == ControlKind::Static) label->setWordWrap(true);
        if (c.kind == ControlKind::StaticImage) label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return label;
    }
    case ControlKind::StaticIcon: {
        auto* label = new QLabel(parent);
        label->setPixmap(QIcon(QString::fromUtf8(ApplicationIconPath())).pixmap(rect.size()));
        return label;
    }
    case ControlKind::ListView: return new QTreeView(parent);
    case ControlKind::PushButton: {
        QPushButton* button =
            c.multiLine ? new MultiLineButton(TemplateText(c), parent) : new QPushButton(TemplateText(c), parent);
        button->setDefault(c.defaultButton);
        return button;
    }
    case ControlKind::ComboList:
    case ControlKind::ComboOwnerDraw: return new CDropDownComboBox(parent);
    case ControlKind::Edit: return new QLineEdit(parent);
    }
    return nullptr;
}

}  // namespace

BuiltDialog BuildFromTemplate(QDialog* dialog, const DialogTemplate& tpl, const ControlFactory& factory) {
    QFont font = DialogFont(tpl.fontFace, tpl.fontPoints);
    dialog->setFont(font);
    DialogUnits units(font);
    dialog->setWindowTitle(QString::fromUtf8(tpl.caption));
    dialog->setFixedSize(units.ToPixelsX(tpl.cx), units.ToPixelsY(tpl.cy));

    // Without a default button in the template, none may become one by itself
    // (Qt would make the first button the default when the dialog is shown).
    bool anyDefault = false;
    for (const ControlTemplate& c : tpl.controls) anyDefault = anyDefault || c.defaultButton;

    BuiltDialog built;
    QWidget* previousFocusable = nullptr;
    for (const ControlTemplate& c : tpl.controls) {
        QRect rect = units.ToPixels(c.x, c.y, c.cx, c.cy);
        QWidget* widget = factory ? factory(c, dialog) : nullptr;
        if (!widget) widget = StandardWidget(c, dialog, rect);
        widget->setFont(font);
        widget->setProperty("controlId", c.id);
        if (c.id != -1) widget->setObjectName(QStringLiteral("ctl%1").arg(c.id));

        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            // A Windows combo box's template height includes its drop-down list.
            int closed = combo->sizeHint().height();
            int itemHeight = qMax(1, combo->fontMetrics().height() + 2);
            combo->setMaxVisibleItems(qMax(1, (rect.height() - closed) / itemHeight));
            combo->setProperty("sorted", c.sorted);
            rect.setHeight(closed);
        }
        if (auto* button = qobject_cast<QPushButton*>(widget); button && !anyDefault) button->setAutoDefault(false);
        widget->setGeometry(rect);
        if (!c.visible) widget->setVisible(false);

        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previousFocusable) QWidget::setTabOrder(previousFocusable, widget);
            previousFocusable = widget;
        }
        if (c.id != -1) built.byId.insert(c.id, widget);
        built.inTabOrder.append(widget);
    }
    return built;
}
