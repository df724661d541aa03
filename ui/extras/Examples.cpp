// Finding the bundled example setups.
#include "ui/extras/Examples.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "base/KNConst.h"

namespace kinetra::ui {

QStringList ExampleFolders() {
    QStringList folders;
    folders << QDir::cleanPath(QCoreApplication::applicationDirPath() +
                               QStringLiteral("/../share/kinetra/examples"));
#ifdef KINETRA_EXAMPLES_DIR
    folders << QDir::cleanPath(QStringLiteral(KINETRA_EXAMPLES_DIR));
#endif
    return folders;
}

QList<TExampleSetup> ExamplesIn(const QString& folder) {
    QList<TExampleSetup> examples;
    const QDir dir(folder);
    if (!dir.exists()) return examples;
    const QString pattern = QStringLiteral("*") + QString::fromUtf8(SetupExtension);
    const QFileInfoList files =
        dir.entryInfoList({pattern}, QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& file : files) examples.append({file.completeBaseName(), file.absoluteFilePath()});
    return examples;
}

QList<TExampleSetup> FindExamples() {
    for (const QString& folder : ExampleFolders()) {
        QList<TExampleSetup> examples = ExamplesIn(folder);
        if (!examples.isEmpty()) return examples;
    }
    return {};
}

}  // namespace kinetra::ui
