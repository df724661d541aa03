// New and the commands of the Edit menu as the main window runs them: the questions before a
// new setup, the particle list opening at once, the change flags and the wording they choose,
// the options dialog holding and resuming a run, particle edits during a run, and the frame
// and notes dialogs.
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include "UiTestSupport.h"
#include "base/KNConst.h"
#include "ui/dialogs/EditData.h"
#include "ui/dialogs/EditPart.h"
#include "ui/dialogs/KNNew.h"
#include "ui/dialogs/KNNotes.h"
#include "ui/dialogs/KNSettings.h"
#include "ui/dialogs/SimOptions.h"
#include "ui/view/ViewCommands.h"

namespace kinetra::ui::test {
namespace {

const QString kAskSimulation = "The simulation setup might have been modified. Do you wish to save first?";
const QString kAskParticles = "The particle setup might have been modified. Do you wish to save first?";
const QString kAskNew = "The new setup has not yet been saved. Save now?";

// What the user does in each dialog; a dialog without an entry is cancelled.
struct TDialogScript {
    std::function<int(TfrmNew&)> New;
    std::function<int(TfrmParticlesList&)> List;
    std::function<int(TEditParticleForm&)> Editor;
    std::function<int(TfrmSimOptions&)> Options;
    std::function<int(TfrmSettings&)> Settings;
    std::function<int(TfrmNotes&)> Notes;
};

template <typename TDialog>
int Answer(const std::function<int(TDialog&)>& handler, QDialog& dialog) {
    return handler ? handler(dynamic_cast<TDialog&>(dialog)) : QDialog::Rejected;
}

// The particle editor as a user fills it: name, mass and the position's components.
void FillEditor(TEditParticleForm& editor, const QString& name, const QString& mass,
                const std::vector<QString>& position, int colour) {
    editor.Controls().edtName->setText(name);
    editor.Controls().edtMass->setText(mass);
    for (int i = 0; i < static_cast<int>(position.size()); ++i)
        editor.Controls().sgPos->SetCell(i, position[static_cast<size_t>(i)]);
    editor.Controls().cbColour->setCurrentIndex(colour);
}

// Runs `command` inside the run loop's next event processing.
void DuringTheRun(TSimForm& form, std::function<void()> command) {
    QMetaObject::invokeMethod(&form, std::move(command), Qt::QueuedConnection);
}

class EditCommands : public TFormTest {
protected:
    void SetUp() override {
        TFormTest::SetUp();
        ASSERT_TRUE(Dir.isValid());
        Prompts->OnExecDialog = [this](QDialog& dialog) -> int {
            if (dynamic_cast<TfrmNew*>(&dialog)) return Answer(Script.New, dialog);
            if (dynamic_cast<TfrmParticlesList*>(&dialog)) return Answer(Script.List, dialog);
            if (dynamic_cast<TEditParticleForm*>(&dialog)) return Answer(Script.Editor, dialog);
            if (dynamic_cast<TfrmSimOptions*>(&dialog)) return Answer(Script.Options, dialog);
            if (dynamic_cast<TfrmSettings*>(&dialog)) return Answer(Script.Settings, dialog);
            if (dynamic_cast<TfrmNotes*>(&dialog)) return Answer(Script.Notes, dialog);
            return QDialog::Rejected;
        };
    }
    void TearDown() override {
        TFormTest::TearDown();
        QDir::setCurrent(StartFolder);
    }

