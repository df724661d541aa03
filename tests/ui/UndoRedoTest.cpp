// Undo and redo of the changes of a setup, through the window's real actions: every kind of
// command is done, undone back to the saved state (unmodified, the same file text), redone, and
// undone again, after which Save As writes the opened file byte for byte. Then the rules around
// the stack: merged wheel and drag changes, undo disabled while running, the saved state after
// a save, New and Open forgetting the changes.
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <functional>
#include <sstream>

#include "UiTestSupport.h"
#include "ui/dialogs/EditData.h"
#include "ui/dialogs/EditPart.h"
#include "ui/dialogs/KNNotes.h"
#include "ui/dialogs/KNSettings.h"
#include "ui/dialogs/SimOptions.h"

namespace kinetra::ui::test {
namespace {

class UndoRedo : public TFormTest {
protected:
    void SetUp() override {
        TFormTest::SetUp();
        ASSERT_TRUE(Dir.isValid());
        // Each dialog as the current case fills it; one without a script is cancelled.
        Prompts->OnExecDialog = [this](QDialog& dialog) -> int {
            return Dialog ? Dialog(dialog) : QDialog::Rejected;
        };
    }
    // The three-body test setup (Alpha, Beta, Gamma), opened unchanged.
    std::string OpenOrbit() {
        const QString target = Dir.filePath("Orbit.knx");
        QFile::remove(target);
        EXPECT_TRUE(QFile::copy(QString::fromStdString(DataFile("ui_figure_eight.knx")), target));
        Open(target.toStdString());
        EXPECT_EQ(RunState(), rsStopped);
        return target.toStdString();
    }
    // The text Save would write now.
    std::string SetupText() const {
        std::ostringstream out;
        Sim().SaveToStream(out);
        return out.str();
    }
    static QByteArray Bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QAction& Undo() const { return *Form->Controls().mmiUndo; }
    QAction& Redo() const { return *Form->Controls().mmiRedo; }
    void Drag(QPoint from, QPoint to) {
        Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
        Mouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
        QCoreApplication::processEvents();
        Mouse(QEvent::MouseMove, to, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }

    QTemporaryDir Dir;
    std::function<int(QDialog&)> Dialog;
};

// A script for the dialog of type TDialog.
template <typename TDialog>
std::function<int(QDialog&)> In(std::function<void(TDialog&)> fill) {
    return [fill](QDialog& dialog) {
        auto* typed = dynamic_cast<TDialog*>(&dialog);
        if (typed == nullptr) return int(QDialog::Rejected);
        fill(*typed);
        return typed->result();
    };
}

TEST_F(UndoRedo, EveryKindOfChangeIsUndoneAndRedoneExactly) {
    struct TCase {
        QString Command;
        // Changes the particles or the notes: the save question asks about the particle setup.
        bool Particles;
        std::function<void()> Do;
    };
    const auto list = [](std::function<void(TfrmParticlesList&)> edit) {
        return In<TfrmParticlesList>([edit](TfrmParticlesList& dialog) {
            edit(dialog);
            dialog.btnOKClick();
        });
    };
    const std::vector<TCase> cases = {
        {"Delete particle 'Beta'", true,
         [&] {
             Dialog = list([](TfrmParticlesList& d) {
                 d.SelectRow(1);
                 d.btnDeleteClick();
             });
             Form->Controls().mmiEditParticles->trigger();
         }},
        {"Insert particle 'Delta'", true,
         [&] {
             const auto editor = In<TEditParticleForm>([](TEditParticleForm& e) {
                 e.Controls().edtName->setText("Delta");
                 e.Controls().edtMass->setText("2");
                 e.Controls().sgPos->SetCell(0, "0.5");
                 e.btnOKClick();
             });
             const auto outer = list([](TfrmParticlesList& d) {
                 d.SelectRow(3);
                 d.btnInsertClick();
             });
             Dialog = [editor, outer](QDialog& d) {
                 return dynamic_cast<TEditParticleForm*>(&d) ? editor(d) : outer(d);
             };
             Form->Controls().mmiEditParticles->trigger();
         }},
        {"Edit particle 'Gamma'", true,
         [&] {
             const auto editor = In<TEditParticleForm>([](TEditParticleForm& e) {
                 e.Controls().edtMass->setText("1/3");
                 e.btnOKClick();
             });
             const auto outer = list([](TfrmParticlesList& d) {
                 d.SelectRow(2);
                 d.btnEditClick();
             });
             Dialog = [editor, outer](QDialog& d) {
                 return dynamic_cast<TEditParticleForm*>(&d) ? editor(d) : outer(d);
             };
             Form->Controls().mmiEditParticles->trigger();
         }},
        {"Simulation options", false,
         [this] {
             Dialog = In<TfrmSimOptions>([](TfrmSimOptions& d) {
                 d.Controls().edtTimeStep->setText("1/3000");
                 d.Controls().edtPower->setText("-2.5");
                 d.btnOKClick();
             });
             Form->Controls().mmiSimulationOptions->trigger();
         }},
        {"Frame settings", false,
         [this] {
             Dialog = In<TfrmSettings>([](TfrmSettings& d) {
                 d.Controls().edtPixelsPerUnit->setText("123.25");
                 d.Controls().cbFrame->setCurrentIndex(d.Controls().cbFrame->findText("Beta"));
                 d.btnOKClick();
             });
             Form->Controls().mmiSettings->trigger();
         }},
        {"Notes", true,
         [this] {
             Dialog = In<TfrmNotes>([](TfrmNotes& d) {
                 d.Controls().memNotes->setPlainText("Watch the figure eight.");
                 d.btnOKClick();
             });
             Form->Controls().mmiNotes->trigger();
         }},
        {"Zoom in", false, [this] { Form->Controls().actZoomIn->trigger(); }},
        {"Zoom out", false, [this] { Form->Controls().actZoomOut->trigger(); }},
        {"Toggle axes", false, [this] { Form->Controls().actToggle->trigger(); }},
        {"Fit all", false, [this] { Form->Controls().mmiFitAll->trigger(); }},
        {"Pan", false,
         [this] {
             QKeyEvent key(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
             QCoreApplication::sendEvent(Form.get(), &key);
         }},
        {"Zoom", false,
         [this] {
             Wheel({150, 100}, 120);
         }},
        {"Pan", false,
         [this] {
             // On empty space: a drag on a particle moves the particle.
             Drag({20, 20}, {50, 40});
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Command.toStdString());
        const std::string file = OpenOrbit();
        const std::string before = SetupText();
        EXPECT_FALSE(Undo().isEnabled());
        c.Do();
        Dialog = nullptr;
        const std::string after = SetupText();
        ASSERT_NE(after, before);
        EXPECT_TRUE(Modified());
        EXPECT_EQ(Doc().ParticlesModified(), c.Particles);
        ASSERT_TRUE(Undo().isEnabled());
        EXPECT_EQ(Undo().text(), "&Undo " + c.Command);

        Undo().trigger();
        EXPECT_EQ(SetupText(), before);
        EXPECT_FALSE(Modified());
        EXPECT_FALSE(Form->Controls().mmiSave->isEnabled());
        EXPECT_FALSE(Undo().isEnabled());
        EXPECT_EQ(Redo().text(), "&Redo " + c.Command);

        Redo().trigger();
        EXPECT_EQ(SetupText(), after);
        EXPECT_TRUE(Modified());
        EXPECT_EQ(Doc().ParticlesModified(), c.Particles);
        EXPECT_EQ(RunState(), rsStopped);

        // Saved after the undo, the setup is the file it was opened from, byte for byte.
        Undo().trigger();
        const QString copy = Dir.filePath("copy.knx");
        QFile::remove(copy);
        Prompts->SaveNames.push_back(copy);
        Form->Controls().mmiSaveAs->trigger();
        EXPECT_EQ(Bytes(copy), Bytes(QString::fromStdString(file)));
    }
}

TEST_F(UndoRedo, WheelNotchesAndDragsGatherIntoOneViewChange) {
    OpenOrbit();
    const double scale = Doc().Frame().Scale();
    const TVector origin = Doc().Frame().OwnOrigin();
    Wheel({150, 100}, 120);
    Wheel({150, 100}, 120);
    Wheel({100, 120}, -120);
    EXPECT_EQ(Undo().text(), "&Undo Zoom");
    Drag({20, 20}, {50, 40});
    Drag({50, 40}, {10, 10});
    EXPECT_EQ(Undo().text(), "&Undo Pan");
    Undo().trigger();
    EXPECT_EQ(Undo().text(), "&Undo Zoom");
    Undo().trigger();
    EXPECT_FALSE(Undo().isEnabled());
    EXPECT_EQ(Doc().Frame().Scale(), scale);
    EXPECT_EQ(Doc().Frame().OwnOrigin()[0], origin[0]);
    EXPECT_EQ(Doc().Frame().OwnOrigin()[1], origin[1]);
    EXPECT_FALSE(Modified());
}

TEST_F(UndoRedo, TheSavedStateNewAndOpenAndARunningSimulation) {
    const std::string file = OpenOrbit();
    Form->Controls().actZoomIn->trigger();
    Form->Controls().mmiSave->trigger();
    EXPECT_FALSE(Modified());
    // Undo past the saved state is a change; back at it, the setup is unmodified again.
    Undo().trigger();
    EXPECT_TRUE(Modified());
    EXPECT_FALSE(Doc().ParticlesModified());
    Redo().trigger();
    EXPECT_FALSE(Modified());

    // While running, neither undo nor redo; Run, Step and Stop are no commands.
    Form->Controls().actZoomOut->trigger();
    bool undoWhileRunning = true;
    bool redoWhileRunning = true;
    int stepsSeen = 0;
    const auto draw = Sim().OnStepDone;
    Sim().OnStepDone = [&] {
        draw();
        if (++stepsSeen == 3) {
            undoWhileRunning = Undo().isEnabled();
            redoWhileRunning = Redo().isEnabled();
            Form->Controls().mmiPause->trigger();
        }
    };
    Form->Controls().mmiStart->trigger();
    Sim().OnStepDone = draw;
    EXPECT_FALSE(undoWhileRunning);
    EXPECT_FALSE(redoWhileRunning);
    EXPECT_EQ(RunState(), rsPaused);
    Form->Controls().mmiStep->trigger();
    Form->Controls().mmiStop->trigger();
    EXPECT_EQ(Undo().text(), "&Undo Zoom out");
    EXPECT_TRUE(Undo().isEnabled());

    // Open forgets the changes of the setup before, and so does New.
    Prompts->Answers.push_back(TAnswer::No);
    Open(file);
    EXPECT_FALSE(Undo().isEnabled());
    EXPECT_FALSE(Redo().isEnabled());
    Form->Controls().actZoomIn->trigger();
    Prompts->Answers.push_back(TAnswer::No);
    Dialog = [](QDialog&) { return int(QDialog::Accepted); };
    Form->Controls().mmiNew->trigger();
    EXPECT_FALSE(Undo().isEnabled());
    EXPECT_TRUE(Doc().NewSetup());
    EXPECT_TRUE(Doc().ParticlesModified());
    // A change of the new setup undone leaves it a new, unsaved setup.
    Form->Controls().actZoomIn->trigger();
    Undo().trigger();
    EXPECT_TRUE(Modified());
    EXPECT_TRUE(Doc().ParticlesModified());
}

}  // namespace
}  // namespace kinetra::ui::test
