// Open, Save, Save As, closing and quitting with the question about unsaved changes; the caption
// and the names the commands derive from what the user chose.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>

#include "UiTestSupport.h"
#include "base/KNConst.h"
#include "ui/dialogs/KNAbout.h"
#include "ui/document/UiText.h"

namespace kinetra::ui::test {
namespace {

const QString kAskSimulation = "The simulation setup might have been modified. Do you wish to save first?";
const QString kAskParticles = "The particle setup might have been modified. Do you wish to save first?";
const QString kAskNew = "The new setup has not yet been saved. Save now?";
const QString kOverride = "A setup of this name already exists. Do you want to override it?";

class SetupCommands : public TFormTest {
protected:
    void SetUp() override {
        TFormTest::SetUp();
        ASSERT_TRUE(Dir.isValid());
    }
    // A copy of the three-body test setup under `name` in the temporary folder.
    std::string Copy(const QString& name) {
        const QString target = Dir.filePath(name);
        QFile::remove(target);
        EXPECT_TRUE(QFile::copy(QString::fromStdString(DataFile("ui_figure_eight.knx")), target));
        return target.toStdString();
    }
    std::string PathOf(const QString& name) const { return Dir.filePath(name).toStdString(); }
    void Write(const QString& name, const QByteArray& bytes) {
        QFile f(Dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void ExpectNoSetup() {
        EXPECT_EQ(RunState(), rsNoSetup);
        EXPECT_EQ(Form->windowTitle(), "Kinetra");
        EXPECT_TRUE(Sim().FileName.empty());
        EXPECT_EQ(Sim().Particles.Count(), 0);
        EXPECT_FALSE(Modified());
        EXPECT_FALSE(Form->Controls().mmiStart->isEnabled());
        EXPECT_FALSE(Form->Controls().mmiSaveAs->isEnabled());
        EXPECT_TRUE(Form->Controls().mmiOpen->isEnabled());
        EXPECT_FALSE(View().Ready());
    }

    QTemporaryDir Dir;
};

TEST_F(SetupCommands, OpenLoadsStopsAndDrawsTheSetup) {
    Open(Copy("Orbit.knx"));
    EXPECT_EQ(Prompts->FileDialogTitles, std::vector<QString>{"Open a setup"});
    EXPECT_EQ(Prompts->LastFilter, "Kinetra setup (*.knx)|*.knx");
    EXPECT_TRUE(Prompts->Messages.empty());
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_EQ(Form->windowTitle(), "Kinetra - Orbit");
    EXPECT_EQ(Sim().Particles.Count(), 3);
    EXPECT_EQ(Form->PanelText(0), "Stopped");
    EXPECT_EQ(Form->PanelText(1), "Time: 0");
    EXPECT_EQ(Form->PanelText(2), "Frame: Origin  (x = 0, y = 0)");
    EXPECT_DOUBLE_EQ(Form->Document().Frame().Scale(), 250);
    EXPECT_FALSE(Modified());
    EXPECT_FALSE(Form->Controls().mmiSave->isEnabled());
    EXPECT_TRUE(Form->Controls().mmiStart->isEnabled());
    EXPECT_TRUE(View().Ready());
    EXPECT_EQ(Runner().RefreshInterval(), 30);
    EXPECT_EQ(Pixel(200, 150), 0x008000u);  // the particle at the origin, colour 8
}

TEST_F(SetupCommands, OpenForcesTheSetupExtension) {
    Copy("a.knx");
    Open(PathOf("a.txt"));
    EXPECT_EQ(Sim().FileName, PathOf("a.knx"));
    EXPECT_EQ(Form->windowTitle(), "Kinetra - a");
    EXPECT_EQ(RunState(), rsStopped);
}

TEST_F(SetupCommands, OpenOfARejectedSetupShowsTheMessageAndLeavesNoSetup) {
    QByteArray text = "2\r\n3 10\r\n0.002\r\n\r\nParticles\r\n";
    Write("bad.knx", text);
    Open(PathOf("bad.knx"));
    ASSERT_EQ(Prompts->Messages.size(), 1u);
    EXPECT_EQ(Prompts->Messages[0], "Keyword Begin_Particles expected");
    EXPECT_TRUE(Prompts->Errors.empty());
    ExpectNoSetup();
}

// A file that is missing or fails to load: the message as the loader worded it (in the message
// box or, for a damaged file, the error box), and under it the file and the line where reading
// stopped, the item being read and the text found there. The setup that was open stays, with its
// name, its changes and their undo history, its view and its picture.
TEST_F(SetupCommands, AFailedOpenSaysWhyAndWhereAndKeepsTheOpenSetup) {
    struct TCase {
        std::string File;
        bool ErrorBox;
        QString Message;
        QString Where;
    };
    Write("damaged.knx", "two\r\n");
    const std::string missing = PathOf("missing.knx");
    const std::string damaged = PathOf("damaged.knx");
    const std::string badKeyword = DataFile("BadKeyword.knx");
    const std::string badMass = DataFile("BadMass.knx");
    const TCase cases[] = {
        {PathOf("missing.txt"), false, QString::fromStdString("File " + missing + " not found"), ""},
        {damaged, true, "Invalid numeric input.",
         QString::fromStdString("in " + damaged + ", line 1, number of dimensions: \"two\"")},
        {badKeyword, false, "Keyword Begin_Particles expected",
         QString::fromStdString("in " + badKeyword +
                                ", line 5, start of the particle section: \"Particles\"")},
        {badMass, true, "Invalid numeric input.",
         QString::fromStdString("in " + badMass + ", line 8, mass of particle \"Alpha\": \"heavy\"")},
    };
    const std::string orbit = Copy("Orbit.knx");
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        Prompts->Messages.clear();
        Prompts->Errors.clear();
        Open(orbit);
        Form->Controls().actZoomIn->trigger();
        Prompts->Answers = {TAnswer::No};  // not saved before the Open
        Open(c.File);
        const auto& texts = c.ErrorBox ? Prompts->Errors : Prompts->Messages;
        const auto& details = c.ErrorBox ? Prompts->ErrorDetails : Prompts->Details;
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts.back(), c.Message);
        EXPECT_EQ(details.back(), c.Where);
        EXPECT_TRUE((c.ErrorBox ? Prompts->Messages : Prompts->Errors).empty());

        EXPECT_EQ(RunState(), rsStopped);
        EXPECT_EQ(Form->windowTitle(), "Kinetra - Orbit");
        EXPECT_EQ(Sim().FileName, orbit);
        EXPECT_EQ(Sim().Particles.Count(), 3);
        EXPECT_TRUE(Modified());
        EXPECT_TRUE(Form->Controls().mmiStart->isEnabled());
        EXPECT_TRUE(View().Ready());
        EXPECT_DOUBLE_EQ(Doc().Frame().Scale(), 500);
        EXPECT_TRUE(CanvasHolds(0x008000u));
        // The zoom is still there to undo.
        Form->Controls().mmiUndo->trigger();
        EXPECT_DOUBLE_EQ(Doc().Frame().Scale(), 250);
        EXPECT_FALSE(Modified());
    }
}

TEST_F(SetupCommands, CancelledOpenChangesNothing) {
    Open(Copy("Orbit.knx"));
    Form->Controls().mmiOpen->trigger();  // no name queued: the dialog is cancelled
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_EQ(Form->windowTitle(), "Kinetra - Orbit");
}

TEST_F(SetupCommands, TheSaveQuestionHasThreeWordings) {
    Open(Copy("Orbit.knx"));
    Form->Controls().actZoomIn->trigger();
    Form->Controls().mmiOpen->trigger();  // Cancel is the scripted default
    EXPECT_EQ(Prompts->Questions, std::vector<QString>{kAskSimulation});
    EXPECT_EQ(Prompts->FileDialogTitles.size(), 1u);  // cancelled before the file dialog

    Doc().ClearUndo(false);  // a new setup: changed in its particles
    EXPECT_EQ(Form->AskSave(), TAnswer::Cancel);
    EXPECT_EQ(Prompts->Questions.back(), kAskParticles);

    Doc().SetNewSetup(true);
    Form->AskSave();
    EXPECT_EQ(Prompts->Questions.back(), kAskNew);
}

TEST_F(SetupCommands, OpeningAfterParticleChangesAsksAboutTheSimulationNextTime) {
    Open(Copy("Orbit.knx"));
    Doc().ClearUndo(false);  // a new setup: changed in its particles
    Prompts->Answers.push_back(TAnswer::No);
    Open(Copy("Other.knx"));
    EXPECT_EQ(Form->windowTitle(), "Kinetra - Other");
    Form->Controls().actZoomIn->trigger();
    Form->AskSave();
    EXPECT_EQ(Prompts->Questions.back(), kAskSimulation);
}

TEST_F(SetupCommands, YesSavesBeforeOpening) {
    const std::string first = Copy("Orbit.knx");
    Open(first);
    Form->Controls().actZoomIn->trigger();
    Prompts->Answers.push_back(TAnswer::Yes);
    Open(Copy("Other.knx"));
    Open(first);
    EXPECT_DOUBLE_EQ(Form->Document().Frame().Scale(), 500);  // the zoom was saved
}

TEST_F(SetupCommands, SaveWritesTheFileAndClearsTheChange) {
    const std::string path = Copy("Orbit.knx");
    Open(path);
    Form->Controls().actZoomOut->trigger();
    ASSERT_TRUE(Form->Controls().mmiSave->isEnabled());
    Form->Controls().mmiSave->trigger();
    EXPECT_FALSE(Modified());
    EXPECT_FALSE(Form->Controls().mmiSave->isEnabled());
    EXPECT_TRUE(Prompts->FileDialogTitles.size() == 1u);  // no dialog for Save
    EXPECT_EQ(Form->windowTitle(), "Kinetra - Orbit");
    Open(path);
    EXPECT_DOUBLE_EQ(Form->Document().Frame().Scale(), 125);
}

TEST_F(SetupCommands, SaveAsAsksBeforeOverridingAndNoShowsTheDialogAgain) {
    Open(Copy("Orbit.knx"));
    Copy("Taken.knx");
    Form->Controls().actZoomIn->trigger();
    Prompts->SaveNames = {QString::fromStdString(PathOf("Taken")), QString::fromStdString(PathOf("Fresh"))};
    Prompts->Answers = {TAnswer::No};
    Form->Controls().mmiSaveAs->trigger();
    EXPECT_EQ(Prompts->Questions, std::vector<QString>{kOverride});  // "Taken" has a .knx file
    EXPECT_EQ(Prompts->FileDialogTitles.back(), "Save the setup");
    EXPECT_EQ(Prompts->ProposedNames.size(), 2u);
    EXPECT_EQ(Prompts->ProposedNames[1], QString::fromStdString(PathOf("Taken")));
    EXPECT_EQ(Sim().FileName, PathOf("Fresh.knx"));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(PathOf("Fresh.knx"))));
    EXPECT_EQ(Form->windowTitle(), "Kinetra - Fresh");
    EXPECT_FALSE(Modified());
}

