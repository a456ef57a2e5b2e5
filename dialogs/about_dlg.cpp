#include "dialogs/about_dlg.h"

#include <QLabel>
#include <QPushButton>
#include <string>

#include "controls/qt_cp932.h"
#include "host/orbis_ini.h"
#include "platform/win32.h"
#include "resources/deliverable.h"

CAboutDlg::CAboutDlg(const Deliverable& deliverable, QWidget* parent)
    : QDialog(parent), m_deliverable(deliverable) {
    m_controls = BuildFromTemplate(this, deliverable.aboutDialog);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    if (auto* ok = qobject_cast<QPushButton*>(GetDlgItem(1))) connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    OnInitDialog();
}

void CAboutDlg::OnInitDialog() {
    std::string file;
    {
        OrbisIni ini;
        file = ini.GetOrbisSystemDataRootPath() + "\\Copyright.ini";
    }
    const AboutIds& ids = m_deliverable.aboutIds;
    const struct {
        const char* key;
        int id;
    } lines[] = {{"NAME", ids.name}, {"VERSION", ids.version}, {"COPYRIGHT1", ids.copyright1}, {"COPYRIGHT2", ids.copyright2}};
    for (const auto& line : lines) {
        // 256 bytes: at most 255 bytes of each value are shown.
        char buffer[256];
        GetPrivateProfileStringA(m_deliverable.copyrightSection, line.key, "", buffer, sizeof buffer, file.c_str());
        SetStaticText(qobject_cast<QLabel*>(GetDlgItem(line.id)), FromCp932(buffer));
    }
    if (QWidget* ok = GetDlgItem(1)) ok->setFocus();
}
