// Asks for the name of a new maintenance folder.
#pragma once

#include <QDialog>
#include <string>

#include "dialogs/template_builder.h"
#include "transfer/maintenance_folder.h"

struct Deliverable;
class QLineEdit;
class QPushButton;

class CNewFolderDlg : public QDialog {
    Q_OBJECT
public:
    // Typing stops at this many bytes of CP932 text.
    static constexpr int kNameLimit = 20;

    CNewFolderDlg(const Deliverable& deliverable, QWidget* parent);

    std::string m_strName;  // CP932; set before exec(), read after OK
    std::string m_strRoot;  // CP932 external root the folder goes under

    int exec() override;
    QWidget* GetDlgItem(int id) const { return m_controls.byId.value(id); }

public slots:
    void accept() override;  // OnOK

private:
    void OnInitDialog();
    void OnUpdateOK();
    void OnEditChanged(const QString& text);

    const Deliverable& m_deliverable;
    BuiltDialog m_controls;
    QLineEdit* m_edit = nullptr;
    QPushButton* m_ok = nullptr;
    QString m_lastAccepted;
};
