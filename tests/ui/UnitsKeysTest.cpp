// The window's units and keys: the status panels gloss an SI setup's numbers in readable units
// (and show exactly the plain numbers under Units "None" or for a setup without units), and the
// keys Space, Ctrl+O, Ctrl+Q and Ctrl+Shift+S reach their commands.
#include <QKeySequence>
#include <QMenuBar>
#include <map>

#include "UiTestSupport.h"

namespace kinetra::ui::test {
namespace {

const std::string Examples = std::string(KINETRA_TEST_DATA) + "/../../examples";

class UnitsAndKeys : public TFreshSessionFormTest {
protected:
    QAction* UnitsItem(const char* key) const {
        return Form->findChild<QAction*>(QStringLiteral("smiUnits") + QString::fromUtf8(key));
    }
    QAction* RunPause() const { return Form->findChild<QAction*>(QStringLiteral("actRunPause")); }
};

TEST_F(UnitsAndKeys, AnSISetupReadsInDaysAndAUAndNoneShowsThePlainNumbers) {
    Open(Examples + "/InnerSolarSystem.knx");
    Form->Controls().mmiStep->trigger();  // one displayed step: a day
    ASSERT_TRUE(UnitsItem("Automatic")->isChecked());
    struct Row {
        const char* Choice;
        QString Time;
        QString ExtentUnit;  // empty: no gloss at all
    };
    const Row rows[] = {
        {"Automatic", QStringLiteral("Time: 86400 (1 d)"), QStringLiteral(" AU)")},
        {"None", QStringLiteral("Time: 86400"), QString()},
        {"SI", QStringLiteral("Time: 86400 (1 d)"), QStringLiteral(" AU)")},
        {"Astronomical", QStringLiteral("Time: 86400 (1 d)"), QStringLiteral(" AU)")},
    };
    std::map<QString, std::vector<int>> widths;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Choice);
        UnitsItem(row.Choice)->trigger();
        EXPECT_EQ(Form->PanelText(1), row.Time);
        const QString extent = Form->PanelText(3);
        EXPECT_TRUE(extent.startsWith(QStringLiteral("Width: ")));
        const qsizetype glossed =
            row.ExtentUnit.isEmpty() ? extent.count(QLatin1Char('(')) : extent.count(row.ExtentUnit);
        EXPECT_EQ(glossed, row.ExtentUnit.isEmpty() ? 0 : 2) << extent.toStdString();
        for (const int i : {0, 1, 3}) widths[QString::fromUtf8(row.Choice)].push_back(Form->PanelWidth(i));
    }
    // The choice is remembered for the next window.
    EXPECT_EQ(TSession::Word(QStringLiteral("Units"), QString()), QStringLiteral("Astronomical"));

    // "None" is the window as it was without units: the panels' texts and widths of a setup
    // that has no units under "Automatic".
    UnitsItem("Automatic")->trigger();
    Open(Examples + "/BinaryStar.knx");
    Form->Controls().mmiStep->trigger();
    EXPECT_FALSE(Form->PanelText(1).contains(QLatin1Char('(')));
    std::vector<int> plain;
    for (const int i : {0, 1, 3}) plain.push_back(Form->PanelWidth(i));
    EXPECT_EQ(widths[QStringLiteral("None")], plain);
}

TEST_F(UnitsAndKeys, TheKeysReachTheirCommandsAndShareNoShortcut) {
    const std::map<QAction*, QKeySequence> keys = {
        {Form->Controls().mmiOpen, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {Form->Controls().mmiQuit, QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {Form->Controls().mmiSaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {RunPause(), QKeySequence(Qt::Key_Space)},
    };
    for (const auto& [action, key] : keys) EXPECT_EQ(action->shortcut(), key) << action->text().toStdString();
    // No key of the window means two things: the new keys left the window's own alone.
    std::map<QString, QString> owners;
    for (QAction* action : Form->findChildren<QAction*>())
        for (const QKeySequence& key : action->shortcuts()) {
            const QString name = key.toString();
            EXPECT_FALSE(owners.count(name)) << name.toStdString() << ": " << owners[name].toStdString()
                                             << " and " << action->text().toStdString();
            owners[name] = action->text();
        }
}

TEST_F(UnitsAndKeys, SpaceRunsAndPausesAndCtrlQAsksBeforeQuitting) {
    Open(DataFile("SunPlanet.knx"));
    // Space while stopped runs; Space during the run pauses it.
    QMetaObject::invokeMethod(
        Form.get(), [&] { RunPause()->trigger(); }, Qt::QueuedConnection);
    RunPause()->trigger();
    EXPECT_EQ(RunState(), rsPaused);
    const double paused = Sim().Time;
    EXPECT_GT(paused, 0);
    QMetaObject::invokeMethod(
        Form.get(), [&] { RunPause()->trigger(); }, Qt::QueuedConnection);
    RunPause()->trigger();
    EXPECT_EQ(RunState(), rsPaused);
    EXPECT_GT(Sim().Time, paused);

    // Ctrl+Q is Quit: with unsaved changes it asks, and Cancel keeps the window.
    Form->Controls().actZoomIn->trigger();
    Prompts->Answers = {TAnswer::Cancel};
    Form->Controls().mmiQuit->trigger();
    EXPECT_EQ(Prompts->Questions.size(), 1u);
    EXPECT_TRUE(Form->isVisible());
}

// "Add particle" switched on stays on only for the setup at rest it was switched on for.
TEST_F(UnitsAndKeys, PlacingEndsWithANewSetupAndWithARun) {
    QAction* add = Form->Controls().mmiAddParticle;
    Open(DataFile("SunPlanet.knx"));
    add->trigger();
    ASSERT_TRUE(add->isChecked());
    Open(DataFile("SunPlanet.knx"));
    EXPECT_FALSE(add->isChecked());
    add->trigger();
    ASSERT_TRUE(add->isChecked());
    QMetaObject::invokeMethod(
        Form.get(), [&] { Form->Controls().mmiPause->trigger(); }, Qt::QueuedConnection);
    Form->Controls().mmiStart->trigger();
    EXPECT_FALSE(add->isChecked());
}

}  // namespace
}  // namespace kinetra::ui::test
