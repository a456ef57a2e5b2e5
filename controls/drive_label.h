// The label at the top of the system pane: a drive's small shell icon followed
// by the shell's display name of the drive's root, painted by the label itself.
#pragma once

#include <QLabel>
#include <QString>
#include <optional>

#include "platform/drive_letter.h"
#include "platform/win32.h"

class CSysImageList;

class CDriveLabel : public QLabel {
    Q_OBJECT
public:
    explicit CDriveLabel(QWidget* parent = nullptr);
    ~CDriveLabel() override;

    // Shows `drive`. No drive empties the label and answers TRUE; a drive the
    // shell knows nothing about empties it and answers FALSE. Does not repaint.
    bool SetDrive(std::optional<platform::DriveLetter> drive);

    std::optional<platform::DriveLetter> Drive() const { return m_drive; }
    int IconIndex() const { return m_nIcon; }
    // The shown display name (the label's window text).
    QString Text() const { return text(); }

    // The icons come from the program's list unless another one is given (tests).
    void SetImageList(const CSysImageList* list);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const CSysImageList& Images() const;

    std::optional<platform::DriveLetter> m_drive;
    int m_nIcon = -1;
    const CSysImageList* m_pImages = nullptr;
};
