// Plots of any quantity in the real window: the dialog's series, the values of the orbital
// elements, a period read off an exported curve, Kepler's third law over several planets, the
// exports, and the recording shown in the status bar.
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <numbers>
#include <sstream>

#include "UiTestSupport.h"
#include "engine/SimulationData.h"
#include "ui/extras/PlotDialog.h"
#include "ui/extras/PlotWindow.h"

namespace kinetra::ui::test {
namespace {

const std::string ExamplesFolder = std::string(KINETRA_TEST_DATA) + "/../../examples";

class Plots : public TFreshSessionFormTest {
protected:
    QString PathOf(const QString& name) const { return Dir.filePath(name); }
    // Options > Plot... with the dialog filled by `fill`; the new plot window.
    TfrmPlot* OpenPlot(const std::function<void(TfrmPlotChoice&)>& fill) {
        Prompts->OnExecDialog = [fill](QDialog& dialog) {
            fill(dynamic_cast<TfrmPlotChoice&>(dialog));
            return int(QDialog::Accepted);
        };
        const std::size_t before = Form->Plots().size();
        Form->Controls().mmiPlot->trigger();
        Prompts->OnExecDialog = nullptr;
        return Form->Plots().size() == before + 1 ? Form->Plots().back() : nullptr;
    }
    QTemporaryDir Dir;
};

// a, e and T of a body about another under the pair's own inverse-square force, in 3 and 26
// dimensions, with charges; none for another power.
TEST_F(Plots, OrbitalElementsFollowTheSetupsForceLaw) {
    struct TCase {
        int Dims;
        double Speed;  // times the circular speed, at r = 2 perpendicular to r
        double Charge;
    };
    for (const TCase& c : {TCase{3, 1, 0}, TCase{3, 0.8, 0}, TCase{26, 0.8, 0}, TCase{3, 0.8, 0.5}}) {
        SCOPED_TRACE(testing::Message() << c.Dims << " dims, speed " << c.Speed << ", charge " << c.Charge);
        MakeSetup(c.Dims, {{"Sun", {0}, {0}, 2}, {"Planet", {2}, {0}, 1}});
        Sim().Force->SetCoulombCoeff(c.Charge != 0 ? 1 : 0);
        Sim().Particles.Particles(0).SetCharge(c.Charge);
        Sim().Particles.Particles(1).SetCharge(c.Charge);
        const double mu = (Sim().Force->GravConstant() - c.Charge * c.Charge / 2) * 3;  // C (m1 + m2)
        const double speed = c.Speed * std::sqrt(mu / 2);
        Sim().Particles.Particles(1).Velocity[c.Dims - 1] = speed;
        const double v2 = speed * speed;
        const double a = 1 / (2 / 2.0 - v2 / mu);
        TQuantityProbe probe(Sim(), std::nullopt);
        EXPECT_NEAR(probe.Value({TQuantityKind::SemiMajorAxis, 1, 0}), a, 1e-12);
        // Starting at apoapsis; near 0 the square root magnifies the rounding.
        EXPECT_NEAR(probe.Value({TQuantityKind::Eccentricity, 1, 0}), 2 / a - 1, 1e-7);
        EXPECT_NEAR(probe.Value({TQuantityKind::Period, 1, 0}),
                    2 * std::numbers::pi * std::sqrt(a * a * a / mu), 1e-10);
        EXPECT_NEAR(probe.Value({TQuantityKind::Distance, 1, 0, 0, true}), std::log10(2.0), 1e-15);
    }
    // Another power: no orbital elements, in the values or the dialog.
    Sim().Force->SetPower(-3);
    EXPECT_TRUE(std::isnan(TQuantityProbe(Sim(), std::nullopt).Value({TQuantityKind::Period, 1, 0})));
    TfrmPlotChoice choice(Sim(), 1, Form.get());
    EXPECT_EQ(choice.X.Kind->findData(static_cast<int>(TQuantityKind::Period)), -1);
}

// The Planet's distance to the Sun against the time: the exported curve's minima lie one
// period apart, within a step.
TEST_F(Plots, DistanceCurveShowsTheOrbitsPeriod) {
    Open(ExamplesFolder + "/SunPlanet.knx");
    const double period = TQuantityProbe(Sim(), std::nullopt).Value({TQuantityKind::Period, 1, 0});
    TfrmPlot* plot = OpenPlot([](TfrmPlotChoice& choice) {
        choice.Y.SetQuantity({TQuantityKind::Distance, 1, 0});
        choice.X.SetQuantity({TQuantityKind::Time});
    });
    ASSERT_NE(plot, nullptr);
    EXPECT_EQ(plot->windowTitle(), QStringLiteral("Plot: Distance Planet - Sun"));
    RunWhile([&] {
        if (Sim().Time < 2.6 * period) return true;
        Form->Controls().mmiPause->trigger();
        return false;
    });
    Prompts->SaveNames.push_back(PathOf("distance.csv"));
    emit plot->exportRequested(QStringLiteral("csv"));
    QFile file(PathOf("distance.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::istringstream in(file.readAll().toStdString());
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "Time,Distance Planet - Sun");
    std::vector<double> t, d;
    while (std::getline(in, line)) {
        const auto comma = line.find(',');
        t.push_back(std::stod(line.substr(0, comma)));
        d.push_back(std::stod(line.substr(comma + 1)));
    }
    ASSERT_GT(t.size(), 100u);
    const double step = t[1] - t[0];
    std::vector<double> minima;
    for (std::size_t i = 1; i + 1 < d.size(); ++i)
        if (d[i] < d[i - 1] && d[i] <= d[i + 1]) minima.push_back(t[i]);
    ASSERT_GE(minima.size(), 2u);
    for (std::size_t i = 1; i < minima.size(); ++i) EXPECT_NEAR(minima[i] - minima[i - 1], period, step);
}

// log T against log a of every planet about the Sun: Kepler's third law, slope 1.5.
TEST_F(Plots, KeplersThirdLawHasSlopeThreeHalves) {
    Open(ExamplesFolder + "/InnerSolarSystem.knx");
    TfrmPlot* plot =
        OpenPlot([](TfrmPlotChoice& choice) { choice.KeplerSeries(HeaviestOther(choice.Sim(), -1)); });
    ASSERT_NE(plot, nullptr);
    for (int i = 0; i < 3; ++i) Form->Controls().mmiStep->trigger();
    const TPlotHistory& history = plot->History();
    ASSERT_EQ(history.Series(), Sim().Particles.Count() - 1);
    ASSERT_GE(history.Series(), 3);
    EXPECT_EQ(history.Count(), 4);
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    const int n = history.Series();
    for (int s = 0; s < n; ++s) {
        const double x = history.LastX(s), y = history.LastY(s);
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    EXPECT_NEAR(slope, 1.5, 1e-3);
}

// Opened after steps it did not see, a plot begins at the present. Exports are written whole:
// the PNG is the picture, the SVG an SVG; a target that cannot be written is reported and
// leaves nothing behind. Closing the window ends its sampling.
TEST_F(Plots, OpenedLateExportsAndClosing) {
    Open(ExamplesFolder + "/SunPlanet.knx");
    for (int i = 0; i < 5; ++i) Form->Controls().mmiStep->trigger();
    const double openedAt = Sim().Time;
    TfrmPlot* plot = OpenPlot([](TfrmPlotChoice& choice) {
        choice.Y.SetQuantity({TQuantityKind::Speed, 1, 0});
        choice.AddSeries();
        choice.Y.SetQuantity({TQuantityKind::Coordinate, 1, 0, 1});
        choice.AddSeries();
    });
    ASSERT_NE(plot, nullptr);
    EXPECT_EQ(plot->History().Series(), 2);
    for (int i = 0; i < 20; ++i) Form->Controls().mmiStep->trigger();
    EXPECT_EQ(plot->History().Buckets().front().FirstTime, openedAt);
    EXPECT_EQ(plot->History().Count(), 21);
    plot->resize(500, 360);
    for (const char* format : {"png", "svg"}) {
        Prompts->SaveNames.push_back(PathOf(QStringLiteral("plot.") + QString::fromLatin1(format)));
        emit plot->exportRequested(QString::fromLatin1(format));
    }
    EXPECT_EQ(QImage(PathOf("plot.png")), plot->Picture());
    QFile svg(PathOf("plot.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(svg.readAll().contains("<svg"));
    Prompts->SaveNames.push_back(PathOf("missing/plot.csv"));
    emit plot->exportRequested(QStringLiteral("csv"));
    EXPECT_EQ(Prompts->Errors.size(), 1u);
    EXPECT_FALSE(QFile::exists(PathOf("missing/plot.csv")));

    plot->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Form->Plots().empty());
    Form->Controls().mmiStep->trigger();  // nothing samples into the closed window
}

// While a CSV recording goes on the status bar says so and the menu item is checked; stopping
// says how many records were written.
TEST_F(Plots, RecordingIsShownInTheStatusBar) {
    Open(ExamplesFolder + "/SunPlanet.knx");
    Prompts->SaveNames.push_back(PathOf("run.csv"));
    Form->Controls().mmiRecordCsv->trigger();
    EXPECT_TRUE(Form->Controls().mmiRecordCsv->isChecked());
    EXPECT_EQ(Form->StatusNote(), QStringLiteral("\u25CF CSV run.csv"));
    for (int i = 0; i < 3; ++i) Form->Controls().mmiStep->trigger();
    Form->Controls().mmiRecordCsv->trigger();
    EXPECT_FALSE(Form->Controls().mmiRecordCsv->isChecked());
    EXPECT_EQ(Form->StatusNote(), QString());
    EXPECT_EQ(Form->StatusHint(), QStringLiteral("Recording stopped: 4 records written to run.csv"));
}

}  // namespace
}  // namespace kinetra::ui::test
