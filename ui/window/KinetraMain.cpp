// Program start: the toolkit, the title "Kinetra", "." as the decimal separator for every
// number whatever the user's locale, the main window maximised. A setup named on the command
// line (how a file manager hands a file over) is opened as the Open command would; --version
// and --help print their text and end.
#include "ui/window/KinetraMain.h"

#include <QApplication>
#include <QLocale>
#include <QMetaObject>
#include <QScreen>
#include <QStringList>
#include <clocale>
#include <cstdio>
#include <cstring>

#include "base/KNConst.h"
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
    // Answered before the toolkit starts, so that they work without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("kinetra %s\n", kinetra::ProgramVersion);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf(
            "Usage: kinetra [SETUP.knx]\n"
            "Opens the desktop simulator, with the setup if one is named.\n"
            "  --help     this text\n"
            "  --version  the program's version\n"
            "The headless tool is kinetra-batch (kinetra-batch --help).\n");
        return 0;
    }
    return kinetra::ui::RunKinetra(argc, argv);
}
