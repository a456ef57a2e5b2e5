// A push button whose text wraps inside the button, as a multi-line Windows
// button does ("→保存→" in a narrow, tall button).
#pragma once

#include <QPushButton>

class MultiLineButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};