    // The three-body test setup (Alpha, Beta, Gamma; RK4; scale 250), opened unchanged.
    void OpenOrbit() {
        const QString target = Dir.filePath("Orbit.knx");
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(QString::fromStdString(DataFile("ui_figure_eight.knx")), target));
        Open(target.toStdString());
        ASSERT_EQ(RunState(), rsStopped);
    }
    // The question that New asks now; the answer Cancel leaves everything as it is.
    QString QuestionOfNew() {
        const size_t asked = Prompts->Questions.size();
        Prompts->Answers.clear();
        auto newScript = Script.New;
        Script.New = nullptr;
        Form->Controls().mmiNew->trigger();
        Script.New = newScript;
        return Prompts->Questions.size() > asked ? Prompts->Questions.back() : QString();
    }
    void AcceptNewSetup(int dimensions = DefaultDimensions) {
        Script.New = [dimensions](TfrmNew& dialog) {
            dialog.Controls().speDim->SetValue(dimensions);
            dialog.btnOKClick();
            return dialog.result();
        };
    }
    // The list inserts one particle through the editor (before row `row`) and is confirmed.
    void InsertOne(const QString& name, const QString& mass, const std::vector<QString>& position,
                   int colour = 1, int row = -1) {
        Script.Editor = [=](TEditParticleForm& editor) {
            FillEditor(editor, name, mass, position, colour);
            editor.btnOKClick();
            return editor.result();
        };
        Script.List = [row](TfrmParticlesList& list) {
            list.SelectRow(row < 0 ? list.WorkList().Count() : row);
            list.btnInsertClick();
            list.btnOKClick();
            return list.result();
        };
    }

