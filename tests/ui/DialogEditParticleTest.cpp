// The particle editor: its grids, the OK steps with the particle's own rules and the overlap
// rules of the collection, edit mode's Changed and its restoring of a refused particle.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "DialogTestHost.h"
#include "ui/dialogs/EditPart.h"

namespace kinetra::ui::dialogtest {
namespace {

class DialogEditParticle : public ::testing::Test {
protected:
    TParticlesList& List() { return Host.Sim.Particles; }
    TFakeHost Host;
};

TEST_F(DialogEditParticle, FiveDimensionsGiveFiveRowsOfWhichFourShow) {
    TFakeHost host(5);
    TEditParticleForm dialog(host, nullptr, host.Sim.Particles, 0, true);
    ASSERT_EQ(dialog.Controls().sgPos->rowCount(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(dialog.Controls().sgPos->AxisName(i), QStringLiteral("x%1").arg(i + 1));
        EXPECT_EQ(dialog.Controls().sgVel->AxisName(i), QStringLiteral("x%1").arg(i + 1));
    }
    EXPECT_EQ(dialog.Controls().sgPos->height(), 84);
    EXPECT_EQ(dialog.Controls().sgPos->columnWidth(0), 20);
    EXPECT_EQ(dialog.Controls().sgPos->rowHeight(4), 20);
    dialog.show();
    const int viewport = dialog.Controls().sgPos->viewport()->height();
    EXPECT_GE(viewport, 4 * 20);
    EXPECT_LT(viewport, 5 * 20);

    TEditParticleForm flat(Host, nullptr, List(), 0, true);
    EXPECT_EQ(flat.Controls().sgPos->height(), 42);
    EXPECT_EQ(flat.Controls().sgPos->AxisName(1), QStringLiteral("y"));
}

TEST_F(DialogEditParticle, NewParticleDefaultsAndInsertion) {
    TEditParticleForm dialog(Host, nullptr, List(), 0, true);
    EXPECT_EQ(dialog.Controls().edtName->text(), QString());
    EXPECT_EQ(dialog.Controls().edtMass->text(), QStringLiteral("0"));
    EXPECT_EQ(dialog.Controls().speMyRadius->value(), 10);
    EXPECT_EQ(dialog.Controls().cbColour->count(), 14);
    EXPECT_EQ(dialog.Controls().cbColour->maxVisibleItems(), 14);
    dialog.Controls().edtName->setText(QStringLiteral("Sun"));
    dialog.Controls().edtMass->setText(QStringLiteral("2*3"));
    dialog.Controls().edtRadius->setText(QStringLiteral("-2"));
    dialog.Controls().sgPos->SetCell(1, QStringLiteral("1/4"));
    dialog.Controls().cbColour->setCurrentIndex(4);
    dialog.Controls().speMyRadius->SetValue(7);
    dialog.Controls().cbPath->setChecked(true);
    dialog.btnOKClick();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(List().Count(), 1);
    const TParticle& p = List().Particles(0);
    EXPECT_EQ(p.Name, "Sun");
    EXPECT_EQ(p.Mass, 6);
    EXPECT_EQ(p.Radius(), 2);
    EXPECT_EQ(p.InitialPosition[1], 0.25);
    EXPECT_EQ(p.ColourIndex, 4);
    EXPECT_EQ(p.GetImageRadius(), 7);
    EXPECT_EQ(p.Image, (TParticleImage{4, 8}));
    EXPECT_TRUE(p.ShowTrail);
    EXPECT_EQ(dialog.Controls().edtMass->text(), QStringLiteral("6"));
    EXPECT_EQ(List().TotalMass, 6);
}

TEST_F(DialogEditParticle, ChargeOnAMasslessParticleIsRefused) {
    TEditParticleForm dialog(Host, nullptr, List(), 0, true);
    dialog.Controls().edtCharge->setText(QStringLiteral("1"));
    dialog.btnOKClick();
    ASSERT_EQ(Host.Prompter.Messages.size(), 1u);
    EXPECT_EQ(Host.Prompter.Messages[0], QStringLiteral("Non-zero charge not allowed for massless particle"));
    EXPECT_EQ(List().Count(), 0);
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    dialog.Controls().edtCharge->setText(QStringLiteral("0"));
    dialog.btnOKClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(List().Count(), 1);
}

TEST_F(DialogEditParticle, OverlapAndOccupiedPositionAreRefused) {
    Host.Add("A", {0, 0}, 1, 1);
    {
        TEditParticleForm dialog(Host, nullptr, List(), 1, true);
        dialog.btnOKClick();
        EXPECT_EQ(Host.Prompter.Messages.back(), QStringLiteral("Overlap with A."));
        dialog.Controls().edtRadius->setText(QStringLiteral("1"));
        dialog.Controls().sgPos->SetCell(0, QStringLiteral("1.5"));
        dialog.btnOKClick();
        EXPECT_EQ(Host.Prompter.Messages.back(), QStringLiteral("Overlap with A."));
        ASSERT_NE(dialog.WorkParticle(), nullptr);  // still the dialog's
        dialog.Controls().sgPos->SetCell(0, QStringLiteral("2"));
        dialog.btnOKClick();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.WorkParticle(), nullptr);
    }
    TFakeHost host;
    host.Add("B", {3, 4});
    TEditParticleForm dialog(host, nullptr, host.Sim.Particles, 0, true);
    dialog.Controls().sgPos->SetCell(0, QStringLiteral("3"));
    dialog.Controls().sgPos->SetCell(1, QStringLiteral("4"));
    dialog.btnOKClick();
    EXPECT_EQ(host.Prompter.Messages.back(), QStringLiteral("Position already occupied by B."));
}

TEST_F(DialogEditParticle, EditWithoutChangeLeavesChangedFalseAndColourSetsIt) {
    Host.Add("A", {0, 0});
    {
        TEditParticleForm dialog(Host, nullptr, List(), 0, false);
        dialog.btnOKClick();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.Changed());
    }
    TEditParticleForm dialog(Host, nullptr, List(), 0, false);
    dialog.Controls().cbColour->setCurrentIndex(9);
    dialog.btnOKClick();
    EXPECT_TRUE(dialog.Changed());
    EXPECT_EQ(List().Particles(0).ColourIndex, 9);
    EXPECT_EQ(List().Count(), 1);
}

TEST_F(DialogEditParticle, RefusedEditPutsTheOldParticleBack) {
    // Masses whose sum does not survive taking B off and adding it again.
    Host.Add("A", {0, 0}, 0.7, 1);
    Host.Add("B", {5, 0}, 0.2, 1);
    Host.Add("C", {9, 0}, 0.1, 1);
    const double totalMass = List().TotalMass;
    TEditParticleForm dialog(Host, nullptr, List(), 1, false);
    dialog.Controls().sgPos->SetCell(0, QStringLiteral("0.5"));
    dialog.Controls().edtMass->setText(QStringLiteral("3"));
    dialog.btnOKClick();
    EXPECT_EQ(Host.Prompter.Messages.back(), QStringLiteral("Overlap with A."));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    dialog.btnCancelClick();
    ASSERT_EQ(List().Count(), 3);
    EXPECT_EQ(List().Particles(1).Name, "B");
    EXPECT_EQ(List().Particles(1).InitialPosition[0], 5);
    EXPECT_EQ(List().Particles(1).Mass, 0.2);
    EXPECT_EQ(List().Strings(1), "B");
    EXPECT_EQ(List().TotalMass, totalMass);
    EXPECT_FALSE(dialog.Changed());
}

TEST_F(DialogEditParticle, ReservedNameIsRefused) {
    TEditParticleForm dialog(Host, nullptr, List(), 0, true);
    dialog.Controls().edtName->setText(QStringLiteral("End_Particles"));
    dialog.btnOKClick();
    EXPECT_EQ(Host.Prompter.Messages.back(), QStringLiteral("The name End_Particles is reserved"));
    EXPECT_EQ(List().Count(), 0);
    dialog.Controls().edtName->setText(QStringLiteral("end_particles"));
    dialog.btnOKClick();
    EXPECT_EQ(List().Count(), 1);
}

TEST_F(DialogEditParticle, DrawingRadiusIsLimitedAndOutOfRangeColourIsSafe) {
    TParticle& p = Host.Add("A", {0, 0});
    p.SetImageRadius(80);
    p.ColourIndex = 20;
    TEditParticleForm dialog(Host, nullptr, List(), 0, false);
    EXPECT_EQ(dialog.Controls().speMyRadius->value(), 50);
    EXPECT_EQ(dialog.Controls().speMyRadius->MaxValue(), 50);
    EXPECT_EQ(dialog.Controls().speMyRadius->MinValue(), 1);
    EXPECT_EQ(dialog.Controls().cbColour->currentIndex(), -1);
    // The preview of an unknown colour falls back to the first palette entry.
    EXPECT_EQ(dialog.Preview().pixelColor(60, 60), QColor(0, 0, 0));
    dialog.btnOKClick();
    EXPECT_EQ(List().Particles(0).GetImageRadius(), 50);
    EXPECT_EQ(List().Particles(0).ColourIndex, 20);
    EXPECT_TRUE(dialog.Changed());
}

TEST_F(DialogEditParticle, PreviewIsTheDiscOfTheChosenColourAndSize) {
    TEditParticleForm dialog(Host, nullptr, List(), 0, true);
    dialog.Controls().cbColour->setCurrentIndex(1);
    dialog.Controls().speMyRadius->SetValue(10);
    const QImage& image = dialog.Preview();
    EXPECT_EQ(image.size(), QSize(120, 120));
    const QColor background = image.pixelColor(0, 0);
    EXPECT_EQ(image.pixelColor(60, 60), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(60 + 8, 60), QColor(255, 0, 0));  // inside r = 11
    EXPECT_EQ(image.pixelColor(60 + 13, 60), background);
    dialog.Controls().speMyRadius->SetValue(20);
    EXPECT_EQ(dialog.Preview().pixelColor(60 + 18, 60), QColor(255, 0, 0));
}

TEST_F(DialogEditParticle, InvisibleDisablesTheImageControls) {
    TParticle& p = Host.Add("A", {0, 0});
    p.Invisible = true;
    TEditParticleForm dialog(Host, nullptr, List(), 0, false);
    dialog.show();
    for (QWidget* w : std::initializer_list<QWidget*>{
             dialog.Controls().cbPath, dialog.Controls().cbColour, dialog.Controls().speMyRadius,
             dialog.Controls().lblColour, dialog.Controls().lblMyRadius})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(dialog.Controls().imgImage->isVisible());
    dialog.Controls().cbInvisible->click();
    EXPECT_TRUE(dialog.Controls().cbColour->isEnabled());
    EXPECT_TRUE(dialog.Controls().imgImage->isVisible());
}

TEST_F(DialogEditParticle, GridEvaluationStopsAtTheFirstBadCell) {
    TFakeHost host(3);
    TEditParticleForm dialog(host, nullptr, host.Sim.Particles, 0, true);
    dialog.Controls().sgVel->SetCell(0, QStringLiteral("1/4"));
    dialog.Controls().sgVel->SetCell(1, QStringLiteral("oops"));
    dialog.Controls().sgVel->SetCell(2, QStringLiteral("2*2"));
    EXPECT_FALSE(dialog.ParseText(dialog.Controls().sgVel));
    EXPECT_EQ(host.Prompter.Messages.back(), TFakeHost::ParserMessage("oops"));
    EXPECT_EQ(dialog.Controls().sgVel->Cell(0), QStringLiteral("0.25"));
    EXPECT_EQ(dialog.Controls().sgVel->Cell(1), QStringLiteral("oops"));
    EXPECT_EQ(dialog.Controls().sgVel->Cell(2), QStringLiteral("2*2"));
    EXPECT_EQ(dialog.Controls().sgVel->currentRow(), 1);
}

TEST_F(DialogEditParticle, EveryNumberRefusesBadEntries) {
    for (int field = 0; field < 4; ++field) {
        for (const std::string& entry : BadEntries()) {
            TEditParticleForm dialog(Host, nullptr, List(), 0, true);
            const QString text = QString::fromStdString(entry);
            switch (field) {
                case 0:
                    dialog.Controls().edtMass->setText(text);
                    break;
                case 1:
                    dialog.Controls().edtCharge->setText(text);
                    break;
                case 2:
                    dialog.Controls().edtRadius->setText(text);
                    break;
                default:
                    dialog.Controls().sgVel->SetCell(1, text);
                    break;
            }
            Host.Prompter.Messages.clear();
            dialog.btnOKClick();
            ASSERT_EQ(Host.Prompter.Messages.size(), 1u);
            EXPECT_EQ(Host.Prompter.Messages[0], TFakeHost::ParserMessage(entry));
            EXPECT_NE(dialog.result(), QDialog::Accepted);
        }
    }
    EXPECT_EQ(List().Count(), 0);
}

TEST_F(DialogEditParticle, EnterDoesNotConfirm) {
    TEditParticleForm dialog(Host, nullptr, List(), 0, true);
    ShowActive(dialog);
    dialog.Controls().edtName->setFocus();
    PressKey(Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(List().Count(), 0);
}

// The drawing radius takes digits typed right after a click into it, as well as its arrows; a
// value beyond the limits becomes the nearest limit, and Return there presses OK.
TEST_F(DialogEditParticle, TheDrawingRadiusTakesTypedDigitsAndReturnPressesOk) {
    const struct {
        QString Typed;
        int Stored;
    } cases[] = {{"25", 25}, {"75", 50}, {"0", 1}};
    for (const auto& c : cases) {
        TEditParticleForm dialog(Host, nullptr, List(), List().Count(), true);
        dialog.Controls().sgPos->SetCell(0, QString::number(List().Count() * 10));
        ShowActive(dialog);
        auto* line = dialog.Controls().speMyRadius->findChild<QLineEdit*>();
        ASSERT_NE(line, nullptr);
        QTest::mouseClick(line, Qt::LeftButton, {}, QPoint(line->width() - 3, line->height() / 2));
        ASSERT_TRUE(dialog.Controls().speMyRadius->hasFocus());
        // As a keyboard does: each key to whatever has the focus when it comes.
        PressKey(Qt::Key_Backspace);
        PressKey(Qt::Key_Backspace);
        for (const QChar key : c.Typed) QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
        EXPECT_EQ(line->text(), c.Typed);
        PressKey(Qt::Key_Return);
        ASSERT_EQ(dialog.result(), QDialog::Accepted) << c.Typed.toStdString();
        EXPECT_EQ(List().Particles(List().Count() - 1).GetImageRadius(), c.Stored);
        EXPECT_EQ(dialog.Controls().speMyRadius->value(), c.Stored);
    }
}

TEST_F(DialogEditParticle, TabFromAnOpenCellLeavesTheGridEvaluated) {
    TEditParticleForm dialog(Host, nullptr, List(), 0, true);
    ShowActive(dialog);
    dialog.Controls().sgPos->setFocus();
    dialog.Controls().sgPos->setCurrentCell(0, 1);
    dialog.Controls().sgPos->editItem(dialog.Controls().sgPos->item(0, 1));
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, dialog.Controls().sgPos);
    auto* line = qobject_cast<QLineEdit*>(editor);
    ASSERT_NE(line, nullptr);
    line->setText(QStringLiteral("3/4"));
    PressKey(Qt::Key_Tab);
    EXPECT_EQ(dialog.Controls().sgPos->Cell(0), QStringLiteral("0.75"));
    EXPECT_TRUE(dialog.Controls().sgVel->hasFocus());
}

TEST_F(DialogEditParticle, KeysTypedRightAfterAClickAllReachTheCell) {
    // The highlighted cell (row 0) and another one (row 1), typed into at once after the click.
    const struct {
        int Row;
        QString Typed;
    } cases[] = {{0, "-100"}, {1, "-44"}};
    for (const auto& c : cases) {
        TEditParticleForm dialog(Host, nullptr, List(), 0, true);
        ShowActive(dialog);
        TValueGrid& grid = *dialog.Controls().sgPos;
        grid.setFocus();
        ASSERT_EQ(grid.currentRow(), 0);
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                          grid.visualItemRect(grid.item(c.Row, 1)).center());
        // As a keyboard does: each key to whatever has the focus when it comes.
        for (const QChar key : c.Typed) QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
        grid.CommitEdit();
        EXPECT_EQ(grid.Cell(c.Row), c.Typed);
    }
}

}  // namespace
}  // namespace kinetra::ui::dialogtest
