// The window tests need one QApplication; without a display they use the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <clocale>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The windows remember recent files and their geometry: in a folder of the tests' own.
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    // CTest runs test processes side by side: each keeps its settings in a folder of its own,
    // so that no two of them write the same settings file at once.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    QApplication::setApplicationName(QStringLiteral("Kinetra"));
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