    TDialogScript Script;
    QTemporaryDir Dir;
    QString StartFolder = QDir::currentPath();
};

TEST_F(EditCommands, EachCommandOpensItsDialog) {
    OpenOrbit();
    for (QAction* a : {Form->Controls().mmiEditParticles, Form->Controls().mmiSimulationOptions,
                       Form->Controls().mmiSettings, Form->Controls().mmiNotes, Form->Controls().mmiNew})
        a->trigger();
    EXPECT_EQ(Prompts->DialogTitles, (std::vector<QString>{"Particle setup", "Simulation options",
                                                           "Frame settings", "Notes - Orbit", "New setup"}));
    EXPECT_TRUE(Prompts->Messages.empty());
    // All cancelled: nothing changed.
    EXPECT_FALSE(Modified());
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_EQ(Sim().Particles.Count(), 3);
}

TEST_F(EditCommands, NewOfAnUnchangedSetupAsksNothingAndCancelKeepsTheSetup) {
    OpenOrbit();
    Form->Controls().mmiNew->trigger();
    EXPECT_TRUE(Prompts->Questions.empty());
    EXPECT_EQ(Prompts->DialogTitles, std::vector<QString>{"New setup"});
    EXPECT_EQ(Form->windowTitle(), "Kinetra - Orbit");
    EXPECT_EQ(Sim().Particles.Count(), 3);
    EXPECT_EQ(Sim().Method, nmRK4);
    EXPECT_EQ(Sim().FileName, Dir.filePath("Orbit.knx").toStdString());
    EXPECT_FALSE(Modified());
    EXPECT_FALSE(Doc().NewSetup());
}

TEST_F(EditCommands, NewMakesAnEmptyStoppedSetupAndOpensTheParticleList) {
    OpenOrbit();
    AcceptNewSetup(3);
    QString captionInList, panelInList;
    TRunState stateInList = rsNoSetup;
    int rowsInList = -1;
    Script.List = [&](TfrmParticlesList& list) {
        captionInList = Form->windowTitle();
        panelInList = Form->PanelText(0);
        stateInList = RunState();
        rowsInList = list.Controls().sgParticlesGrid->rowCount();
        return static_cast<int>(QDialog::Rejected);
    };
    Form->Controls().mmiNew->trigger();
    EXPECT_EQ(Prompts->DialogTitles, (std::vector<QString>{"New setup", "Particle setup"}));
    EXPECT_EQ(captionInList, "Kinetra - NewSetup");
    EXPECT_EQ(panelInList, "Stopped");
    EXPECT_EQ(stateInList, rsStopped);
    EXPECT_EQ(rowsInList, 1);  // only the empty last row

    EXPECT_EQ(Sim().FileName, "NewSetup");
    EXPECT_EQ(Sim().Dimensions, 3);
    EXPECT_EQ(Sim().Particles.Dimensions(), 3);
    EXPECT_EQ(Sim().Particles.Count(), 0);
    EXPECT_EQ(Sim().Method, nmStoermer);  // the defaults of a new setup
    EXPECT_EQ(Form->PanelText(2), "Frame: Origin  (x = 0, y = 0)");
    // A fresh view for the new dimensions.
    EXPECT_EQ(Form->Document().Frame().AxisNames(), (std::vector<std::string>{"x", "y", "z"}));
    // Without particles, a field of ten units about the origin to place them in.
    // (the smaller side, 300 pixels, less a tenth at each end, spans them).
    EXPECT_NEAR(Form->Document().Frame().Scale(), 240 / TViewCommands::NewSetupField, 1e-9);
    EXPECT_EQ(Form->Document().Frame().OwnOrigin()[0], 0);
    EXPECT_TRUE(Doc().NewSetup());
    EXPECT_TRUE(Modified());
    EXPECT_TRUE(Doc().ParticlesModified());
    EXPECT_TRUE(Form->Controls().mmiSave->isEnabled());
    EXPECT_TRUE(Form->Controls().mmiEditParticles->isEnabled());
    EXPECT_TRUE(Form->Controls().actToggle->isEnabled());
    EXPECT_EQ(QuestionOfNew(), kAskNew);
}

TEST_F(EditCommands, NewOfAChangedSetupAsksFirst) {
    OpenOrbit();
    // A zoom alone makes an opened setup changed, with the simulation wording.
    Form->Controls().actZoomIn->trigger();
    EXPECT_TRUE(Form->Controls().mmiSave->isEnabled());
    EXPECT_EQ(QuestionOfNew(), kAskSimulation);
    EXPECT_TRUE(Prompts->DialogTitles.empty());  // Cancel ended the command before the dialog

    // No: the dialog, nothing saved.
    Prompts->Answers = {TAnswer::No};
    Form->Controls().mmiNew->trigger();
    EXPECT_EQ(Prompts->DialogTitles, std::vector<QString>{"New setup"});
    EXPECT_TRUE(Modified());

    // Yes: saved, then the dialog; a cancelled dialog leaves the saved setup.
    Prompts->Answers = {TAnswer::Yes};
    Form->Controls().mmiNew->trigger();
    EXPECT_EQ(Prompts->DialogTitles.size(), 2u);
    EXPECT_FALSE(Modified());
    Open(Dir.filePath("Orbit.knx").toStdString());
    EXPECT_DOUBLE_EQ(Form->Document().Frame().Scale(), 500);
}

TEST_F(EditCommands, SavingANewSetupWritesItIntoTheWorkingFolder) {
    ASSERT_TRUE(QDir::setCurrent(Dir.path()));
    AcceptNewSetup();
    InsertOne("Sun", "1", {"0", "0"});
    Form->Controls().mmiNew->trigger();
    ASSERT_EQ(Sim().Particles.Count(), 1);
    ASSERT_TRUE(Form->Controls().mmiSave->isEnabled());

    Form->Controls().mmiSave->trigger();
    EXPECT_TRUE(Prompts->FileDialogTitles.empty());
    EXPECT_TRUE(Prompts->Questions.empty());
    EXPECT_TRUE(QFile::exists(Dir.filePath("NewSetup.knx")));
    EXPECT_EQ(Sim().FileName, "NewSetup.knx");
    // The status bar says where it went.
    EXPECT_EQ(Form->StatusNote(),
              "Saved to " + QDir::toNativeSeparators(QDir::current().absoluteFilePath("NewSetup.knx")));
    EXPECT_EQ(Form->windowTitle(), "Kinetra - NewSetup");
    EXPECT_FALSE(Doc().NewSetup());
    EXPECT_FALSE(Modified());
    EXPECT_FALSE(Form->Controls().mmiSave->isEnabled());

    // Later changes ask with the simulation or the particle wording, no longer the new one.
    Form->Controls().actZoomOut->trigger();
    EXPECT_EQ(QuestionOfNew(), kAskSimulation);
    Script.Notes = [](TfrmNotes& notes) {
        notes.Controls().memNotes->setPlainText("A star alone");
        notes.btnOKClick();
        return notes.result();
    };
    Form->Controls().mmiNotes->trigger();
    EXPECT_EQ(QuestionOfNew(), kAskParticles);
}

// The first save of a new setup never replaces a file of its name unasked: the question of Save
// As, where Yes replaces it, No lets the user choose another name and Cancel saves nothing; by
// Save, by Yes to the question before Open, and by Yes to the question before closing.
TEST_F(EditCommands, TheFirstSaveAsksBeforeReplacingAFile) {
    ASSERT_TRUE(QDir::setCurrent(Dir.path()));
    const QString taken = Dir.filePath("NewSetup.knx");
    const QString chosen = Dir.filePath("Chosen.knx");
    const QString other = Dir.filePath("Other.knx");
    enum class TWay { Save, Open, Close };
    for (const TWay way : {TWay::Save, TWay::Open, TWay::Close}) {
        for (const TAnswer answer : {TAnswer::Yes, TAnswer::No, TAnswer::Cancel}) {
            const std::string name = std::to_string(int(way)) + "/" + std::to_string(int(answer));
            for (const QString& file : {taken, chosen}) QFile::remove(file);
            {
                QFile old(taken);
                ASSERT_TRUE(old.open(QIODevice::WriteOnly));
                old.write("another setup");
            }
            ASSERT_TRUE(QFile::copy(QString::fromStdString(DataFile("SunPlanet.knx")), other) ||
                        QFile::exists(other));
            Doc().ClearUndo(true);
            AcceptNewSetup();
            InsertOne("Sun", "1", {"0", "0"});
            Form->Controls().mmiNew->trigger();
            ASSERT_TRUE(Doc().NewSetup()) << name;
            Prompts->Questions.clear();
            Prompts->FileDialogTitles.clear();
            Prompts->Answers.clear();
            Prompts->SaveNames = {chosen};
            if (way != TWay::Save) Prompts->Answers.push_back(TAnswer::Yes);  // "Save now?"
            Prompts->Answers.push_back(answer);
            switch (way) {
                case TWay::Save:
                    Form->Controls().mmiSave->trigger();
                    break;
                case TWay::Open:
                    Prompts->OpenNames = {other};
                    Form->Controls().mmiOpen->trigger();
                    break;
                case TWay::Close:
                    // What closing asks and saves; the window comes back for the next case.
                    EXPECT_EQ(Form->close(), answer != TAnswer::Cancel) << name;
                    Form->show();
                    break;
            }
            ASSERT_FALSE(Prompts->Questions.empty()) << name;
            EXPECT_EQ(Prompts->Questions.back(),
                      "A setup of this name already exists. Do you want to override it?")
                << name;
            QFile old(taken);
            ASSERT_TRUE(old.open(QIODevice::ReadOnly));
            EXPECT_EQ(old.readAll() == "another setup", answer != TAnswer::Yes) << name;
            EXPECT_EQ(QFile::exists(chosen), answer == TAnswer::No) << name;
            EXPECT_EQ(Prompts->FileDialogTitles.size(),
                      (answer == TAnswer::No) + (way == TWay::Open && answer != TAnswer::Cancel))
                << name;
            // Cancel abandons the command that wanted the save.
            if (answer == TAnswer::Cancel) {
                EXPECT_TRUE(Modified()) << name;
                EXPECT_EQ(Sim().FileName, "NewSetup") << name;
            }
        }
    }
}

TEST_F(EditCommands, NewDuringARunEndsItOnlyWhenConfirmed) {
    OpenOrbit();
    // Cancelled: the run goes on, and is paused here to end the test's loop.
    Script.New = [&](TfrmNew& dialog) {
        DuringTheRun(*Form, [&] { Form->Controls().mmiPause->trigger(); });
        dialog.btnCancelClick();
        return dialog.result();
    };
    DuringTheRun(*Form, [&] { Form->Controls().mmiNew->trigger(); });
    Form->Controls().mmiStart->trigger();
    EXPECT_EQ(RunState(), rsPaused);
    EXPECT_EQ(Form->windowTitle(), "Kinetra - Orbit");
    const double pausedAt = Sim().Time;
    EXPECT_GT(pausedAt, 0);

    // Confirmed: the run ends at once with the empty new setup.
    AcceptNewSetup();
    DuringTheRun(*Form, [&] { Form->Controls().mmiNew->trigger(); });
    Form->Controls().mmiStart->trigger();
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_EQ(Sim().Particles.Count(), 0);
    EXPECT_EQ(Sim().Time, 0);
    EXPECT_TRUE(View().ScreenPos().empty());
    EXPECT_EQ(Form->windowTitle(), "Kinetra - NewSetup");
}

// The options dialog during a run: what the window shows while it is open, and how the run
// goes on afterwards. The run is paused once it has gone on, to end the test's loop.
struct TOptionsRun {
    TRunState StateInDialog = rsNoSetup;
    QString PanelInDialog;
    double TimeInDialog = 0;
    double TimeAfterResume = 0;
};

class OptionsDuringARun : public EditCommands {
protected:
    TOptionsRun Run(bool backwards, std::function<int(TfrmSimOptions&)> answer) {
        TOptionsRun run;
        Script.Options = [&, answer](TfrmSimOptions& dialog) {
            run.StateInDialog = RunState();
            run.PanelInDialog = Form->PanelText(0);
            run.TimeInDialog = Sim().Time;
            DuringTheRun(*Form, [&] {
                run.TimeAfterResume = Sim().Time;
                Form->Controls().mmiPause->trigger();
            });
            return answer(dialog);
        };
        DuringTheRun(*Form, [&] { Form->Controls().mmiSimulationOptions->trigger(); });
        (backwards ? Form->Controls().mmiRunBackwards : Form->Controls().mmiStart)->trigger();
        return run;
    }
};

TEST_F(OptionsDuringARun, CancelPausesAndResumesForwards) {
    OpenOrbit();
    const TOptionsRun run = Run(false, [](TfrmSimOptions& dialog) {
        dialog.btnCancelClick();
        return dialog.result();
    });
    EXPECT_EQ(run.StateInDialog, rsPaused);
    EXPECT_EQ(run.PanelInDialog, "Paused");
    EXPECT_GT(run.TimeInDialog, 0);
    EXPECT_GT(run.TimeAfterResume, run.TimeInDialog);  // the run went on forwards
    EXPECT_EQ(RunState(), rsPaused);
    EXPECT_FALSE(Modified());
}

TEST_F(OptionsDuringARun, CancelResumesBackwards) {
    OpenOrbit();
    const TOptionsRun run = Run(true, [](TfrmSimOptions& dialog) {
        dialog.btnCancelClick();
        return dialog.result();
    });
    EXPECT_EQ(run.StateInDialog, rsPaused);
    EXPECT_LT(run.TimeInDialog, 0);
    EXPECT_LT(run.TimeAfterResume, run.TimeInDialog);
    EXPECT_LT(Sim().SignedStep, 0);
}

TEST_F(OptionsDuringARun, OkWithANewTimeStepResumesInTheSameDirection) {
    OpenOrbit();
    const TOptionsRun run = Run(true, [](TfrmSimOptions& dialog) {
        dialog.Controls().edtTimeStep->setText("1/2000");
        dialog.btnOKClick();
        return dialog.result();
    });
    EXPECT_LT(run.TimeAfterResume, run.TimeInDialog);
    EXPECT_DOUBLE_EQ(Sim().TimeStep, 0.0005);
    EXPECT_DOUBLE_EQ(Sim().SignedStep, -0.0005);
    EXPECT_TRUE(Modified());
    EXPECT_FALSE(Doc().ParticlesModified());
    EXPECT_TRUE(Form->Controls().mmiSave->isEnabled());
}

// Every way a run is resumed from inside its own event processing, used 20 times in one run:
// the run goes on on the event loop (a loop per resume would nest until the stack overflowed).
TEST_F(OptionsDuringARun, TwentyResumesContinueTheOneRunLoop) {
    struct TCase {
        const char* Name;
        std::function<void()> Resume;
        bool Backwards;
    };
    const auto options = [this](bool ok) {
        return [this, ok] {
            Script.Options = [ok](TfrmSimOptions& dialog) {
                ok ? dialog.btnOKClick() : dialog.btnCancelClick();
                return dialog.result();
            };
            Form->Controls().mmiSimulationOptions->trigger();
        };
    };
    const auto pauseThen = [this](QAction* run) {
        return [this, run] {
            Form->Controls().mmiPause->trigger();
            run->trigger();
        };
    };
    const TCase cases[] = {
        {"options, Cancel", options(false), false},
        {"options, OK, backwards", options(true), true},
        {"Pause and Run", pauseThen(Form->Controls().mmiStart), false},
        {"Pause and Run backwards", pauseThen(Form->Controls().mmiRunBackwards), true},
    };
    OpenOrbit();
    for (const TCase& c : cases) {
        Form->Controls().mmiStop->trigger();
        int uses = 0;
        int depth = 0;
        int deepest = 0;
        std::function<void()> use = [&] {
            // A resume that ran steps of its own would run the next use inside this one.
            deepest = std::max(deepest, ++depth);
            if (uses++ == 20) {
                Form->Controls().mmiPause->trigger();
            } else {
                // Queued first: a resume that entered a loop of its own would not return.
                DuringTheRun(*Form, use);
                c.Resume();
            }
            --depth;
        };
        DuringTheRun(*Form, use);
        (c.Backwards ? Form->Controls().mmiRunBackwards : Form->Controls().mmiStart)->trigger();
        EXPECT_EQ(uses, 21) << c.Name;
        EXPECT_EQ(deepest, 1) << c.Name;
        EXPECT_EQ(RunState(), rsPaused) << c.Name;
        EXPECT_EQ(Form->PanelText(0), "Paused") << c.Name;
        EXPECT_EQ(Sim().Time < 0, c.Backwards) << c.Name;
    }
}

TEST_F(EditCommands, OptionsWhileStoppedResumeNothing) {
    OpenOrbit();
    Script.Options = [](TfrmSimOptions& dialog) {
        dialog.btnCancelClick();
        return dialog.result();
    };
    Form->Controls().mmiSimulationOptions->trigger();
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_EQ(Sim().Time, 0);
}

TEST_F(EditCommands, AWrongExpressionInADialogNamesItsFieldThroughTheWindow) {
    OpenOrbit();
    Script.Options = [](TfrmSimOptions& dialog) {
        dialog.Controls().edtGravConst->setText(QStringLiteral("1/0"));
        dialog.btnOKClick();
        dialog.btnCancelClick();
        return dialog.result();
    };
    Form->Controls().mmiSimulationOptions->trigger();
    ASSERT_EQ(Prompts->Messages.size(), 1u);
    EXPECT_EQ(Prompts->Messages[0], QStringLiteral("Zero denominator"));
    EXPECT_EQ(Prompts->Details[0], QStringLiteral("In the field \"Gravitational constant\"."));
}

TEST_F(EditCommands, InsertingDuringARunStopsItAndDrawsTheNewParticle) {
    OpenOrbit();
    InsertOne("Delta", "1", {"0", "1/2"}, 12);
    DuringTheRun(*Form, [&] { Form->Controls().mmiEditParticles->trigger(); });
    Form->Controls().mmiStart->trigger();
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_EQ(Form->PanelText(0), "Stopped");
    EXPECT_EQ(Sim().Time, 0);
    ASSERT_EQ(Sim().Particles.Count(), 4);
    EXPECT_EQ(Sim().Particles.Particles(3).Name, "Delta");
    EXPECT_EQ(View().ScreenPos().size(), 4u);
    EXPECT_EQ(View().TrailFlags().size(), 4u);
    EXPECT_EQ(View().InvisibleFlags().size(), 4u);
    // Drawn at (0, 0.5): 125 pixels above the centre of the 400 x 300 area; Gamma back at the
    // origin.
    EXPECT_EQ(Pixel(200, 25), 0x008080u);
    EXPECT_EQ(Pixel(200, 150), 0x008000u);
    EXPECT_TRUE(Modified());
    EXPECT_TRUE(Doc().ParticlesModified());
    EXPECT_TRUE(Form->Controls().mmiSave->isEnabled());
    EXPECT_EQ(QuestionOfNew(), kAskParticles);
}

TEST_F(EditCommands, CancellingTheListDuringARunLeavesItRunning) {
    OpenOrbit();
    InsertOne("Delta", "1", {"0", "0.5"});
    Script.List = [&](TfrmParticlesList& list) {
        list.SelectRow(3);
        list.btnInsertClick();
        EXPECT_EQ(list.WorkList().Count(), 4);
        DuringTheRun(*Form, [&] { Form->Controls().mmiPause->trigger(); });
        list.btnCancelClick();
        return list.result();
    };
    DuringTheRun(*Form, [&] { Form->Controls().mmiEditParticles->trigger(); });
    Form->Controls().mmiStart->trigger();
    EXPECT_EQ(RunState(), rsPaused);  // the run went on until the pause
    EXPECT_GT(Sim().Time, 0);
    EXPECT_EQ(Sim().Particles.Count(), 3);
    EXPECT_EQ(View().ScreenPos().size(), 3u);
    EXPECT_FALSE(Modified());

    // Stepping on draws from the positions kept for the three particles.
    Form->Controls().mmiStep->trigger();
    EXPECT_EQ(RunState(), rsPaused);
    EXPECT_EQ(View().ScreenPos().size(), 3u);
}

TEST_F(EditCommands, EditingAParticleMarksTheParticleSetup) {
    OpenOrbit();
    Script.Editor = [](TEditParticleForm& editor) {
        editor.Controls().edtMass->setText("2");
        editor.btnOKClick();
        return editor.result();
    };
    Script.List = [](TfrmParticlesList& list) {
        list.SelectRow(0);
        list.btnEditClick();
        list.btnOKClick();
        return list.result();
    };
    Form->Controls().mmiEditParticles->trigger();
    EXPECT_DOUBLE_EQ(Sim().Particles.Particles(0).Mass, 2);
    EXPECT_DOUBLE_EQ(Sim().Particles.TotalMass, 4);
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_TRUE(Doc().ParticlesModified());
    EXPECT_TRUE(Form->Controls().mmiSave->isEnabled());
    EXPECT_EQ(QuestionOfNew(), kAskParticles);

    // The same edit once more changes nothing and the list's OK marks nothing.
    Doc().ClearUndo(true);
    Form->Controls().mmiEditParticles->trigger();
    EXPECT_FALSE(Modified());
}

TEST_F(EditCommands, TheMarkerGoesOffWithTheLastMass) {
    MakeSetup(2, {{"Heavy", {0, 0}, {}, 1}, {"Light", {0.1, 0}, {}, 0}}, 100);
    Form->Controls().mmiCenterOfMass->trigger();
    ASSERT_TRUE(View().ShowCenterOfMass());

    // Deleting the only massive particle leaves nothing to mark and a disabled menu item.
    Script.List = [](TfrmParticlesList& list) {
        list.SelectRow(0);
        list.btnDeleteClick();
        list.btnOKClick();
        return list.result();
    };
    Form->Controls().mmiEditParticles->trigger();
    ASSERT_EQ(Sim().Particles.Count(), 1);
    EXPECT_FALSE(View().ShowCenterOfMass());
    EXPECT_FALSE(Form->Controls().mmiCenterOfMass->isChecked());
    EXPECT_FALSE(Form->Controls().mmiCenterOfMass->isEnabled());
    EXPECT_FALSE(CanvasHolds(0x000000u));  // no cross left on screen

    // Editing a mass to 0 does the same.
    MakeSetup(2, {{"Heavy", {0, 0}, {}, 1}}, 100);
    Form->Controls().mmiCenterOfMass->trigger();
    ASSERT_TRUE(View().ShowCenterOfMass());
    Script.Editor = [](TEditParticleForm& editor) {
        editor.Controls().edtMass->setText("0");
        editor.btnOKClick();
        return editor.result();
    };
    Script.List = [](TfrmParticlesList& list) {
        list.SelectRow(0);
        list.btnEditClick();
        list.btnOKClick();
        return list.result();
    };
    Form->Controls().mmiEditParticles->trigger();
    EXPECT_FALSE(View().ShowCenterOfMass());
    EXPECT_FALSE(Form->Controls().mmiCenterOfMass->isEnabled());
}

TEST_F(EditCommands, FrameOnAParticleIsNamedAndFallsBackWhenTheParticleGoes) {
    OpenOrbit();
    Script.Settings = [](TfrmSettings& settings) {
        settings.Controls().cbFrame->setCurrentIndex(settings.Controls().cbFrame->findText("Beta"));
        settings.btnOKClick();
        return settings.result();
    };
    Form->Controls().mmiSettings->trigger();
    EXPECT_EQ(Form->Document().Frame().Name(), "Beta");
    EXPECT_EQ(Form->PanelText(2), "Frame: Beta  (x = -0.97, y = 0.24309)");
    EXPECT_TRUE(Modified());
    EXPECT_FALSE(Doc().ParticlesModified());
    EXPECT_EQ(Pixel(200, 150), 0x0000FFu);  // Beta, colour 4, at the centre of the view

    // Deleting the followed particle leaves the frame on its own origin.
    Script.List = [](TfrmParticlesList& list) {
        list.SelectRow(1);
        list.btnDeleteClick();
        list.btnOKClick();
        return list.result();
    };
    Form->Controls().mmiEditParticles->trigger();
    EXPECT_EQ(Form->Document().Frame().Name(), "Origin");
    EXPECT_EQ(Form->PanelText(2), "Frame: Origin  (x = 0, y = 0)");
    Form->Controls().mmiStep->trigger();  // a step reads the frame's origin
    EXPECT_EQ(RunState(), rsPaused);
}

TEST_F(EditCommands, FrameSettingsWithoutAChangeRedrawNothing) {
    OpenOrbit();
    Script.Settings = [](TfrmSettings& settings) {
        settings.btnOKClick();
        return settings.result();
    };
    Form->Controls().mmiSettings->trigger();
    EXPECT_FALSE(Modified());
    EXPECT_EQ(Form->PanelText(2), "Frame: Origin  (x = 0, y = 0)");
}

TEST_F(EditCommands, NotesMarkTheParticleSetupOnlyWhenChangedAndConfirmed) {
    OpenOrbit();
    Script.Notes = [](TfrmNotes& notes) {
        notes.Controls().memNotes->setPlainText("Changed");
        notes.btnCancelClick();
        return notes.result();
    };
    Form->Controls().mmiNotes->trigger();
    EXPECT_FALSE(Modified());
    EXPECT_NE(Sim().Notes, "Changed");

    Script.Notes = [](TfrmNotes& notes) {
        notes.Controls().memNotes->setPlainText("Changed");
        notes.btnOKClick();
        return notes.result();
    };
    Form->Controls().mmiNotes->trigger();
    EXPECT_EQ(Sim().Notes, "Changed");
    EXPECT_TRUE(Doc().ParticlesModified());
    EXPECT_TRUE(Form->Controls().mmiSave->isEnabled());
}

TEST_F(EditCommands, OpeningASetupWithoutMassSwitchesTheMarkerOff) {
    MakeSetup(2, {{"Heavy", {0, 0}, {}, 1}}, 100);
    Form->Controls().mmiCenterOfMass->trigger();
    ASSERT_TRUE(View().ShowCenterOfMass());

    QTemporaryDir dir;
    const std::string file = dir.filePath("Massless.knx").toStdString();
    MakeSetup(2, {{"Ghost", {0, 0}, {}, 0}}, 100);
    ASSERT_TRUE(View().ShowCenterOfMass());  // still on from the setup before
    Sim().FileName = file;
    Sim().SaveToFile();

    Open(file);
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_FALSE(View().ShowCenterOfMass());
    EXPECT_FALSE(Form->Controls().mmiCenterOfMass->isChecked());
    EXPECT_FALSE(Form->Controls().mmiCenterOfMass->isEnabled());
}

}  // namespace
}  // namespace kinetra::ui::test