TEST_F(SetupCommands, SaveAsCancelledAtTheQuestionKeepsTheChosenName) {
    Open(Copy("Orbit.knx"));
    const std::string taken = Copy("Taken.knx");
    const auto before = QFileInfo(QString::fromStdString(taken)).size();
    Form->Controls().actZoomIn->trigger();
    Prompts->SaveNames = {QString::fromStdString(taken)};
    Prompts->Answers = {TAnswer::Cancel};
    Form->Controls().mmiSaveAs->trigger();
    EXPECT_EQ(Sim().FileName, taken);
    EXPECT_EQ(Form->windowTitle(), "Kinetra - Taken");
    EXPECT_TRUE(Modified());
    EXPECT_EQ(QFileInfo(QString::fromStdString(taken)).size(), before);

    // The chosen name is the setup's now, but its file is replaced only after the question has
    // been answered with Yes, by Save as by closing; once confirmed, Save asks no more.
    Prompts->Answers = {TAnswer::No};
    Form->Controls().mmiSave->trigger();
    EXPECT_EQ(Prompts->Questions, (std::vector<QString>{kOverride, kOverride}));
    EXPECT_TRUE(Modified());
    EXPECT_EQ(QFileInfo(QString::fromStdString(taken)).size(), before);
    Prompts->Answers = {TAnswer::Yes, TAnswer::Cancel};
    EXPECT_FALSE(Form->close());
    EXPECT_EQ(Prompts->Questions.back(), kOverride);
    EXPECT_EQ(QFileInfo(QString::fromStdString(taken)).size(), before);
    Prompts->Answers = {TAnswer::Yes};
    Form->Controls().mmiSave->trigger();
    EXPECT_FALSE(Modified());
    // Two changes of the view that end where they began: still changes to save.
    Form->Controls().actZoomIn->trigger();
    Form->Controls().actZoomOut->trigger();
    Form->Controls().mmiSave->trigger();
    EXPECT_EQ(Prompts->Questions.size(), 5u);
    Open(taken);
    EXPECT_DOUBLE_EQ(Form->Document().Frame().Scale(), 500);
}

