// The About box.
#include "ui/dialogs/KNAbout.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/KNConst.h"

namespace kinetra::ui {

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("About Kinetra"));
    lblTitle =
        new QLabel(QString::fromUtf8(ProgramTitle) + QChar(' ') + QString::fromUtf8(ProgramVersion), this);
    lblTitle->setAlignment(Qt::AlignCenter);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 12);
    layout->setSpacing(12);
    layout->addWidget(lblTitle);
    layout->addWidget(btnOK, 0, Qt::AlignCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmAbout::btnOKClick() {
    accept();
}

}  // namespace kinetra::ui
