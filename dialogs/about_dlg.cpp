#include "dialogs/about_dlg.h"

#include <QLabel>
#include <QPushButton>
#include <string>

#include "controls/qt_cp932.h"
#include "host/copyright_info.h"
#include "resources/deliverable.h"

CAboutDlg::CAboutDlg(const Deliverable& deliverable, QWidget* parent) : QDialog(parent), m_deliverable(deliverable) {
    m_controls = BuildFromTemplate(this, AboutTemplate(deliverable.aboutDialog, deliverable.aboutIds));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    if (auto* ok = qobject_cast<QPushButton*>(GetDlgItem(1)))
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    OnInitDialog();
}

void CAboutDlg::OnInitDialog() {
    const CopyrightInfo info = ReadCopyrightInfo(m_deliverable.copyrightSection);
    const AboutIds& ids = m_deliverable.aboutIds;
    const struct {
        const std::string& text;
        int id;
    } lines[] = {{info.name, ids.name},
                 {info.version, ids.version},
                 {info.copyright1, ids.copyright1},
                 {info.copyright2, ids.copyright2}};
    for (const auto& line : lines) SetStaticText(qobject_cast<QLabel*>(GetDlgItem(line.id)), FromCp932(line.text));
    if (QWidget* ok = GetDlgItem(1)) ok->setFocus();
}
