// Recording a run to CSV from the main window: the columns and numbers of kinetra-batch for the
// same setup and steps, what ends a recording, and a write error that ends the recording but
// not the run.
#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <sstream>

#include "UiTestSupport.h"
#include "engine/StateRecord.h"

namespace kinetra::ui::test {
namespace {

class CsvRecording : public TFreshSessionFormTest {
protected:
    void SetUp() override {
        TFreshSessionFormTest::SetUp();
        ASSERT_TRUE(Dir.isValid());
    }
    QString PathOf(const QString& name) const { return Dir.filePath(name); }
    void StartRecording(const QString& name) {
        Prompts->SaveNames.push_back(name);
        Form->Controls().mmiRecordCsv->trigger();
    }
    static std::string ReadAll(const QString& name) {
        QFile file(name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll().toStdString();
    }
    // The text after the comment lines.
    static std::string Records(const std::string& text) {
        std::istringstream in(text);
        std::string rest, line;
        while (std::getline(in, line))
            if (line.rfind('#', 0) != 0) rest += line + "\n";
        return rest;
    }
    // What kinetra-batch writes for the setup: header and records of steps 0..steps, computed by
    // the same engine as the tool (load, rewind, prepare, step).
    // The columns are named after the particles and the window frame's axes (kinetra-batch --names).
    std::string BatchRecords(const std::string& setup, int steps) const {
        TSimData sim;
        sim.FileName = setup;
        sim.LoadFromFile();
        sim.Rewind();
        sim.Prepare();
        std::string text =
            StateCsvHeader(sim, Form->Document().Frame().AxisNames()) + StateCsvRecord(sim, 0, true);
        for (int step = 1; step <= steps; ++step) {
            sim.Step();
            text += StateCsvRecord(sim, step, true);
        }
        return text;
    }
    // The tool itself, when it is found beside the test program's build folder.
    static std::string BatchToolOutput(const std::string& setup, int steps) {
        const QString tool = QCoreApplication::applicationDirPath() + "/../../kinetra-batch";
        if (!QFileInfo(tool).isExecutable()) return {};
        QProcess process;
        process.start(tool,
                      {"run", QString::fromStdString(setup), "--names", "--steps", QString::number(steps)});
        if (!process.waitForFinished(60000) || process.exitCode() != 0) return "failed";
        return process.readAllStandardOutput().toStdString();
    }

    QTemporaryDir Dir;
};

TEST_F(CsvRecording, HasTheColumnsAndNumbersOfKinetraBatch) {
    const std::string setup = DataFile("ui_figure_eight.knx");
    Open(setup);
    StartRecording(PathOf("run"));
    EXPECT_EQ(Prompts->FileDialogTitles.back(), "Record to CSV");
    EXPECT_EQ(Prompts->ProposedNames.back(), "ui_figure_eight.csv");
    EXPECT_EQ(Prompts->LastFilter, "CSV file (*.csv)|*.csv");
    EXPECT_TRUE(Form->Controls().mmiRecordCsv->isChecked());
    EXPECT_TRUE(Form->Recorder().Recording());
    EXPECT_TRUE(Form->StatusNote().startsWith(QStringLiteral("\u25CF CSV ")) &&
                Form->StatusNote().endsWith(QStringLiteral("run.csv")))
        << Form->StatusNote().toStdString();
    // Single steps, then a run that pauses at a refresh, then single steps again.
    for (int i = 0; i < 3; ++i) Form->Controls().mmiStep->trigger();
    QMetaObject::invokeMethod(
        Form.get(), [&] { Form->Controls().mmiPause->trigger(); }, Qt::QueuedConnection);
    Form->Controls().mmiStart->trigger();
    for (int i = 0; i < 2; ++i) Form->Controls().mmiStep->trigger();
    const int steps = Runner().StepCount();
    ASSERT_GT(steps, 5);
    Form->Controls().mmiRecordCsv->trigger();  // unchecked: the file is complete
    EXPECT_FALSE(Form->Recorder().Recording());
    EXPECT_FALSE(Form->Controls().mmiRecordCsv->isChecked());
    EXPECT_EQ(Form->StatusNote(), QString());

    const std::string text = ReadAll(PathOf("run.csv"));
    EXPECT_EQ(
        text.rfind("# setup: " + setup + "\n# method: RK4\n# time step: 0.001\n# cycles per step: 10\n", 0),
        0u)
        << text.substr(0, 200);
    EXPECT_NE(text.find("# force: power of distance -2, G 1, k 0\n"), std::string::npos);
    EXPECT_EQ(Records(text), BatchRecords(setup, steps));
    const std::string tool = BatchToolOutput(setup, steps);
    if (!tool.empty()) {
        EXPECT_EQ(Records(text), tool);
    }
}

TEST_F(CsvRecording, RecordsEveryKthStepAskedForWhenItStarts) {
    const std::string setup = DataFile("ui_figure_eight.knx");
    Open(setup);
    Prompts->Integers.push_back(std::nullopt);  // cancelled: nothing is recorded
    StartRecording(PathOf("none.csv"));
    EXPECT_FALSE(Form->Recorder().Recording());
    EXPECT_FALSE(QFileInfo::exists(PathOf("none.csv")));
    Prompts->Integers.push_back(3);
    StartRecording(PathOf("every3.csv"));
    EXPECT_EQ(Prompts->IntegerLabels.back(), "Record every K-th displayed step, K:");
    for (int i = 0; i < 7; ++i) Form->Controls().mmiStep->trigger();
    Form->Controls().mmiRecordCsv->trigger();
    // Steps 0, 3 and 6 of the batch tool's records.
    std::istringstream all(BatchRecords(setup, 7));
    std::string expected, line;
    for (int row = -1; std::getline(all, line); ++row)
        if (row < 0 || row % 3 == 0) expected += line + "\n";
    EXPECT_NE(expected.find(",Alpha.x,Alpha.y,"), std::string::npos) << expected.substr(0, 80);
    EXPECT_EQ(Records(ReadAll(PathOf("every3.csv"))), expected);
}

TEST_F(CsvRecording, StartedDuringARunNumbersTheStepsAsTheyAre) {
    const std::string setup = DataFile("ui_figure_eight.knx");
    Open(setup);
    int refreshes = 0;
    RunWhile([&] {
        if (++refreshes < 2) return true;
        StartRecording(PathOf("late.csv"));
        QMetaObject::invokeMethod(
            Form.get(), [&] { Form->Controls().mmiPause->trigger(); }, Qt::QueuedConnection);
        return false;
    });
    const int steps = Runner().StepCount();
    Form->Controls().mmiRecordCsv->trigger();
    // The batch tool's records from the step at which the recording began.
    const std::string all = BatchRecords(setup, steps);
    const std::string recorded = Records(ReadAll(PathOf("late.csv")));
    const std::string header = all.substr(0, all.find('\n') + 1);
    ASSERT_EQ(recorded.rfind(header, 0), 0u);
    const std::string first =
        recorded.substr(header.size(), recorded.find('\n', header.size()) + 1 - header.size());
    const size_t at = all.find("\n" + first.substr(0, first.find(',') + 1));
    ASSERT_NE(at, std::string::npos) << first;
    EXPECT_EQ(recorded.substr(header.size()), all.substr(at + 1));
    EXPECT_NE(first.rfind("0,", 0), 0u);  // not the initial state
}

TEST_F(CsvRecording, StopNewOpenAndQuitEndTheRecording) {
    Open(DataFile("ui_figure_eight.knx"));
    StartRecording(PathOf("a.csv"));
    Form->Controls().mmiStep->trigger();
    Form->Controls().mmiStop->trigger();
    EXPECT_FALSE(Form->Recorder().Recording());
    EXPECT_FALSE(Form->Controls().mmiRecordCsv->isChecked());
    // Steps after Stop are not recorded: the initial record and one step.
    Form->Controls().mmiStep->trigger();
    EXPECT_EQ(Records(ReadAll(PathOf("a.csv"))), BatchRecords(DataFile("ui_figure_eight.knx"), 1));

    StartRecording(PathOf("b.csv"));
    ASSERT_TRUE(Form->Recorder().Recording());
    Open(DataFile("SunPlanet.knx"));
    EXPECT_FALSE(Form->Recorder().Recording());
    EXPECT_FALSE(Form->Controls().mmiRecordCsv->isChecked());

    StartRecording(PathOf("c.csv"));
    ASSERT_TRUE(Form->Recorder().Recording());
    // New, confirmed (the scripted dialogs accept untouched).
    Form->Controls().mmiNew->trigger();
    EXPECT_FALSE(Form->Recorder().Recording());

    Prompts->Answers.push_back(TAnswer::No);  // the new setup is not saved
    Open(DataFile("ui_figure_eight.knx"));
    // A cancelled file dialog records nothing and leaves the item unchecked.
    Form->Controls().mmiRecordCsv->trigger();
    EXPECT_FALSE(Form->Controls().mmiRecordCsv->isChecked());
    EXPECT_FALSE(Form->Recorder().Recording());

    StartRecording(PathOf("d.csv"));
    ASSERT_TRUE(Form->Recorder().Recording());
    EXPECT_TRUE(Form->close());
    EXPECT_FALSE(Form->Recorder().Recording());
}

TEST_F(CsvRecording, AWriteErrorEndsTheRecordingButNotTheRun) {
    if (!QFileInfo::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    Open(DataFile("ui_figure_eight.knx"));
    double timeAtError = -1;
    int refreshes = 0;
    RunWhile([&] {
        ++refreshes;
        if (refreshes == 2) {
            StartRecording("/dev/full");
            timeAtError = Sim().Time;
            EXPECT_EQ(RunState(), rsRunning);
        }
        if (refreshes < 4) return true;
        Form->Controls().mmiPause->trigger();
        return false;
    });
    ASSERT_EQ(Prompts->Messages.size(), 1u);
    EXPECT_EQ(Prompts->Messages[0], "Could not record to \"/dev/full\": No space left on device");
    EXPECT_FALSE(Form->Controls().mmiRecordCsv->isChecked());
    EXPECT_FALSE(Form->Recorder().Recording());
    // The run went on after the error until the pause.
    EXPECT_EQ(RunState(), rsPaused);
    EXPECT_GT(Sim().Time, timeAtError);
    EXPECT_TRUE(Prompts->Errors.empty());
}

}  // namespace
}  // namespace kinetra::ui::test
