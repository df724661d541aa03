// Program start: the toolkit, the title "Kinetra", "." as the decimal separator for every
// number whatever the user's locale, the main window maximised. A setup named on the command
// line (how a file manager hands a file over) is opened as the Open command would.
#include "ui/window/KinetraMain.h"

#include <QApplication>
#include <QLocale>
#include <QMetaObject>
#include <QScreen>
#include <QStringList>
#include <clocale>

#include "engine/KNConst.h"
#include "ui/window/SimMain.h"
#include "ui/window/ToolIcons.h"

int kinetra::ui::RunKinetra(int& argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kinetra::ProgramTitle));
    QApplication::setApplicationVersion(QString::fromUtf8(kinetra::ProgramVersion));
    QApplication::setWindowIcon(kinetra::ui::ProgramIcon());
    // QApplication has just taken the user's locale for the C library; numbers must not follow it.
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");

    kinetra::ui::TSimForm form;
    if (form.RestoreWindowGeometry()) {
        // Where the user left it last time (maximised again if it was).
        form.show();
    } else {
        // Without a window manager "maximised" means nothing: start at the screen's size anyway.
        // The normal size is the whole screen too: a desktop without a window manager does not
        // maximise, and leaving maximised state then keeps a useful size.
        if (const QScreen* screen = form.screen()) form.resize(screen->availableGeometry().size());
        form.showMaximized();
    }

    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        const QString setup = arguments.at(1);
        // Queued, so that the window has its final size when the setup is drawn.
        QMetaObject::invokeMethod(
            &form, [&form, setup] { form.Guard([&form, setup] { form.OpenSetup(setup); }); },
            Qt::QueuedConnection);
    }
    return QApplication::exec();
}

int main(int argc, char* argv[]) {
    return kinetra::ui::RunKinetra(argc, argv);
}