TEST_F(SetupCommands, ClosingAsksAndCancelKeepsTheWindow) {
    Open(Copy("Orbit.knx"));
    Form->Controls().actZoomIn->trigger();
    Prompts->Answers = {TAnswer::Cancel};
    EXPECT_FALSE(Form->close());
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(Prompts->Questions, std::vector<QString>{kAskSimulation});

    Prompts->Answers = {TAnswer::No};
    EXPECT_TRUE(Form->close());
    EXPECT_FALSE(Form->isVisible());
}

TEST_F(SetupCommands, ClosingWithYesSaves) {
    const std::string path = Copy("Orbit.knx");
    Open(path);
    Form->Controls().actZoomIn->trigger();
    Prompts->Answers = {TAnswer::Yes};
    EXPECT_TRUE(Form->close());
    Open(path);
    EXPECT_DOUBLE_EQ(Form->Document().Frame().Scale(), 500);
}

TEST_F(SetupCommands, ASaveErrorWhileClosingKeepsTheProgramRunning) {
    Open(Copy("Orbit.knx"));
    Form->Controls().actZoomIn->trigger();
    Sim().FileName = PathOf("no-such-folder/x.knx");
    Prompts->Answers = {TAnswer::Yes};
    EXPECT_FALSE(Form->close());
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(Prompts->Errors.size(), 1u);
}

