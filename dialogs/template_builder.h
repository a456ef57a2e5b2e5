// Builds a dialog's controls from its template: class, text, style, visibility,
// tab order and pixel rectangle by the Windows dialog-unit rule.
#pragma once

#include <QHash>
#include <QWidget>
#include <functional>

#include "resources/dialog_template.h"

class QDialog;
class QLabel;

// Creates the widget for a control that needs a class of its own (lists, drive
// controls); answers nullptr to get the standard widget for the control's kind.
using ControlFactory = std::function<QWidget*(const ControlTemplate&, QWidget* parent)>;

struct BuiltDialog {
    QHash<int, QWidget*> byId;   // controls with an ID other than -1
    QList<QWidget*> inTabOrder;  // every control, template order
};

// Sizes `dialog` from the template and creates every control on it.
BuiltDialog BuildFromTemplate(QDialog* dialog, const DialogTemplate& tpl, const ControlFactory& factory = {});

// Windows text with '&' accelerators as Qt shows it.
QString TemplateText(const ControlTemplate& control);

// What a static text control shows of `text`: unless noPrefix, "&&" as '&' and
// a single '&' left out.
QString StaticDisplayText(const QString& text, bool noPrefix);
// Sets a static text made from a template, by its own prefix rule.
void SetStaticText(QLabel* label, const QString& text);
