// Building a setup with the mouse on the drawing area: every gesture through synthetic mouse
// events, each one command that undo and redo take back and put again exactly; the selection;
// what is refused while the run is not stopped and why; the hints of a view that follows a
// particle.
#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>
#include <cmath>

#include "UiTestSupport.h"
#include "ui/dialogs/EditPart.h"
#include "ui/document/UiText.h"
#include "ui/document/UndoCommands.h"
#include "ui/extras/PlotWindow.h"
#include "ui/scene/SceneMarks.h"

namespace kinetra::ui::test {
namespace {

class SceneGestures : public TFreshSessionFormTest {
protected:
    // A sun at the centre of the 400 x 300 drawing area, (200, 150), and a planet two units to
    // its right, (300, 150), moving upwards; 50 pixels a unit.
    void SunAndPlanet() {
        MakeSetup(2, {{"Sun", {0, 0}, {}, 1, 6, 0}, {"Planet", {2, 0}, {0, 1}, 0.001, 6, 2}}, 50);
    }
    const TParticle& P(int i) const { return Sim().Particles.Particles(i); }
    QAction* Action(const char* name) const { return Form->findChild<QAction*>(QString::fromUtf8(name)); }

    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mousePress(Area(), Qt::LeftButton, modifiers, from);
        for (int k = 1; k <= 4; ++k) QTest::mouseMove(Area(), from + (to - from) * k / 4);
        QTest::mouseRelease(Area(), Qt::LeftButton, modifiers, to);
    }
    void DoubleClick(QPoint at) {
        QTest::mousePress(Area(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(Area(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(Area(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(Area(), Qt::LeftButton, {}, at);
    }
    // The right button with the menu item chosen.
    void Menu(QPoint at, const QString& choice) {
        Prompts->MenuChoices = {choice};
        QTest::mouseClick(Area(), Qt::RightButton, {}, at);
    }
    std::unique_ptr<TParticlesList> Copy() const {
        auto copy = std::make_unique<TParticlesList>(Sim().Particles.Dimensions());
        copy->Assign(Sim().Particles);
        return copy;
    }
    bool Same(const TParticlesList& other) const {
        if (other.Count() != Sim().Particles.Count()) return false;
        for (int i = 0; i < other.Count(); ++i)
            if (!other.Particles(i).SameAs(P(i))) return false;
        return true;
    }
    static bool Near(const TVector& v, double x, double y, double tolerance = 1E-12) {
        return std::abs(v[0] - x) <= tolerance && std::abs(v[1] - y) <= tolerance;
    }
};

TEST_F(SceneGestures, EveryGestureIsOneCommandThatUndoAndRedoTakeBackExactly) {
    struct TCase {
        QString Command;
        std::function<void()> Do;
        std::function<bool()> Done;
    };
    const double circular = std::sqrt(1.001 / 2);
    const std::vector<TCase> cases = {
        {"Move particle 'Planet'",
         [&] {
             Drag({300, 150}, {350, 125});
         },
         [&] { return Near(P(1).InitialPosition, 3, 0.5) && Near(P(1).InitialVelocity, 0, 1); }},
        // Without arrows on screen, a drawn velocity is the way covered in 50 displayed steps:
        // 50 pixels a unit * 0.002 * 50 = 5 pixels per unit of velocity.
        {"Velocity of particle 'Planet'",
         [&] {
             Drag({300, 150}, {325, 100}, Qt::ShiftModifier);
         },
         [&] { return Near(P(1).InitialVelocity, 5, 10) && Near(P(1).InitialPosition, 2, 0); }},
        // The planet's arrow (an eighth of 300 pixels for a speed of 1) taken by its tip.
        {"Velocity of particle 'Planet'",
         [&] {
             Action("mmiVelocityArrows")->trigger();
             Drag({300, 113}, {337, 150});
         },
         [&] { return Near(P(1).InitialVelocity, 37 / 37.5, 0.5 / 37.5, 1E-9); }},
        // Placing: the next free name and colour, the last particle's mass, its trail shown.
        {"Add particle 'Body 1'",
         [&] {
             Form->Controls().mmiAddParticle->trigger();
             QTest::mouseClick(Area(), Qt::LeftButton, {}, {100, 50});
         },
         [&] {
             return Sim().Particles.Count() == 3 && P(2).Name == "Body 1" &&
                    Near(P(2).InitialPosition, -2, 2) && Near(P(2).InitialVelocity, 0, 0) &&
                    P(2).Mass == 0.001 && P(2).ColourIndex == 1 && P(2).ShowTrail && Doc().Selected() == 2 &&
                    Form->Controls().mmiAddParticle->isChecked();
         }},
        {"Add particle 'Body 1'",
         [&] {
             Form->Controls().mmiAddParticle->trigger();
             Drag({100, 50}, {125, 50});
         },
         [&] { return Near(P(2).InitialPosition, -2, 2) && Near(P(2).InitialVelocity, 5, 0); }},
        {"Circular orbit of 'Planet' about 'Sun'",
         [&] {
             Menu({300, 150}, "Circular orbit about/Sun");
         },
         [&] { return Near(P(1).InitialVelocity, 0, circular, 1E-15); }},
        {"Circular orbit of 'Planet' about 'Sun'",
         [&] {
             Menu({300, 150}, "Circular orbit about/Sun+Shift");
         },
         [&] { return Near(P(1).InitialVelocity, 0, -circular, 1E-15); }},
        {"Delete particle 'Planet'",
         [&] {
             Menu({300, 150}, "Delete");
         },
         [&] { return Sim().Particles.Count() == 1 && Doc().Selected() == -1; }},
        {"Show trail of particle 'Planet'",
         [&] {
             Menu({300, 150}, "Show trail");
         },
         [&] { return P(1).ShowTrail; }},
        {"Edit particle 'Planet'",
         [&] {
             Prompts->OnExecDialog = [](QDialog& dialog) {
                 auto& editor = dynamic_cast<TEditParticleForm&>(dialog);
                 editor.Controls().edtMass->setText("0.5");
                 editor.btnOKClick();
                 return editor.result();
             };
             Menu({300, 150}, QStringLiteral("Edit\u2026"));
         },
         [&] { return P(1).Mass == 0.5 && Sim().Particles.TotalMass == 1.5; }},
        {"Add particle 'Body 1'",
         [&] {
             Menu({100, 50}, "Add particle here");
         },
         [&] { return Sim().Particles.Count() == 3 && Near(P(2).InitialPosition, -2, 2); }},
        {"Zero total momentum",
         [&] {
             Menu({100, 50}, "Zero total momentum");
         },
         [&] { return Near(P(0).InitialVelocity, 0, -0.001 / 1.001, 1E-15); }},
        {"Zero total momentum", [&] { Form->Controls().mmiZeroMomentum->trigger(); },
         [&] { return Near(P(1).InitialVelocity, 0, 1 - 0.001 / 1.001, 1E-15); }},
        {"Follow particle 'Planet'",
         [&] {
             DoubleClick({300, 150});
         },
         [&] { return &Doc().Frame().Origin() == &P(1).Position && Doc().Frame().Name() == "Planet"; }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Command.toStdString());
        SunAndPlanet();
        Doc().ClearUndo(true);
        const auto before = Copy();
        const TFrameState frameBefore = CaptureFrame(Doc().Frame());
        c.Do();
        EXPECT_TRUE(c.Done());
        EXPECT_EQ(Doc().UndoStack().count(), 1);
        EXPECT_EQ(Form->Controls().mmiUndo->text(), "&Undo " + c.Command);
        EXPECT_TRUE(Modified());
        const auto after = Copy();
        const TFrameState frameAfter = CaptureFrame(Doc().Frame());
        Form->Controls().mmiUndo->trigger();
        EXPECT_TRUE(Same(*before));
        EXPECT_EQ(CaptureFrame(Doc().Frame()), frameBefore);
        EXPECT_FALSE(Modified());
        Form->Controls().mmiRedo->trigger();
        EXPECT_TRUE(Same(*after));
        EXPECT_EQ(CaptureFrame(Doc().Frame()), frameAfter);
        // Placing stays on until it is switched off.
        if (Form->Controls().mmiAddParticle->isChecked()) QTest::keyClick(Form.get(), Qt::Key_Escape);
        EXPECT_FALSE(Form->Controls().mmiAddParticle->isChecked());
        Prompts->OnExecDialog = nullptr;
        if (Action("mmiVelocityArrows")->isChecked()) Action("mmiVelocityArrows")->trigger();
    }
}

TEST_F(SceneGestures, AClickSelectsAndTheMenusOfferWhatTheyShould) {
    SunAndPlanet();
    const TSceneOverlay& overlay = *Form->findChild<TSceneOverlay*>("SceneOverlay");
    struct TStep {
        std::function<void()> Do;
        int Selected;
    };
    const TStep steps[] = {
        {[&] {
             QTest::mouseClick(Area(), Qt::LeftButton, {}, {200, 150});
         },
         0},
        {[&] {
             QTest::mouseClick(Area(), Qt::LeftButton, {}, {50, 50});
         },
         -1},
        {[&] {
             QTest::mouseClick(Area(), Qt::LeftButton, {}, {302, 148});
         },
         1},
        {[&] { QTest::keyClick(Form.get(), Qt::Key_Escape); }, -1},
        {[&] {
             Menu({300, 150}, "");
         },
         1},
    };
    for (const TStep& s : steps) {
        s.Do();
        EXPECT_EQ(Doc().Selected(), s.Selected);
        EXPECT_EQ(overlay.Selected(), s.Selected);
    }
    // A click is no change.
    EXPECT_EQ(Doc().UndoStack().count(), 0);
    Menu({50, 50}, "");
    ASSERT_EQ(Prompts->Menus.size(), 2u);
    EXPECT_EQ(Prompts->Menus[0], QStringList({"Follow", QStringLiteral("Edit\u2026"), "Show trail", "Delete",
                                              QStringLiteral("Plot\u2026"), "Circular orbit about/Sun"}));
    EXPECT_EQ(Prompts->Menus[1], QStringList({"Add particle here", "Fit all", "Zero total momentum"}));
    // Plot... on a body proposes its distance to the heaviest other body against the time.
    Menu({300, 150}, QStringLiteral("Plot\u2026"));
    ASSERT_EQ(Form->Plots().size(), 1u);
    EXPECT_TRUE(Form->Plots()[0]->windowTitle().startsWith("Plot: Distance "))
        << Form->Plots()[0]->windowTitle().toStdString();
    // Delete takes the selected particle.
    QTest::keyClick(Form.get(), Qt::Key_Delete);
    EXPECT_EQ(Sim().Particles.Count(), 1);
    EXPECT_EQ(Form->Controls().mmiUndo->text(), "&Undo Delete particle 'Planet'");
}

// While placing, a double-click on empty space places one particle and does not follow it; a
// later double-click on it follows it.
TEST_F(SceneGestures, ADoubleClickWhilePlacingPlacesOneAndFollowsOnlyWhatWasThere) {
    SunAndPlanet();
    Form->Controls().mmiAddParticle->trigger();
    DoubleClick({100, 50});
    EXPECT_EQ(Sim().Particles.Count(), 3);
    EXPECT_EQ(Doc().Frame().Name(), "Origin");
    DoubleClick({100, 50});
    EXPECT_EQ(Sim().Particles.Count(), 3);
    EXPECT_EQ(Doc().Frame().Name(), "Body 1");
}

TEST_F(SceneGestures, ChangesOfTheBodiesAreRefusedWithAHintUnlessStopped) {
    struct TCase {
        const char* Name;
        std::function<void()> Do;
        const char* Hint;
    };
    const TCase cases[] = {
        {"move",
         [&] {
             Drag({300, 150}, {350, 125});
         },
         HintStopToMove},
        {"aim",
         [&] {
             Drag({300, 150}, {325, 100}, Qt::ShiftModifier);
         },
         HintStopToMove},
        {"place",
         [&] {
             Form->Controls().mmiAddParticle->trigger();
             QTest::mouseClick(Area(), Qt::LeftButton, {}, {100, 50});
         },
         HintStopToMove},
        {"orbit",
         [&] {
             Menu({300, 150}, "Circular orbit about/Sun");
         },
         HintStopToChange},
        {"delete",
         [&] {
             Menu({300, 150}, "Delete");
         },
         HintStopToChange},
        {"zero momentum", [&] { Form->Controls().mmiZeroMomentum->trigger(); }, HintStopToChange},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SunAndPlanet();
        Form->Controls().mmiStep->trigger();
        ASSERT_EQ(RunState(), rsPaused);
        const auto before = Copy();
        c.Do();
        EXPECT_TRUE(Same(*before));
        EXPECT_EQ(Doc().UndoStack().count(), 0);
        EXPECT_EQ(Form->StatusHint(), QString::fromUtf8(c.Hint));
        QTest::keyClick(Form.get(), Qt::Key_Escape);
    }
    // A drag while running: the run goes on, nothing moves, the hint says why.
    SunAndPlanet();
    const auto before = Copy();
    QMetaObject::invokeMethod(
        Form.get(),
        [&] {
            Drag({300, 150}, {350, 125});
            Form->Controls().mmiPause->trigger();
        },
        Qt::QueuedConnection);
    Form->Controls().mmiStart->trigger();
    EXPECT_EQ(RunState(), rsPaused);
    EXPECT_TRUE(Same(*before));
    EXPECT_EQ(Form->StatusHint(), HintStopToMove);
}

// A drag that undo or a run interrupts: undo takes the drag's particles away (the drag ends and
// adds nothing); a run begun with the particles as the drag left them ends it as one command.
TEST_F(SceneGestures, ADragThatUndoOrARunInterruptsLeavesACoherentHistory) {
    SunAndPlanet();
    Menu({300, 150}, "Show trail");
    const auto before = Copy();
    // Undo during a drag takes back the drag as far as it had come, and ends it.
    QTest::mousePress(Area(), Qt::LeftButton, {}, {300, 150});
    QTest::mouseMove(Area(), {325, 150});
    Form->Controls().mmiUndo->trigger();
    QTest::mouseMove(Area(), {350, 150});
    QTest::mouseRelease(Area(), Qt::LeftButton, {}, {350, 150});
    EXPECT_TRUE(Same(*before));
    EXPECT_EQ(Doc().UndoStack().index(), 1);
    Form->Controls().mmiRedo->trigger();
    EXPECT_TRUE(Near(P(1).InitialPosition, 2.5, 0));
    Form->Controls().mmiUndo->trigger();
    EXPECT_TRUE(Same(*before));

    QTest::mousePress(Area(), Qt::LeftButton, {}, {300, 150});
    QTest::mouseMove(Area(), {325, 150});
    QMetaObject::invokeMethod(
        Form.get(),
        [&] {
            QTest::mouseMove(Area(), {350, 150});
            QTest::mouseRelease(Area(), Qt::LeftButton, {}, {350, 150});
            Form->Controls().mmiPause->trigger();
        },
        Qt::QueuedConnection);
    Form->Controls().mmiStart->trigger();
    EXPECT_TRUE(Near(P(1).InitialPosition, 2.5, 0));
    EXPECT_EQ(Form->Controls().mmiUndo->text(), "&Undo Move particle 'Planet'");
}

// A drag of fifty mouse moves is one command; its moves only redraw the stopped setup: nothing
// is rewound or prepared until the drag ends and the run starts. Escape takes a drag back whole.
TEST_F(SceneGestures, AMoveOfFiftyStepsIsOneCommandThatNeitherRewindsNorPrepares) {
    SunAndPlanet();
    Doc().ClearUndo(true);
    const std::int64_t prepares = Runner().Prepares();
    int rewinds = 0;
    QObject::connect(&Doc().Clock(), &TRunClock::rewound, Form.get(), [&] { ++rewinds; });
    QTest::mousePress(Area(), Qt::LeftButton, {}, {300, 150});
    for (int k = 1; k <= 50; ++k) QTest::mouseMove(Area(), {300 + k, 150 - k / 2});
    EXPECT_EQ(rewinds, 0);
    EXPECT_EQ(Runner().Prepares(), prepares);
    // The picture follows the mouse: the planet (6 pixels) drawn at (3, 0.5).
    EXPECT_EQ(View().ScreenPos()[1].X, 350 - 6);
    EXPECT_EQ(View().ScreenPos()[1].Y, 125 - 6);
    QTest::mouseRelease(Area(), Qt::LeftButton, {}, {350, 125});
    EXPECT_EQ(Doc().UndoStack().count(), 1);
    EXPECT_EQ(Form->Controls().mmiUndo->text(), "&Undo Move particle 'Planet'");
    EXPECT_TRUE(Near(P(1).InitialPosition, 3, 0.5));
    EXPECT_TRUE(Near(P(1).Position, 3, 0.5));
    EXPECT_EQ(Runner().Prepares(), prepares);

    // Escape in the middle of the next drag: nothing of it stays, not even for redo.
    QTest::mousePress(Area(), Qt::LeftButton, {}, {350, 125});
    for (int k = 1; k <= 10; ++k) QTest::mouseMove(Area(), {350 - 3 * k, 125});
    QTest::keyClick(Form.get(), Qt::Key_Escape);
    QTest::mouseRelease(Area(), Qt::LeftButton, {}, {320, 125});
    EXPECT_TRUE(Near(P(1).InitialPosition, 3, 0.5));
    EXPECT_EQ(Doc().UndoStack().count(), 1);
    EXPECT_FALSE(Doc().UndoStack().canRedo());
    EXPECT_EQ(View().ScreenPos()[1].X, 350 - 6);

    // The run prepares once, from the place the drag gave.
    Form->Controls().mmiStep->trigger();
    EXPECT_EQ(Runner().Prepares(), prepares + 1);
    EXPECT_GT(P(1).Position[1], 0.5);
}

TEST_F(SceneGestures, WhatCannotBeDoneIsSaidInTheMessagesOfTheParticleEditor) {
    struct TCase {
        const char* Name;
        std::function<void()> Prepare;
        std::function<void()> Do;
        QString Message;
    };
    const TCase cases[] = {
        {"moved onto another", [] {},
         [&] {
             Drag({300, 150}, {200, 150});
         },
         "Overlap with Sun."},
        {"placed into another", [&] { Sim().Particles.Particles(0).SetRadius(1); },
         [&] {
             Form->Controls().mmiAddParticle->trigger();
             QTest::mouseClick(Area(), Qt::LeftButton, {}, {230, 150});
         },
         "Overlap with Sun."},
        {"a pair that repels",
         [&] {
             Sim().Force->SetGravConstant(0);
             Sim().Force->SetCoulombCoeff(1);
             Sim().Particles.Particles(0).SetCharge(1);
             Sim().Particles.Particles(1).SetCharge(1);
         },
         [&] {
             Menu({300, 150}, "Circular orbit about/Sun");
         },
         "No circular orbit: Planet and Sun do not attract each other"},
        {"no mass",
         [&] {
             Sim().Particles.Particles(0).Mass = 0;
             Sim().Particles.Particles(1).Mass = 0;
         },
         [&] { Form->Controls().mmiZeroMomentum->trigger(); },
         "Zero total momentum needs a particle with mass"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SunAndPlanet();
        c.Prepare();
        Prompts->Messages.clear();
        const auto before = Copy();
        c.Do();
        ASSERT_EQ(Prompts->Messages.size(), 1u);
        EXPECT_EQ(Prompts->Messages[0], c.Message);
        // Nothing changed, and the scene shows it so.
        EXPECT_TRUE(Same(*before));
        EXPECT_EQ(Doc().UndoStack().count(), 0);
        EXPECT_EQ(View().ScreenPos()[1].X + 6, 300);
        QTest::keyClick(Form.get(), Qt::Key_Escape);
    }
}

TEST_F(SceneGestures, AViewThatFollowsAParticleSaysWhyItDoesNotMoveUnderTheMouse) {
    SunAndPlanet();
    DoubleClick({300, 150});
    ASSERT_EQ(Doc().Frame().Name(), "Planet");
    const TVector own = Doc().Frame().OwnOrigin();
    Wheel({50, 50}, 120);
    EXPECT_EQ(Doc().Frame().Scale(), 100);
    EXPECT_EQ(Form->StatusHint(), ZoomFollowsHint("Planet"));
    Drag({50, 50}, {90, 70});
    EXPECT_EQ(Form->StatusHint(), PanFollowsHint("Planet"));
    EXPECT_EQ(Doc().Frame().OwnOrigin()[0], own[0]);
    // The centre of mass, by its own words.
    Doc().Frame().SetName("Center of mass");
    Wheel({50, 50}, -120);
    EXPECT_EQ(Form->StatusHint(), ZoomFollowsHint("the center of mass"));
}

}  // namespace
}  // namespace kinetra::ui::test
