// The example setups that come with the program: installed beside it in
// <prefix>/share/kinetra/examples (the executable being in <prefix>/bin), and, for a program
// run from its build folder, the examples folder of the sources.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kinetra::ui {

struct TExampleSetup {
    QString Name;  // the file name without ".knx", as the menu shows it
    QString Path;  // absolute
};

// The folders looked at, in order: the installed one, then the sources' (when the program was
// built with one).
QStringList ExampleFolders();
// The setups of the first of those folders that holds any, sorted by name without regard to
// case; empty when none is found.
QList<TExampleSetup> FindExamples();
// The same for one folder.
QList<TExampleSetup> ExamplesIn(const QString& folder);

}  // namespace kinetra::ui
