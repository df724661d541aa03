// The mouse over the drawing area and "Fit all": the wheel zooms about the point under the
// cursor, a drag pans, both are view changes; Fit all brings every visible particle on screen
// (also after opening a setup whose particles all lie off screen); resting over a particle shows
// its tool tip.
#include <QAction>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QTemporaryDir>
#include <QToolTip>

#include "UiTestSupport.h"

namespace kinetra::ui::test {
namespace {

class ViewMouse : public TFormTest {
protected:
    // Two bodies and a third nobody sees, far from the 1-pixel-per-unit view.
    void FarSetup() {
        MakeSetup(2, {{"A", {1000, 400}, {}, 1, 5},
                      {"B", {3000, -900}, {}, 1, 8},
                      {"Hidden", {1e6, 1e6}, {}, 1, 5, 1, false, true}});
    }
    bool OnScreen(int i) const {
        const TScreenPoint p =
            Form->Document().Frame().WorldToScreen(Form->Document().Sim().Particles.Particles(i).Position);
        return p.X >= 0 && p.X < 400 && p.Y >= 0 && p.Y < 300;
    }
};

TEST_F(ViewMouse, WheelZoomsAboutThePointUnderTheCursor) {
    struct TCase {
        std::vector<int> Deltas;  // one wheel event each
        double Factor;
    };
    const TCase cases[] = {{{120}, 2}, {{-120}, 0.5}, {{240}, 4}, {{60, 30}, 1}, {{60, 30, 30}, 2}};
    for (const TCase& c : cases) {
        MakeSetup(2, {{"A", {0, 0}, {}}, {"B", {30, 20}, {}}}, 2);
        TScreenFrame& frame = Form->Document().Frame();
        const QPoint at(70, 210);
        const double worldX = frame.ScreenToWorldX(at.x());
        const double worldY = frame.ScreenToWorldY(at.y());
        for (int delta : c.Deltas) Wheel(at, delta);
        EXPECT_DOUBLE_EQ(frame.Scale(), 2 * c.Factor);
        EXPECT_NEAR(frame.ScreenToWorldX(at.x()), worldX, 1e-9);
        EXPECT_NEAR(frame.ScreenToWorldY(at.y()), worldY, 1e-9);
        EXPECT_EQ(Modified(), c.Factor != 1);
    }
    // Without a setup the wheel does nothing.
    Form.reset();
    SetUp();
    const double scale = Form->Document().Frame().Scale();
    Wheel({10, 10}, 120);
    EXPECT_EQ(Form->Document().Frame().Scale(), scale);
}

TEST_F(ViewMouse, DragPansWithAClosedHandAndClearsTheTrails) {
    MakeSetup(2, {{"A", {0, 0}, {2000, 0}, 1, 5, 1, true}}, 1);
    const QImage& trails = *View().TrailImage();
    const auto uniform = [&] {
        for (int y = 0; y < trails.height(); ++y)
            for (int x = 0; x < trails.width(); ++x)
                if (trails.pixel(x, y) != trails.pixel(0, 0)) return false;
        return true;
    };
    for (int i = 0; i < 3; ++i) Form->Controls().mmiStep->trigger();
    ASSERT_FALSE(uniform());
    TScreenFrame& frame = Form->Document().Frame();
    const double worldX = frame.ScreenToWorldX(100);
    const double worldY = frame.ScreenToWorldY(100);
    Doc().ClearUndo(true);
    Mouse(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
    EXPECT_EQ(Area()->cursor().shape(), Qt::ClosedHandCursor);
    Mouse(QEvent::MouseMove, {130, 90}, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_NEAR(frame.ScreenToWorldX(130), worldX, 1e-9);
    // Moves within one pass of the event loop become one view change, at the latest on release.
    Mouse(QEvent::MouseMove, {140, 85}, Qt::LeftButton);
    Mouse(QEvent::MouseMove, {150, 80}, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, {150, 80}, Qt::NoButton);
    EXPECT_NE(Area()->cursor().shape(), Qt::ClosedHandCursor);
    EXPECT_NEAR(frame.ScreenToWorldX(150), worldX, 1e-9);
    EXPECT_NEAR(frame.ScreenToWorldY(80), worldY, 1e-9);
    EXPECT_TRUE(Modified());
    EXPECT_TRUE(uniform());
}

TEST_F(ViewMouse, FitAllPutsEveryVisibleParticleOnScreen) {
    FarSetup();
    ASSERT_FALSE(OnScreen(0) || OnScreen(1));
    QAction* fit = Form->Controls().mmiFitAll;
    EXPECT_EQ(fit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_EQ(fit->toolTip(), "Fit every visible particle on screen");
    EXPECT_TRUE(fit->isEnabled());
    fit->trigger();
    EXPECT_TRUE(OnScreen(0) && OnScreen(1));
    EXPECT_FALSE(OnScreen(2));
    EXPECT_TRUE(Modified());

    // An opened setup whose visible particles all lie off screen is fitted, and stays unchanged.
    QTemporaryDir dir;
    FarSetup();
    Prompts->SaveNames.push_back(dir.filePath("far.knx"));
    Form->Controls().mmiSaveAs->trigger();
    ASSERT_FALSE(Modified());
    Open(dir.filePath("far.knx").toStdString());
    ASSERT_EQ(RunState(), rsStopped);
    EXPECT_TRUE(OnScreen(0) && OnScreen(1));
    EXPECT_FALSE(Modified());
}

TEST_F(ViewMouse, HoverShowsTheTopmostVisibleParticle) {
    TParticleSeed a{"Low", {1.5, -2}, {0.25, 3}, 2, 10};
    TParticleSeed b{"Top", {1.7, -2}, {0, 0}, 0.125, 4};
    TParticleSeed hidden{"Hidden", {-5, 0}, {}, 1, 10, 1, false, true};
    MakeSetup(2, {a, b, hidden}, 20);
    Form->Document().Sim().Particles.Particles(0).SetCharge(-1.2345678);
    const TScreenPoint centre =
        Form->Document().Frame().WorldToScreen(Form->Document().Sim().Particles.Particles(0).Position);
    struct TCase {
        QPoint At;
        QString Tip;
    };
    const TCase cases[] = {
        {{centre.X + 4, centre.Y}, "Top\nmass: 0.125\ncharge: 0\nx = 1.7, y = -2\nvx = 0, vy = 0"},
        {{centre.X - 8, centre.Y}, "Low\nmass: 2\ncharge: -1.2346\nx = 1.5, y = -2\nvx = 0.25, vy = 3"},
        {{centre.X + 20, centre.Y}, ""},
        {{100, 150}, ""},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Form->ParticleTip(c.At), c.Tip) << c.At.x();
        QHelpEvent help(QEvent::ToolTip, c.At, Area()->mapToGlobal(c.At));
        QCoreApplication::sendEvent(Area(), &help);
        // (An empty tip is hidden after the tool tips' own delay.)
        if (!c.Tip.isEmpty()) {
            EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : QString(), c.Tip);
        }
    }
}

// While a run goes on, a particle's tip follows the particle with its present values (it never
// stands frozen at the values it was opened with), and it closes once the particle is off screen.
TEST_F(ViewMouse, TheTipFollowsItsParticleDuringARunAndClosesWhenItLeaves) {
    MakeSetup(2, {{"Walker", {0, 0}, {50, 0}, 1, 6}}, 100);
    const auto centreOf = [&] {
        const TScreenPoint c = Form->Document().Frame().WorldToScreen(Sim().Particles.Particles(0).Position);
        return QPoint(c.X, c.Y);
    };
    const QPoint start = centreOf();
    QHelpEvent help(QEvent::ToolTip, start, Area()->mapToGlobal(start));
    QCoreApplication::sendEvent(Area(), &help);
    ASSERT_TRUE(QToolTip::isVisible());
    ASSERT_TRUE(QToolTip::text().contains("x = 0, y = 0"));

    // Paused after the first refresh of the run, which comes with its first step.
    QString during;
    QMetaObject::invokeMethod(
        Form.get(),
        [&] {
            during = QToolTip::isVisible() ? QToolTip::text() : QString();
            Form->Controls().mmiPause->trigger();
        },
        Qt::QueuedConnection);
    Form->Controls().mmiStart->trigger();
    ASSERT_GT(Sim().Time, 0);
    EXPECT_NE(centreOf(), start);
    EXPECT_EQ(during, Form->ParticleTip(centreOf()));
    EXPECT_FALSE(during.contains("x = 0, y = 0"));

    // Off screen: the tip closes.
    Sim().Particles.Particles(0).Position[0] = 1e6;
    Form->Controls().mmiStep->trigger();
    EXPECT_FALSE(QToolTip::isVisible());
}

}  // namespace
}  // namespace kinetra::ui::test
