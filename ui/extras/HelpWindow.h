// "Kinetra help": the guide from the program's resources in a window of its own that stays
// open beside the main window while the user works.
#pragma once

#include <QDialog>
#include <QString>

class QTextBrowser;

namespace kinetra::ui {

class THelpWindow : public QDialog {
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // Shows (or raises) the window, at a section of the guide when an anchor is given
    // ("speed", "mouse", "options" ...), else where the reader left it.
    void ShowAt(const QString& anchor = {});

    QTextBrowser* Browser() const { return FBrowser; }

    static QString GuideUrl() { return QStringLiteral("qrc:/help/guide.html"); }

private:
    QTextBrowser* FBrowser;
};

}  // namespace kinetra::ui
