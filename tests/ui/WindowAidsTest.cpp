// The window's aids: the start panel while there is no setup, the notes pane, the arrows and
// charge signs over the scene with their legend, the selection ring, and Fit all framing the
// coming motion.
#include <QAction>
#include <QCommandLinkButton>
#include <QCoreApplication>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cmath>

#include "UiTestSupport.h"
#include "base/KNConst.h"
#include "engine/SetupBuilding.h"
#include "ui/dialogs/KNNotes.h"
#include "ui/extras/NotesPane.h"
#include "ui/extras/Session.h"
#include "ui/extras/StartPanel.h"
#include "ui/scene/SceneMarks.h"
#include "ui/window/WindowAids.h"

namespace kinetra::ui::test {
namespace {

class WindowAids : public TFreshSessionFormTest {
protected:
    template <typename T>
    T& Child(const char* name) const {
        auto* widget = Form->findChild<QWidget*>(QString::fromUtf8(name));
        EXPECT_NE(widget, nullptr) << name;
        return *static_cast<T*>(widget);
    }
    QAction* Action(const char* name) const { return Form->findChild<QAction*>(QString::fromUtf8(name)); }
    TStartPanel& Start() const { return Child<TStartPanel>("pnlStart"); }
    TNotesPane& Notes() const { return Child<TNotesPane>("NotesPane"); }
    TSceneOverlay& Overlay() const { return Child<TSceneOverlay>("SceneOverlay"); }
    bool Shown(QWidget& w) const { return w.isVisibleTo(Form.get()); }
    bool OnArea(int i) const {
        const TScreenPoint p = Doc().Frame().WorldToScreen(Sim().Particles.Particles(i).Position);
        return p.X >= 0 && p.X < Doc().Frame().ClientWidth() && p.Y >= 0 &&
               p.Y < Doc().Frame().ClientHeight();
    }
    static QRgb Rgb(const QImage& image, QPointF at) {
        return image.pixel(static_cast<int>(at.x()), static_cast<int>(at.y())) & 0xFFFFFFu;
    }
};

TEST_F(WindowAids, TheStartPanelOffersNewOpenAndTheExamplesWhileThereIsNoSetup) {
    ASSERT_EQ(RunState(), rsNoSetup);
    EXPECT_TRUE(Shown(Start()));
    EXPECT_FALSE(Shown(Notes()));
    // The commands are those of no setup.
    EXPECT_TRUE(Form->Controls().mmiNew->isEnabled());
    EXPECT_FALSE(Form->Controls().mmiSaveAs->isEnabled());
    EXPECT_FALSE(Action("mmiVelocityArrows")->isEnabled());

    // Open is the window's own command, with its file dialog (cancelled here).
    Start().OpenButton()->click();
    ASSERT_EQ(Prompts->FileDialogTitles.size(), 1u);
    EXPECT_EQ(Prompts->FileDialogTitles[0], "Open a setup");

    // One button per example, each with the opening sentence of its notes; one click opens it.
    const QList<QCommandLinkButton*> examples = Start().findChildren<QCommandLinkButton*>();
    ASSERT_EQ(examples.size(), Form->Controls().mmiExamples->actions().size());
    QCommandLinkButton* figureEight = nullptr;
    for (QCommandLinkButton* b : examples)
        if (b->text() == "FigureEight") figureEight = b;
    ASSERT_NE(figureEight, nullptr);
    EXPECT_EQ(figureEight->description(),
              "The figure-eight choreography: three equal masses (G = 1) chase each other along one "
              "figure-eight curve, each a third of a period behind the next.");
    figureEight->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_FALSE(Shown(Start()));
    // The notes are shown beside the scene, and the example is framed in what is left of it.
    EXPECT_TRUE(Shown(Notes()));
    EXPECT_TRUE(
        Notes().Text().startsWith("The figure-eight choreography: three equal masses (G = 1) chase each "
                                  "other along one figure-eight curve,"));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(OnArea(i)) << i;
    EXPECT_FALSE(Modified());
    EXPECT_TRUE(TSession::Flag(TWindowAids::KeyNotesPane, false));

    // A failed Open keeps the example, and its notes beside it.
    const QString notes = Notes().Text();
    Open("/nonexistent/missing.knx");
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_FALSE(Shown(Start()));
    EXPECT_TRUE(Shown(Notes()));
    EXPECT_EQ(Notes().Text(), notes);
}

// The pane goes with the setup: a window without one shows no empty pane beside the start panel,
// also after an Open that failed, and the pane comes back with the next setup.
TEST_F(WindowAids, NoEmptyNotesPaneStandsBesideTheStartPanel) {
    TSession::SetFlag(TWindowAids::KeyNotesPane, true);
    auto prompts = std::make_unique<TScriptedPrompts>();
    Prompts = prompts.get();
    Form = std::make_unique<TSimForm>(std::move(prompts));
    Form->show();
    Form->ResizeDrawingArea(400, 300);
    EXPECT_TRUE(Shown(Start()));
    EXPECT_FALSE(Shown(Notes()));
    Open("/nonexistent/missing.knx");
    ASSERT_EQ(Prompts->Messages.size(), 1u);
    EXPECT_TRUE(Shown(Start()));
    EXPECT_FALSE(Shown(Notes()));
    Open(DataFile("ui_figure_eight.knx"));
    EXPECT_FALSE(Shown(Start()));
    EXPECT_TRUE(Shown(Notes()));
    EXPECT_TRUE(Action("mmiNotesPane")->isChecked());
}

TEST_F(WindowAids, NotesAreShownFlowingAndFollowEveryChange) {
    struct TCase {
        std::string Notes;
        QString Shown;
        QString Summary;
    };
    const std::string wrapped = "A long first line of notes that was wrapped by hand at the writer's";
    const TCase cases[] = {
        {"", "", ""},
        {wrapped + "\r\nwidth. Next sentence.", QString::fromStdString(wrapped) + " width. Next sentence.",
         QString::fromStdString(wrapped) + " width."},
        {"Short line\r\nstays\r\n\r\nNew paragraph", "Short line\nstays\n\nNew paragraph",
         "Short line stays"},
        {wrapped + "\r\nNew sentence", QString::fromStdString(wrapped) + "\nNew sentence",
         QString::fromStdString(wrapped) + " New sentence"},
        {wrapped + "\r\n12 3 4", QString::fromStdString(wrapped) + "\n12 3 4",
         QString::fromStdString(wrapped) + " 12 3 4"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(TNotesPane::FlowingText(c.Notes), c.Shown) << c.Notes;
        EXPECT_EQ(TStartPanel::NotesSummary(QString::fromStdString(c.Notes)), c.Summary) << c.Notes;
    }

    MakeSetup(2, {{"A", {0, 0}, {}}});
    QAction* pane = Action("mmiNotesPane");
    ASSERT_NE(pane, nullptr);
    pane->trigger();
    EXPECT_TRUE(Shown(Notes()));
    // F4 still edits the notes; the pane follows at once.
    Prompts->OnExecDialog = [](QDialog& dialog) {
        auto& notes = dynamic_cast<TfrmNotes&>(dialog);
        notes.Controls().memNotes->setPlainText("Watch A.");
        notes.btnOKClick();
        return int(QDialog::Accepted);
    };
    Form->Controls().mmiNotes->trigger();
    EXPECT_EQ(Sim().Notes, "Watch A.");
    EXPECT_EQ(Notes().Text(), "Watch A.");

    // The pane and the marks are remembered for the next window.
    Action("mmiVelocityArrows")->trigger();
    Form.reset();
    TSimForm next(std::make_unique<TScriptedPrompts>());
    EXPECT_TRUE(TSession::Flag(TWindowAids::KeyNotesPane, false));
    EXPECT_TRUE(next.findChild<QAction*>("mmiVelocityArrows")->isChecked());
    EXPECT_FALSE(next.findChild<QAction*>("mmiForceArrows")->isChecked());
}

TEST_F(WindowAids, ArrowsHaveOneScaleForTheSceneInEveryFrame) {
    // A charged pair, +1 and -1, masses 1, G = 0, k = 1, on a circular orbit about each other.
    MakeSetup(2, {{"Plus", {-0.5, 0}, {}, 1, 9}, {"Minus", {0.5, 0}, {}, 1, 4}}, 100);
    Sim().Force->SetGravConstant(0);
    Sim().Force->SetCoulombCoeff(1);
    Sim().Particles.Particles(0).SetCharge(1);
    Sim().Particles.Particles(1).SetCharge(-1);
    TParticle& minus = Sim().Particles.Particles(1);
    minus.InitialVelocity.Assign(CircularOrbitVelocity(Sim(), 1, 0, 0, 1, false));
    ZeroTotalMomentum(Sim().Particles);
    Sim().Particles.ResetToInitial();
    Form->Controls().mmiStop->trigger();

    // Off: the layer is not even there.
    EXPECT_FALSE(Shown(Overlay()));
    const QImage bare = Form->DrawingArea()->grab().toImage();
    for (const char* name : {"mmiVelocityArrows", "mmiForceArrows", "mmiChargeSigns"})
        Action(name)->trigger();
    EXPECT_TRUE(Shown(Overlay()));
    const TSceneMarks marks = Overlay().Marks();

    // The force arrows point at each other and are an eighth of the smaller side long.
    ASSERT_EQ(marks.Force.Arrows.size(), 2u);
    const QLineF toMinus = marks.Force.Arrows[0].Line, toPlus = marks.Force.Arrows[1].Line;
    EXPECT_NEAR(toMinus.length(), 300 / 8.0, 1E-9);
    EXPECT_NEAR(toMinus.angle(), 0, 1E-9);
    EXPECT_NEAR(toPlus.angle(), 180, 1E-9);
    EXPECT_EQ(toMinus.p1(), QPointF(150, 150));
    // The velocities turn counter-clockwise (up on screen for the right one) with one scale.
    ASSERT_EQ(marks.Velocity.Arrows.size(), 2u);
    EXPECT_NEAR(marks.Velocity.Arrows[1].Line.angle(), 90, 1E-9);
    EXPECT_NEAR(marks.Velocity.Arrows[1].Line.length(), 300 / 8.0, 1E-9);
    EXPECT_NEAR(marks.Velocity.PixelsPerUnit * std::sqrt(2.0) / 2, 300 / 8.0, 1E-9);
    EXPECT_EQ(Overlay().LegendTexts(), QStringList({"Velocity 0.5", "Force 1"}));
    ASSERT_EQ(marks.Charges.size(), 2u);
    EXPECT_EQ(marks.Charges[0].Sign, 1);
    EXPECT_EQ(marks.Charges[1].Sign, -1);

    // On screen: the arrows in their colours, the picture under them unchanged.
    const QImage marked = Form->DrawingArea()->grab().toImage();
    EXPECT_EQ(Rgb(marked, toMinus.pointAt(0.6)), TSceneOverlay::ForceColour.rgb() & 0xFFFFFFu);
    EXPECT_EQ(Rgb(bare, toMinus.pointAt(0.6)), Background());
    EXPECT_EQ(Form->SceneImage(), View().Canvas());

    // Following one of the pair: it has no velocity of its own, the other twice the speed.
    Doc().Frame().SetName("Minus");
    const TSceneMarks followed = Overlay().Marks();
    ASSERT_EQ(followed.Velocity.Arrows.size(), 1u);
    EXPECT_NEAR(followed.Velocity.PixelsPerUnit * std::sqrt(2.0), 300 / 8.0, 1E-9);
    EXPECT_NEAR(followed.Velocity.Arrows[0].Line.angle(), 270, 1E-9);
    // Forces do not depend on the frame.
    EXPECT_NEAR(followed.Force.Arrows[0].Line.angle(), 0, 1E-9);
}

TEST_F(WindowAids, ChargeSignsAndTheSelectionRingStandOutOnEveryColour) {
    for (int c = 0; c < ColourCount; ++c) {
        const QColor disc(ParticleColours[static_cast<size_t>(c)].R,
                          ParticleColours[static_cast<size_t>(c)].G,
                          ParticleColours[static_cast<size_t>(c)].B);
        for (int sign : {1, -1}) {
            QImage image(40, 40, QImage::Format_RGB32);
            image.fill(disc);
            QPainter painter(&image);
            DrawChargeSign(painter, {QPoint(20, 20), 10, sign, disc});
            painter.end();
            const QColor mark = image.pixelColor(20, 20);
            const int difference = std::abs(mark.red() - disc.red()) + std::abs(mark.green() - disc.green()) +
                                   std::abs(mark.blue() - disc.blue());
            EXPECT_GE(difference, 250) << "colour " << c;
            // "-" has no upright bar, "+" has.
            EXPECT_EQ(image.pixelColor(20, 16) == disc, sign < 0) << "colour " << c;
        }
    }
    MakeSetup(2, {{"A", {0, 0}, {}, 1, 6}});
    Overlay().SetSelected(0);
    EXPECT_TRUE(Shown(Overlay()));
    const QImage ring = Form->DrawingArea()->grab().toImage();
    // Centre (200, 150), picture radius 6: the dark ring at 10.5, its light halo around it.
    EXPECT_EQ(Rgb(ring, {210, 150}), 0u);
    EXPECT_EQ(Rgb(ring, {150, 200}), Background());
    Overlay().SetSelected(-1);
    EXPECT_FALSE(Shown(Overlay()));
}

TEST_F(WindowAids, FitAllFramesTheWholeOrbitNotOnlyTheStart) {
    // A planet at the right of its star, on a circular orbit: its whole circle is fitted.
    MakeSetup(2, {{"Sun", {0, 0}, {}, 1, 5}, {"Planet", {10, 0}, {}, 0.001, 5}}, 1);
    TParticle& planet = Sim().Particles.Particles(1);
    planet.InitialVelocity.Assign(CircularOrbitVelocity(Sim(), 1, 0, 0, 1, false));
    Sim().Particles.ResetToInitial();
    Form->Controls().mmiFitAll->trigger();
    const TScreenFrame& frame = Doc().Frame();
    EXPECT_NEAR(frame.OriginX(), 0, 0.05);
    EXPECT_NEAR(frame.OriginY(), 0, 0.05);
    EXPECT_GT(frame.Height(), 20);
    EXPECT_LT(frame.Height(), 30);
}

}  // namespace
}  // namespace kinetra::ui::test
