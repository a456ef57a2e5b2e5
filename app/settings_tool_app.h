// The application: runs the main dialog modally and ends when it closes.
#pragma once

#include <QApplication>

struct Deliverable;

class CSettingsToolApp {
public:
    CSettingsToolApp(int& argc, char** argv, const Deliverable& deliverable);
    // Runs InitInstance; the program's exit code.
    int Run();
    bool InitInstance();

private:
    QApplication m_app;
    const Deliverable& m_deliverable;
};

// What every executable does before the first window: fonts, names, icon.
void PrepareApplication(const Deliverable& deliverable);

// A program's whole run, its main in one call: a subcommand or an option runs the
// command line, before any window system is touched; else the dialog opens. The
// process exit code.
int RunSettingsTool(int argc, char** argv, const Deliverable& deliverable);
