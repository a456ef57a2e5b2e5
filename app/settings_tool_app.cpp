#include "app/settings_tool_app.h"

#include <QIcon>

#include "app/maintenance_dlg.h"
#include "app/termination_watch.h"
#include "cli/cli_main.h"
#include "dialogs/dialog_units.h"
#include "dialogs/message_box.h"
#include "resources/deliverable.h"

void PrepareApplication(const Deliverable& deliverable) {
    InstallFontSubstitutions();
    SetApplicationCaption(QString::fromUtf8(deliverable.programName));
    QApplication::setApplicationName(QString::fromUtf8(deliverable.programName));
    QApplication::setWindowIcon(QIcon(QString::fromUtf8(ApplicationIconPath())));
#ifdef DESKTOP_ID_PREFIX
    // Lets the desktop match the window to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(DESKTOP_ID_PREFIX ".") +
                                        QString::fromUtf8(deliverable.programName).toLower());
#endif
}

CSettingsToolApp::CSettingsToolApp(int& argc, char** argv, const Deliverable& deliverable)
    : m_app(argc, argv), m_deliverable(deliverable) {
    PrepareApplication(deliverable);
}

bool CSettingsToolApp::InitInstance() {
    CMaintenanceDlg dialog(m_deliverable);
    // SIGTERM and SIGHUP stop a transfer safely before the dialog closes.
    TerminationWatch watch;
    QObject::connect(&watch, &TerminationWatch::requested, &dialog, &CMaintenanceDlg::OnTerminationRequest);
    dialog.DoModal();
    // The program ends when the dialog has closed.
    return false;
}

int CSettingsToolApp::Run() {
    InitInstance();
    return 0;
}

int RunSettingsTool(int argc, char** argv, const Deliverable& deliverable) {
    const CliProgram program{deliverable.programName, deliverable.productName, deliverable.files};
    if (IsCliInvocation(argc, argv)) return RunCli(argc, argv, program);
    if (!DialogHasDisplay(argc, argv)) return ExplainNoDisplay(program);
    CSettingsToolApp app(argc, argv, deliverable);
    return app.Run();
}
