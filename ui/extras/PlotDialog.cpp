// The "Plot" dialog.
#include "ui/extras/PlotDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "engine/SimulationData.h"
#include "ui/document/UiText.h"

namespace kinetra::ui {

int HeaviestOther(const TSimData& sim, int body) {
    int heaviest = -1;
    for (int j = 0; j < sim.Particles.Count(); ++j)
        if (j != body &&
            (heaviest < 0 || sim.Particles.Particles(j).Mass > sim.Particles.Particles(heaviest).Mass))
            heaviest = j;
    return heaviest;
}

TQuantityFields::TQuantityFields(const TSimData& sim, QWidget* parent)
    : Kind(new QComboBox(parent)),
      Body(new QComboBox(parent)),
      Other(new QComboBox(parent)),
      Axis(new QSpinBox(parent)),
      Log(new QCheckBox(QStringLiteral("log10"), parent)) {
    // Orbital elements only where the force makes orbits conics.
    for (const TQuantityKind kind : QuantityKinds())
        if (!IsOrbitalElement(kind) || InverseSquare(sim))
            Kind->addItem(KindName(kind), static_cast<int>(kind));
    for (int j = 0; j < sim.Particles.Count(); ++j) {
        Body->addItem(ToQ(sim.Particles.Particles(j).Name));
        Other->addItem(ToQ(sim.Particles.Particles(j).Name));
    }
    Axis->setRange(1, std::max(1, sim.Dimensions));
    Axis->setPrefix(QStringLiteral("axis "));
    QObject::connect(Kind, &QComboBox::currentIndexChanged, parent, [this] { KindChanged(); });
    KindChanged();
}

TPlotQuantity TQuantityFields::Quantity() const {
    TPlotQuantity q;
    q.Kind = static_cast<TQuantityKind>(Kind->currentData().toInt());
    q.Body = Body->currentIndex();
    q.Other = Other->currentIndex();
    q.Axis = Axis->value() - 1;
    q.Log = Log->isChecked();
    return q;
}

void TQuantityFields::SetQuantity(const TPlotQuantity& q) {
    Kind->setCurrentIndex(std::max(0, Kind->findData(static_cast<int>(q.Kind))));
    Body->setCurrentIndex(q.Body);
    Other->setCurrentIndex(q.Other);
    Axis->setValue(q.Axis + 1);
    Log->setChecked(q.Log);
}

void TQuantityFields::KindChanged() {
    const auto kind = static_cast<TQuantityKind>(Kind->currentData().toInt());
    Body->setEnabled(NeedsBody(kind));
    Other->setEnabled(NeedsOther(kind));
    Axis->setEnabled(kind == TQuantityKind::Coordinate);
}

TfrmPlotChoice::TfrmPlotChoice(const TSimData& sim, int body, QWidget* parent)
    : QDialog(parent), X(sim, this), Y(sim, this), SeriesList(new QListWidget(this)), FSim(sim) {
    setWindowTitle(QStringLiteral("Plot"));
    auto* grid = new QGridLayout;
    const auto row = [grid, this](int r, const QString& caption, TQuantityFields& fields) {
        grid->addWidget(new QLabel(caption, this), r, 0);
        grid->addWidget(fields.Kind, r, 1);
        grid->addWidget(fields.Body, r, 2);
        grid->addWidget(fields.Other, r, 3);
        grid->addWidget(fields.Axis, r, 4);
        grid->addWidget(fields.Log, r, 5);
    };
    row(0, QStringLiteral("Plot:"), Y);
    row(1, QStringLiteral("Against:"), X);

    auto* add = new QPushButton(QStringLiteral("&Add series"), this);
    auto* remove = new QPushButton(QStringLiteral("&Remove"), this);
    auto* kepler = new QPushButton(QStringLiteral("&Kepler's third law"), this);
    connect(add, &QPushButton::clicked, this, &TfrmPlotChoice::AddSeries);
    connect(remove, &QPushButton::clicked, this, [this] {
        const int r = SeriesList->currentRow();
        if (r < 0) return;
        FSeries.erase(FSeries.begin() + r);
        delete SeriesList->takeItem(r);
    });
    connect(kepler, &QPushButton::clicked, this, [this] { KeplerSeries(HeaviestOther(FSim, -1)); });
    kepler->setEnabled(InverseSquare(sim) && sim.Particles.Count() >= 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addWidget(kepler);
    buttons->addStretch();

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->addWidget(SeriesList);
    if (!InverseSquare(sim))
        layout->addWidget(new QLabel(
            QStringLiteral("Orbital elements are offered only for an inverse-square force (power -2)."),
            this));
    layout->addWidget(box);

    TPlotQuantity y;
    if (body >= 0 && HeaviestOther(sim, body) >= 0) {
        y.Kind = TQuantityKind::Distance;
        y.Body = body;
        y.Other = HeaviestOther(sim, body);
    } else {
        y.Kind = TQuantityKind::Total;
    }
    Y.SetQuantity(y);
    X.SetQuantity(TPlotQuantity{});
}

void TfrmPlotChoice::AddSeries() {
    TPlotSeries series;
    series.X = X.Quantity();
    series.Y = Y.Quantity();
    if (!Fits(series.X, FSim) || !Fits(series.Y, FSim)) return;
    series.Colour = SeriesColour(static_cast<int>(FSeries.size()));
    FSeries.push_back(series);
    SeriesList->addItem(QuantityName(series.Y, FSim) + QStringLiteral("  against  ") +
                        QuantityName(series.X, FSim));
}

void TfrmPlotChoice::KeplerSeries(int centre) {
    if (centre < 0) return;
    for (int j = 0; j < FSim.Particles.Count(); ++j) {
        if (j == centre) continue;
        X.SetQuantity({TQuantityKind::SemiMajorAxis, j, centre, 0, true});
        Y.SetQuantity({TQuantityKind::Period, j, centre, 0, true});
        AddSeries();
    }
}

TPlotConfig TfrmPlotChoice::Config() const {
    TPlotConfig config;
    config.Series = FSeries;
    if (config.Series.empty()) {
        TPlotSeries series;
        series.X = X.Quantity();
        series.Y = Y.Quantity();
        series.Colour = SeriesColour(0);
        if (Fits(series.X, FSim) && Fits(series.Y, FSim)) config.Series.push_back(series);
    }
    if (config.Series.size() == 1)
        config.Title = QStringLiteral("Plot: ") + QuantityName(config.Series[0].Y, FSim);
    return config;
}

}  // namespace kinetra::ui