TEST_F(SetupCommands, QuitDuringARunEndsTheRun) {
    Open(Copy("Orbit.knx"));
    QMetaObject::invokeMethod(
        Form.get(), [&] { Form->Controls().mmiQuit->trigger(); }, Qt::QueuedConnection);
    Form->Controls().mmiStart->trigger();     // returns once the quit has ended the loop
    EXPECT_TRUE(Prompts->Questions.empty());  // nothing changed, nothing asked
    EXPECT_NE(RunState(), rsRunning);
    EXPECT_FALSE(Form->isVisible());
}

TEST_F(SetupCommands, ClosingTheWindowDuringARunAsksThenEndsTheRun) {
    Open(Copy("Orbit.knx"));
    Form->Controls().actZoomIn->trigger();
    Prompts->Answers = {TAnswer::Cancel, TAnswer::No};
    int closes = 0;
    std::function<void()> tryClose = [&] {
        Form->close();
        if (++closes < 2) QMetaObject::invokeMethod(Form.get(), tryClose, Qt::QueuedConnection);
    };
    QMetaObject::invokeMethod(Form.get(), tryClose, Qt::QueuedConnection);
    Form->Controls().mmiStart->trigger();
    EXPECT_EQ(Prompts->Questions.size(), 2u);  // Cancel kept the run going, No ended it
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_GT(Sim().Time, 0);  // closing stops without a rewind
    EXPECT_FALSE(Form->isVisible());
}

TEST_F(SetupCommands, About) {
    Form->Controls().mmiAbout->trigger();
    EXPECT_EQ(Prompts->DialogTitles, std::vector<QString>{"About Kinetra"});
    TfrmAbout about;
    EXPECT_EQ(about.Controls().lblTitle->text(), "Kinetra 1.0");
}

TEST(SetupNames, CaptionKeepsANameWithoutAThreeCharacterExtension) {
    EXPECT_EQ(CaptionFor(""), "Kinetra");
    EXPECT_EQ(CaptionFor("/home/u/Orbit.knx"), "Kinetra - Orbit");
    EXPECT_EQ(CaptionFor("my.setup.knx"), "Kinetra - my.setup");
    EXPECT_EQ(CaptionFor("test.1"), "Kinetra - test.1");
    EXPECT_EQ(CaptionFor("NewSetup"), "Kinetra - NewSetup");
}

TEST(SetupNames, ExtensionsAndFilter) {
    EXPECT_EQ(ForceSetupExtension("/d/a.txt"), "/d/a.knx");
    EXPECT_EQ(ForceSetupExtension("/d.x/a"), "/d.x/a.knx");
    EXPECT_EQ(ForceSetupExtension("my.setup.txt"), "my.setup.knx");
    EXPECT_EQ(SaveTarget("/d/Fresh"), "/d/Fresh.knx");
    EXPECT_EQ(SaveTarget("/d/Fresh.dat"), "/d/Fresh.dat");
    EXPECT_EQ(QtFilter(SetupFilter), "Kinetra setup (*.knx)");
    EXPECT_EQ(QtFilter("Text|*.txt"), "Text (*.txt)");
}

}  // namespace
}  // namespace kinetra::ui::test
