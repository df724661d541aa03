// The option dialogs of the exports (see ExportDialogs.h).
#include "ui/extras/ExportDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kinetra::ui {

namespace {

QSpinBox* NewSpin(int minimum, int maximum, int value) {
    auto* spin = new QSpinBox;
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    return spin;
}

QGroupBox* NewBurninGroup(TBurninControls& c, bool on) {
    auto* group = new QGroupBox(QStringLiteral("Burned in"));
    auto* form = new QFormLayout(group);
    const auto box = [&](const char* caption) {
        auto* check = new QCheckBox(QString::fromUtf8(caption));
        check->setChecked(on);
        form->addRow(check);
        return check;
    };
    c.cbTime = box("&Time");
    c.edTimeUnit = new QLineEdit;
    c.edTimeUnit->setPlaceholderText(QStringLiteral("none"));
    form->addRow(QStringLiteral("Time &unit:"), c.edTimeUnit);
    c.cbNames = box("&Names of the particles");
    c.cbScaleBar = box("&Scale bar");
    c.cbMethod = box("&Method and time step");
    c.cbLegend = box("&Arrows and their legend");
    return group;
}

TBurnins ReadBurnins(const TBurninControls& c) {
    TBurnins b;
    b.Time = c.cbTime->isChecked();
    b.Names = c.cbNames->isChecked();
    b.ScaleBar = c.cbScaleBar->isChecked();
    b.Method = c.cbMethod->isChecked();
    b.Legend = c.cbLegend->isChecked();
    b.TimeUnit = c.edTimeUnit->text().trimmed();
    return b;
}

QDialogButtonBox* NewButtons(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

constexpr int LargestSide = 8192;

}  // namespace

TfrmExportImage::TfrmExportImage(QSize windowSize, QWidget* parent)
    : QDialog(parent), WindowSize(windowSize) {
    setWindowTitle(QStringLiteral("Export image"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    cbSize = new QComboBox;
    cbSize->addItems({QStringLiteral("Window size (%1x%2)").arg(windowSize.width()).arg(windowSize.height()),
                      QStringLiteral("2x (%1x%2)").arg(2 * windowSize.width()).arg(2 * windowSize.height()),
                      QStringLiteral("1920x1080"), QStringLiteral("Other size")});
    form->addRow(QStringLiteral("Si&ze:"), cbSize);
    edWidth = NewSpin(16, LargestSide, std::max(16, windowSize.width()));
    edHeight = NewSpin(16, LargestSide, std::max(16, windowSize.height()));
    form->addRow(QStringLiteral("&Width:"), edWidth);
    form->addRow(QStringLiteral("&Height:"), edHeight);
    const auto follow = [this](int index) {
        edWidth->setEnabled(index == 3);
        edHeight->setEnabled(index == 3);
    };
    connect(cbSize, &QComboBox::currentIndexChanged, this, follow);
    follow(0);
    layout->addLayout(form);
    // Off at first: the plain picture of the drawing area, as the window shows it.
    layout->addWidget(NewBurninGroup(*this, false));
    layout->addWidget(NewButtons(this));
}

TBurnins TfrmExportImage::Burnins() const {
    return ReadBurnins(*this);
}

QSize TfrmExportImage::PictureSize() const {
    switch (cbSize->currentIndex()) {
        case 0:
            return WindowSize;
        case 1:
            return 2 * WindowSize;
        case 2:
            return {1920, 1080};
        default:
            return {edWidth->value(), edHeight->value()};
    }
}

double TfrmExportImage::Factor() const {
    return cbSize->currentIndex() == 1 ? 2.0 : 1.0;
}

TfrmExportAnimation::TfrmExportAnimation(QSize windowSize, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Export animation"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    rbCurrent = new QRadioButton(QStringLiteral("From the &current state"));
    rbStart = new QRadioButton(QStringLiteral("From time &0"));
    rbCurrent->setChecked(true);
    form->addRow(rbCurrent);
    form->addRow(rbStart);
    edSteps = NewSpin(1, 1000000000, 300);
    edEvery = NewSpin(1, 1000000000, 1);
    edFps = NewSpin(1, 240, 25);
    // The video formats need even sides.
    edWidth = NewSpin(16, LargestSide, std::max(16, windowSize.width() & ~1));
    edHeight = NewSpin(16, LargestSide, std::max(16, windowSize.height() & ~1));
    form->addRow(QStringLiteral("Displayed &steps:"), edSteps);
    form->addRow(QStringLiteral("A picture &every K-th step, K:"), edEvery);
    form->addRow(QStringLiteral("&Frames per second:"), edFps);
    form->addRow(QStringLiteral("&Width:"), edWidth);
    form->addRow(QStringLiteral("&Height:"), edHeight);
    layout->addLayout(form);
    layout->addWidget(NewBurninGroup(*this, true));
    layout->addWidget(NewButtons(this));
}

TBurnins TfrmExportAnimation::Burnins() const {
    return ReadBurnins(*this);
}

bool TfrmExportAnimation::FromStart() const {
    return rbStart->isChecked();
}

int TfrmExportAnimation::Steps() const {
    return edSteps->value();
}

int TfrmExportAnimation::Every() const {
    return edEvery->value();
}

int TfrmExportAnimation::FramesPerSecond() const {
    return edFps->value();
}

QSize TfrmExportAnimation::Size() const {
    return {edWidth->value(), edHeight->value()};
}

}  // namespace kinetra::ui
