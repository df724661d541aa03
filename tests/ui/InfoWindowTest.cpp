// The simulation info window: its lines for each number of dimensions, the two number formats,
// and its check mark in the main window.
#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>

#include "UiTestSupport.h"
#include "ui/dialogs/KNInfo.h"

namespace kinetra::ui::test {
namespace {

using InfoWindow = TFormTest;

const QStringList kHead = {
    "Numerical method:", "Time step:", "Kinetic energy:", "Potential energy:", "Total energy:"};

TfrmInfo& ShowInfo(TSimForm& form) {
    form.Controls().mmiInfo->trigger();
    EXPECT_TRUE(form.InfoShown());
    EXPECT_NE(form.InfoWindow(), nullptr);
    return *form.InfoWindow();
}

TEST_F(InfoWindow, LinesForOneToFourDimensions) {
    MakeSetup(1, {{"A", {0}, {1}}});
    TfrmInfo& one = ShowInfo(*Form);
    EXPECT_EQ(one.Labels(), kHead + QStringList({"Momentum x"}));
    EXPECT_EQ(one.height(), 6 * one.LineHeight());
    EXPECT_EQ(one.width(), 2 * (TfrmInfo::InfoMargin + one.ValueLeft()));
    EXPECT_EQ(one.ValueLeft(), QFontMetrics(one.font()).horizontalAdvance("Numerical method:") + 10);
    EXPECT_EQ(one.ValueRight(), 2 * one.ValueLeft());

    MakeSetup(2, {{"A", {0, 0}, {1, 0}}});
    TfrmInfo& two = ShowInfo(*Form);
    EXPECT_EQ(two.Labels(), kHead + QStringList({"Momentum x", "Momentum y", "Angular momentum"}));
    EXPECT_EQ(two.height(), 8 * two.LineHeight());

    MakeSetup(3, {{"A", {0, 0, 0}, {1, 0, 0}}});
    TfrmInfo& three = ShowInfo(*Form);
    EXPECT_EQ(three.Labels(), kHead + QStringList({"Momentum x", "Momentum y", "Momentum z",
                                                   "Ang. momentum x", "Ang. momentum y", "Ang. momentum z"}));
    EXPECT_EQ(three.height(), 11 * three.LineHeight());

    MakeSetup(4, {{"A", {0, 0, 0, 0}, {1, 0, 0, 0}}});
    TfrmInfo& four = ShowInfo(*Form);
    EXPECT_EQ(four.Labels(),
              kHead + QStringList({"Momentum x1", "Momentum x2", "Momentum x3", "Momentum x4"}));
    EXPECT_EQ(four.height(), 9 * four.LineHeight());
}

TEST_F(InfoWindow, ValuesUseFiveAndTenDigits) {
    // Kinetic energy 1.23456789 (mass 2): five digits alone, ten in the total.
    MakeSetup(2, {{"A", {1, 0}, {0, std::sqrt(1.23456789)}, 2}});
    TfrmInfo& info = ShowInfo(*Form);
    ASSERT_EQ(info.Values().size(), 8);
    EXPECT_EQ(info.Values()[0], "Euler");
    EXPECT_EQ(info.Values()[1], "0.002");
    EXPECT_EQ(info.Values()[2], "1.2346");
    EXPECT_EQ(info.Values()[3], "0");
    EXPECT_EQ(info.Values()[4], "1.23456789");
    EXPECT_EQ(info.Values()[5], "0");
    EXPECT_EQ(info.Values()[6], "2.222222212");
    EXPECT_EQ(info.Values()[7], "2.222222212");  // r x p about the origin: 1 * 2.2222...

    Form->Controls().mmiStepBack->trigger();
    EXPECT_EQ(info.Values()[1], "-0.002");  // running backwards shows a negative step
}

TEST_F(InfoWindow, MomentaAreThoseOfTheShownStateBeforeAnyStep) {
    // No step has computed the momenta yet; the window still shows those of the state shown.
    MakeSetup(2, {{"A", {-20, 0}, {0, 1}, 1}, {"B", {20, 0}, {0, -1}, 3}}, 1, 0.5, 10);
    TfrmInfo& info = ShowInfo(*Form);
    EXPECT_EQ(info.Values()[5], "0");
    EXPECT_EQ(info.Values()[6], "-2");
    EXPECT_EQ(info.Values()[7], "-80");
}

// Two masses of 1E200 at 1E-150 from each other: the potential energy of the start overflows.
// The setup opens whether the window is shown or not, the window says which energies it cannot
// give, and the first step fails as a step does.
TEST_F(InfoWindow, EnergiesTheArithmeticCannotExpressAreUnavailable) {
    for (const bool shownBeforeOpen : {true, false}) {
        Open(DataFile("SunPlanet.knx"));
        if (shownBeforeOpen) ShowInfo(*Form);
        Open(DataFile("EnergyOverflow.knx"));
        EXPECT_TRUE(Prompts->Errors.empty()) << shownBeforeOpen;
        EXPECT_TRUE(Prompts->Messages.empty()) << shownBeforeOpen;
        ASSERT_EQ(RunState(), rsStopped) << shownBeforeOpen;
        EXPECT_EQ(Sim().Particles.Count(), 2);
        TfrmInfo& info = shownBeforeOpen ? *Form->InfoWindow() : ShowInfo(*Form);
        ASSERT_EQ(info.Values().size(), 6);
        EXPECT_EQ(info.Values()[2], "0") << shownBeforeOpen;  // kinetic
        EXPECT_EQ(info.Values()[3], "unavailable") << shownBeforeOpen;
        EXPECT_EQ(info.Values()[4], "unavailable") << shownBeforeOpen;
        EXPECT_EQ(info.Values()[5], "0") << shownBeforeOpen;

        Form->Controls().mmiStep->trigger();
        ASSERT_EQ(Prompts->Errors.size(), 1u);
        EXPECT_EQ(Prompts->Errors[0], "Coordinate out of range.");
        Prompts->Errors.clear();
        Form->Controls().mmiInfo->trigger();  // hidden for the next round
    }
}

TEST_F(InfoWindow, ClosingItUnchecksDisplayInfo) {
    MakeSetup(2, {{"A", {0, 0}, {1, 0}}});
    TfrmInfo& info = ShowInfo(*Form);
    EXPECT_TRUE(Sim().InfoWanted);
    EXPECT_TRUE(info.isVisible());
    info.close();
    EXPECT_FALSE(info.isVisible());
    EXPECT_FALSE(Form->Controls().mmiInfo->isChecked());
    EXPECT_FALSE(Form->InfoShown());
    EXPECT_FALSE(Sim().InfoWanted);

    TfrmInfo& again = ShowInfo(*Form);
    EXPECT_EQ(&again, &info);  // the same window, hidden and shown
    Form->Controls().mmiInfo->trigger();
    EXPECT_FALSE(info.isVisible());
    EXPECT_FALSE(Sim().InfoWanted);
}

TEST_F(InfoWindow, ANewViewDiscardsIt) {
    MakeSetup(2, {{"A", {0, 0}, {1, 0}}});
    ShowInfo(*Form);
    Doc().ResetView();
    EXPECT_EQ(Form->InfoWindow(), nullptr);
    EXPECT_FALSE(Form->InfoShown());
    EXPECT_FALSE(Form->Controls().mmiInfo->isChecked());
}

}  // namespace
}  // namespace kinetra::ui::test
