// What the program remembers from one session to the next, in the user's settings: the setups
// opened or saved last, the main window's place and size, the pace of a run, and the folder the
// file dialogs showed last. Nothing of it belongs to a setup; losing it loses nothing but convenience.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kinetra::ui {

class TSession {
public:
    static constexpr int MaxRecentFiles = 8;

    // Most recent first, absolute names, no name twice.
    static QStringList RecentFiles();
    // Puts the file first in the list (moving it there if it is listed), keeping at most
    // MaxRecentFiles; also remembers its folder as the last folder.
    static void AddRecentFile(const QString& fileName);
    static void RemoveRecentFile(const QString& fileName);

    static QByteArray WindowGeometry();
    static void SetWindowGeometry(const QByteArray& geometry);

    // The run's pace as steps per second (0: full speed); `fallback` when none is remembered.
    static int PaceStepsPerSecond(int fallback);
    static void SetPaceStepsPerSecond(int stepsPerSecond);

    // The folder the file dialogs start in; empty when none is remembered or it is gone.
    static QString LastFolder();
    static void SetLastFolder(const QString& folder);

    // A remembered on/off choice of the window (the marks over the scene, the notes pane), under
    // `key`; `fallback` when none is remembered.
    static bool Flag(const QString& key, bool fallback);
    static void SetFlag(const QString& key, bool value);
    // A remembered word of the window (such as the units shown), under `key`.
    static QString Word(const QString& key, const QString& fallback);
    static void SetWord(const QString& key, const QString& value);

    // Forgets everything (for tests).
    static void Clear();
};

}  // namespace kinetra::ui
