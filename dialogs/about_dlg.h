// The version box: four lines read from "Copyright.ini" at every opening.
#pragma once

#include <QDialog>

#include "dialogs/template_builder.h"

struct Deliverable;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(const Deliverable& deliverable, QWidget* parent = nullptr);
    QWidget* GetDlgItem(int id) const { return m_controls.byId.value(id); }

private:
    void OnInitDialog();

    const Deliverable& m_deliverable;
    BuiltDialog m_controls;
};
