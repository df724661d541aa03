// The help window: a text browser on the guide page and a Close button.
#include "ui/extras/HelpWindow.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// The guide's resources live in a static library, whose registration the linker would drop
// as unreferenced; Q_INIT_RESOURCE must be called outside any namespace.
static void InitHelpResources() {
    Q_INIT_RESOURCE(help);
}

namespace kinetra::ui {

THelpWindow::THelpWindow(QWidget* parent) : QDialog(parent), FBrowser(new QTextBrowser(this)) {
    InitHelpResources();
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Kinetra help"));
    setModal(false);
    FBrowser->setObjectName(QStringLiteral("memHelp"));
    // Links into the guide stay in the browser; a web address opens in the user's browser.
    FBrowser->setOpenLinks(true);
    FBrowser->setOpenExternalLinks(true);
    FBrowser->setSource(QUrl(GuideUrl()));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("btnClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { close(); });
    // Closed, the keyboard goes back to the window the help was opened from.
    connect(this, &QDialog::finished, this, [this] {
        if (QWidget* owner = parentWidget()) owner->activateWindow();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FBrowser);
    layout->addWidget(buttons);
    resize(720, 640);
}

void THelpWindow::ShowAt(const QString& anchor) {
    show();
    raise();
    activateWindow();
    if (!anchor.isEmpty()) FBrowser->scrollToAnchor(anchor);
}

}  // namespace kinetra::ui
