// The session settings, kept with QSettings under the program's name.
#include "ui/extras/Session.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "base/KNConst.h"

namespace kinetra::ui {

namespace {

const QString KeyRecent = QStringLiteral("RecentFiles");
const QString KeyGeometry = QStringLiteral("MainWindow/Geometry");
const QString KeyPace = QStringLiteral("Run/StepsPerSecond");
const QString KeyFolder = QStringLiteral("FileDialogs/LastFolder");

// Not QSettings(): without an organisation name Qt would file the settings under "Unknown
// Organization".
QSettings Settings() {
    return QSettings(QString::fromUtf8(ProgramTitle), QString::fromUtf8(ProgramTitle));
}

QString Canonical(const QString& fileName) {
    return QDir::cleanPath(QFileInfo(fileName).absoluteFilePath());
}

}  // namespace

QStringList TSession::RecentFiles() {
    QStringList files = Settings().value(KeyRecent).toStringList();
    files.removeAll(QString());
    files.removeDuplicates();
    while (files.size() > MaxRecentFiles) files.removeLast();
    return files;
}

void TSession::AddRecentFile(const QString& fileName) {
    if (fileName.isEmpty()) return;
    const QString name = Canonical(fileName);
    QStringList files = RecentFiles();
    files.removeAll(name);
    files.prepend(name);
    while (files.size() > MaxRecentFiles) files.removeLast();
    QSettings settings = Settings();
    settings.setValue(KeyRecent, files);
    settings.setValue(KeyFolder, QFileInfo(name).absolutePath());
}

void TSession::RemoveRecentFile(const QString& fileName) {
    QStringList files = RecentFiles();
    if (files.removeAll(Canonical(fileName)) > 0) Settings().setValue(KeyRecent, files);
}

QByteArray TSession::WindowGeometry() {
    return Settings().value(KeyGeometry).toByteArray();
}

void TSession::SetWindowGeometry(const QByteArray& geometry) {
    Settings().setValue(KeyGeometry, geometry);
}

int TSession::PaceStepsPerSecond(int fallback) {
    bool ok = false;
    const int rate = Settings().value(KeyPace).toInt(&ok);
    return ok && rate >= 0 ? rate : fallback;
}

void TSession::SetPaceStepsPerSecond(int stepsPerSecond) {
    Settings().setValue(KeyPace, stepsPerSecond);
}

QString TSession::LastFolder() {
    const QString folder = Settings().value(KeyFolder).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void TSession::SetLastFolder(const QString& folder) {
    if (!folder.isEmpty()) Settings().setValue(KeyFolder, QDir::cleanPath(folder));
}

bool TSession::Flag(const QString& key, bool fallback) {
    return Settings().value(QStringLiteral("Window/") + key, fallback).toBool();
}

void TSession::SetFlag(const QString& key, bool value) {
    Settings().setValue(QStringLiteral("Window/") + key, value);
}

QString TSession::Word(const QString& key, const QString& fallback) {
    return Settings().value(QStringLiteral("Window/") + key, fallback).toString();
}

void TSession::SetWord(const QString& key, const QString& value) {
    Settings().setValue(QStringLiteral("Window/") + key, value);
}

void TSession::Clear() {
    Settings().clear();
}

}  // namespace kinetra::ui
