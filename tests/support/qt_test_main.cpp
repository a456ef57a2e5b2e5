// Test main for the widget tests: one QApplication, offscreen unless told otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdlib>
#include <ostream>

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        QString dir = QDir::tempPath() + "/stt-runtime";
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        setenv("XDG_RUNTIME_DIR", dir.toLocal8Bit().constData(), 1);
    }
    // The program keeps restore points and reads its settings under the user's
    // folders: tests use their own, never the user's.
    QString home = QDir::tempPath() + QStringLiteral("/stt-home-%1").arg(QCoreApplication::applicationPid());
    QDir(home).removeRecursively();
    QDir().mkpath(home);
    setenv("XDG_DATA_HOME", (home + "/data").toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/config").toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    QDir(home).removeRecursively();
    return result;
}
