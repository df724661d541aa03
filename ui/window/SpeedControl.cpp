// The speed control: a slider with one notch per pace level and the level's caption beside it.
#include "ui/window/SpeedControl.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <optional>

#include "ui/document/Pace.h"

namespace kinetra::ui {

namespace {

const char* const SpeedTip =
    "How fast the run goes: wait between steps (slow motion) up to Full speed; the numbers are the same at "
    "every speed";

}  // namespace

TSpeedControl::TSpeedControl(QWidget* parent)
    : QWidget(parent), sldSpeed(new QSlider(Qt::Horizontal, this)), lblCaption(new QLabel(this)) {
    auto* label = new QLabel(QStringLiteral("Speed:"), this);
    label->setBuddy(sldSpeed);
    sldSpeed->setObjectName(QStringLiteral("sldSpeed"));
    sldSpeed->setRange(0, TPace::LevelCount() - 1);
    sldSpeed->setSingleStep(1);
    sldSpeed->setPageStep(1);
    sldSpeed->setTickPosition(QSlider::TicksBelow);
    sldSpeed->setTickInterval(1);
    sldSpeed->setFocusPolicy(Qt::StrongFocus);
    sldSpeed->setFixedWidth(std::max(sldSpeed->sizeHint().width(), 12 * TPace::LevelCount()));
    sldSpeed->setAccessibleName(QStringLiteral("Speed"));
    lblCaption->setObjectName(QStringLiteral("lblSpeedCaption"));
    // As wide as the widest caption, with an achieved rate of as many digits, so that the
    // status bar does not shift while sliding or while the rate is told.
    int captionWidth = 0;
    for (int level = 0; level < TPace::LevelCount(); ++level) {
        const int rate = TPace::StepsPerSecond(level);
        // Full speed with a six-digit rate.
        const std::optional<double> reached = rate > 0 ? rate * 0.888 : 888888.0;
        captionWidth = std::max(captionWidth, lblCaption->fontMetrics().horizontalAdvance(
                                                  QString::fromStdString(TPace::Caption(level, reached))));
    }
    lblCaption->setMinimumWidth(captionWidth);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    // Never squeezed below its size: a squeezed layout would lay the caption over the slider.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    layout->addWidget(label);
    layout->addWidget(sldSpeed);
    layout->addWidget(lblCaption);
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(label),
                       static_cast<QWidget*>(sldSpeed), static_cast<QWidget*>(lblCaption)})
        w->setToolTip(QString::fromLatin1(SpeedTip));

    SetLevel(TPace::DefaultLevel());
    connect(sldSpeed, &QSlider::valueChanged, this, [this](int level) { SliderChanged(level); });
}

int TSpeedControl::Level() const {
    return sldSpeed->value();
}

void TSpeedControl::SetLevel(int level) {
    const QSignalBlocker block(sldSpeed);
    sldSpeed->setValue(level);
    lblCaption->setText(QString::fromStdString(TPace::Caption(sldSpeed->value())));
}

void TSpeedControl::StepBy(int delta) {
    // Through the slider, so that its clamping and signal are the ones the mouse gets.
    sldSpeed->setValue(sldSpeed->value() + delta);
}

void TSpeedControl::ShowReached(double stepsPerSecond) {
    const std::optional<double> reached =
        stepsPerSecond >= 0 ? std::optional<double>(stepsPerSecond) : std::nullopt;
    lblCaption->setText(QString::fromStdString(TPace::Caption(sldSpeed->value(), reached)));
}

void TSpeedControl::SliderChanged(int level) {
    lblCaption->setText(QString::fromStdString(TPace::Caption(level)));
    emit levelChanged(level);
}

}  // namespace kinetra::ui
