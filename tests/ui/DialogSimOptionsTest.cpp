// The simulation options dialog: filling, the method-dependent controls, evaluation on leaving a
// field, and OK writing exactly what changed, in order, with partial writes kept on failure.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <tuple>

#include "DialogTestHost.h"
#include "model/Forces.h"
#include "ui/dialogs/SimOptions.h"

namespace kinetra::ui::dialogtest {
namespace {

class DialogSimOptions : public ::testing::Test {
protected:
    TFakeHost Host;
};

// The dialog offers every method of the table by its caption, and an adaptive one enables the
// accuracy and calls the time step its initial one.
TEST_F(DialogSimOptions, EveryMethodIsOfferedAndAnAdaptiveOneEnablesAccuracy) {
    Host.Sim.SetMethod(nmRKF);
    TfrmSimOptions dialog(Host);
    TRadioGroup& group = *dialog.Controls().rgNumMethod;
    EXPECT_EQ(group.ItemIndex(), nmRKF);
    ASSERT_EQ(group.Count(), static_cast<int>(NumMethods.size()));
    for (const TMethodInfo& entry : NumMethods) {
        SCOPED_TRACE(entry.Name);
        group.Item(entry.Method)->click();
        EXPECT_EQ(group.Item(entry.Method)->text(), QString::fromLatin1(entry.Caption));
        EXPECT_EQ(dialog.Controls().edtAccuracy->isEnabled(), entry.Adaptive);
        EXPECT_EQ(dialog.Controls().lblAccuracy->isEnabled(), entry.Adaptive);
        EXPECT_EQ(dialog.Controls().lblTimeStep->text(),
                  entry.Adaptive ? QStringLiteral("Initial time step") : QStringLiteral("Time step"));
        EXPECT_EQ(dialog.Controls().edtAccuracy->text(), QStringLiteral("1E-12"));
    }
    EXPECT_EQ(group.Item(nmEulerCromer)->text(), QStringLiteral("Euler-Cromer"));
}

// An adaptive method with an accuracy below 1E-18 crawls: the dialog says so (and still accepts
// it); a fixed-step method has no accuracy to warn of.
TEST_F(DialogSimOptions, AnAccuracyThatCrawlsIsWarnedOf) {
    Host.Sim.SetMethod(nmRKF);
    TfrmSimOptions dialog(Host);
    dialog.show();
    const QLabel& warning = *dialog.Controls().lblAccuracyWarning;
    for (const auto& [method, text, warned] : {std::tuple{nmRKF, "1E-12", false},
                                               {nmRKF, "1E-18", false},
                                               {nmRKF, "9E-19", true},
                                               {nmRKF, "1E-30", true},
                                               {nmRK4, "1E-30", false}}) {
        dialog.Controls().rgNumMethod->Item(method)->click();
        dialog.Controls().edtAccuracy->setText(QString::fromLatin1(text));
        EXPECT_EQ(warning.isVisible(), warned) << text << " " << method;
        if (warned) {
            EXPECT_TRUE(warning.text().startsWith(QStringLiteral("An accuracy below 1E-18"))) << text;
        }
    }
}

TEST_F(DialogSimOptions, OpensWithTheFocusOnTheMethodInForce) {
    for (const TNumMethod method : {nmRK4, nmStoermer, nmEuler}) {
        Host.Sim.SetMethod(method);
        TfrmSimOptions dialog(Host);
        ShowActive(dialog);
        EXPECT_EQ(QApplication::focusWidget(), dialog.Controls().rgNumMethod->Item(method)) << method;
    }
}

TEST_F(DialogSimOptions, TabEvaluatesTheFieldAndAnErrorKeepsTextAndFocus) {
    TfrmSimOptions dialog(Host);
    ShowActive(dialog);
    dialog.Controls().edtTimeStep->setFocus();
    dialog.Controls().edtTimeStep->setText(QStringLiteral("1/4"));
    PressKey(Qt::Key_Tab);
    EXPECT_EQ(dialog.Controls().edtTimeStep->text(), QStringLiteral("0.25"));
    EXPECT_TRUE(dialog.Controls().speCycles->hasFocus());

    dialog.Controls().edtGravConst->setFocus();
    dialog.Controls().edtGravConst->setText(QStringLiteral("1/0"));
    PressKey(Qt::Key_Tab);
    ASSERT_EQ(Host.Prompter.Messages.size(), 1u);
    EXPECT_EQ(Host.Prompter.Messages[0], QStringLiteral("Zero denominator"));
    EXPECT_EQ(dialog.Controls().edtGravConst->text(), QStringLiteral("1/0"));
    EXPECT_TRUE(dialog.Controls().edtGravConst->hasFocus());
    EXPECT_EQ(Host.SetModifiedCalls, 0);
}

TEST_F(DialogSimOptions, CancelAfterAnInvalidEntryClosesSilently) {
    TfrmSimOptions dialog(Host);
    ShowActive(dialog);
    dialog.Controls().edtTimeStep->setFocus();
    dialog.Controls().edtTimeStep->setText(QStringLiteral("2*"));
    dialog.Controls().btnCancel->setFocus(Qt::MouseFocusReason);
    dialog.Controls().btnCancel->click();
    EXPECT_TRUE(Host.Prompter.Messages.empty());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(Host.Sim.TimeStep, DefaultTimeStep);
    EXPECT_EQ(Host.SetModifiedCalls, 0);
}

TEST_F(DialogSimOptions, OnlyTheCollisionsBoxChangedMarksNothing) {
    Host.Sim.TimeStep = 0.02;
    TfrmSimOptions dialog(Host);
    dialog.Controls().cbCollisions->setChecked(true);
    dialog.Controls().edtTimeStep->setText(QStringLiteral("2E-2"));  // the same number: no change
    dialog.btnOKClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(Host.Sim.Collisions);
    EXPECT_EQ(Host.SetModifiedCalls, 0);
}

TEST_F(DialogSimOptions, OkWritesEachChangedValueThroughItsSetter) {
    TfrmSimOptions dialog(Host);
    dialog.Controls().rgNumMethod->SetItemIndex(nmRalston);
    dialog.Controls().edtTimeStep->setText(QStringLiteral("1/8"));
    dialog.Controls().speCycles->SetValue(25);
    dialog.Controls().edtGravConst->setText(QStringLiteral("2*3"));
    dialog.Controls().edtCoulomb->setText(QStringLiteral("0.5"));
    dialog.Controls().edtPower->setText(QStringLiteral("-3"));
    dialog.btnOKClick();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Host.Sim.Method, nmRalston);
    EXPECT_EQ(Host.Sim.TimeStep, 0.125);
    EXPECT_EQ(Host.Sim.Cycles, 25);
    EXPECT_EQ(Host.Sim.Force->GravConstant(), 6);
    EXPECT_EQ(Host.Sim.Force->CoulombCoeff(), 0.5);
    EXPECT_EQ(Host.Sim.Force->GetPower(), -3);
    EXPECT_EQ(Host.SetModifiedCalls, 6);
    EXPECT_TRUE(Host.Modified);
}

TEST_F(DialogSimOptions, InvalidTimeStepWithEnterFailsInOkAfterTheMethodWasApplied) {
    TfrmSimOptions dialog(Host);
    ShowActive(dialog);
    dialog.Controls().rgNumMethod->Item(nmRK4)->click();
    dialog.Controls().edtTimeStep->setFocus();
    dialog.Controls().edtTimeStep->setText(QStringLiteral("foo"));
    PressKey(Qt::Key_Return);
    ASSERT_EQ(Host.Prompter.Messages.size(), 1u);
    EXPECT_EQ(Host.Prompter.Messages[0], TFakeHost::ParserMessage("foo"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Host.Sim.Method, nmRK4);
    EXPECT_TRUE(Host.Modified);
    EXPECT_EQ(Host.Sim.TimeStep, DefaultTimeStep);
}

TEST_F(DialogSimOptions, AFailureKeepsTheEarlierWritesAlsoAfterCancel) {
    TfrmSimOptions dialog(Host);
    dialog.Controls().edtGravConst->setText(QStringLiteral("5"));
    dialog.Controls().edtPower->setText(QStringLiteral("nosuch"));
    dialog.Controls().cbCollisions->setChecked(true);
    dialog.btnOKClick();
    EXPECT_EQ(Host.Prompter.Messages.size(), 1u);
    EXPECT_EQ(Host.Sim.Force->GravConstant(), 5);
    EXPECT_FALSE(Host.Sim.Collisions);  // after the failing step
    dialog.btnCancelClick();
    EXPECT_EQ(Host.Sim.Force->GravConstant(), 5);
    EXPECT_TRUE(Host.Modified);
}

TEST_F(DialogSimOptions, EveryTextFieldRefusesBadEntriesWithTheParserMessage) {
    for (int field = 0; field < 5; ++field) {
        for (const std::string& entry : BadEntries()) {
            TfrmSimOptions dialog(Host);
            QLineEdit* edits[] = {dialog.Controls().edtAccuracy, dialog.Controls().edtTimeStep,
                                  dialog.Controls().edtGravConst, dialog.Controls().edtCoulomb,
                                  dialog.Controls().edtPower};
            edits[field]->setText(QString::fromStdString(entry));
            Host.Prompter.Messages.clear();
            dialog.btnOKClick();
            ASSERT_EQ(Host.Prompter.Messages.size(), 1u) << field << " " << entry.substr(0, 10);
            EXPECT_EQ(Host.Prompter.Messages[0], TFakeHost::ParserMessage(entry));
            EXPECT_NE(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(edits[field]->text(), QString::fromStdString(entry));
        }
    }
    EXPECT_EQ(Host.SetModifiedCalls, 0);
    EXPECT_EQ(Host.Sim.Force->GravConstant(), 1);
}

TEST_F(DialogSimOptions, ALongValidExpressionIsEvaluated) {
    TfrmSimOptions dialog(Host);
    std::string sum = "1";
    while (sum.size() < 10000) sum += "+1";
    dialog.Controls().edtGravConst->setText(QString::fromStdString(sum));
    EXPECT_TRUE(dialog.ParseText(dialog.Controls().edtGravConst));
    EXPECT_EQ(dialog.Controls().edtGravConst->text(), QStringLiteral("5001"));
}

TEST_F(DialogSimOptions, CyclesAreClampedOnLeavingButTakenRawOnEnter) {
    TfrmSimOptions dialog(Host);
    ShowActive(dialog);
    dialog.Controls().speCycles->setFocus();
    dialog.Controls().speCycles->SetText(QStringLiteral("500"));
    PressKey(Qt::Key_Return);
    ASSERT_EQ(Host.Prompter.Messages.size(), 1u);
    EXPECT_EQ(Host.Prompter.Messages[0], QStringLiteral("Computation cycles must be between 1 and 200"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Host.Sim.Cycles, DefaultCycles);

    PressKey(Qt::Key_Tab);
    EXPECT_EQ(dialog.Controls().speCycles->Value(), 200);
    dialog.Controls().speCycles->setFocus();
    dialog.Controls().speCycles->SetText(QStringLiteral("0"));
    PressKey(Qt::Key_Tab);
    EXPECT_EQ(dialog.Controls().speCycles->Value(), 1);
    dialog.Controls().speCycles->setFocus();
    dialog.Controls().speCycles->SetText(QStringLiteral("1.5"));
    EXPECT_EQ(dialog.Controls().speCycles->Value(), 1);

    dialog.Controls().speCycles->SetText(QStringLiteral("12"));
    PressKey(Qt::Key_A);  // refused, the text stays
    EXPECT_EQ(dialog.Controls().speCycles->Text(), QStringLiteral("12"));
    PressKey(Qt::Key_Up);
    EXPECT_EQ(dialog.Controls().speCycles->Value(), 13);
}

}  // namespace
}  // namespace kinetra::ui::dialogtest
