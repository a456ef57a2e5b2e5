// A drop-down list whose list opens below its field, as on Windows, not over it
// with the current entry on top; above it only when the screen has no room below.
#pragma once

#include <QComboBox>

class CDropDownComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;
};
