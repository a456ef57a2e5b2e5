// A Windows group box: a frame whose caption sits in a gap of its top edge.
// Drawn here so that the whole caption shows, full-width brackets included.
#pragma once

#include <QGroupBox>

class GroupBox : public QGroupBox {
    Q_OBJECT
public:
    using QGroupBox::QGroupBox;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
