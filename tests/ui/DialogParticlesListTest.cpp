// The particle list: the table, the working copy, and what OK and Cancel hand to the simulation.
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "DialogTestHost.h"
#include "ui/dialogs/EditData.h"
#include "ui/dialogs/EditPart.h"

namespace kinetra::ui::dialogtest {
namespace {

class DialogParticlesList : public ::testing::Test {
protected:
    // The nested editor gets a name and a position and is confirmed.
    void InsertWith(const QString& name, const QString& x) {
        Host.Prompter.OnExecDialog = [name, x](QDialog& dialog) {
            auto& editor = dynamic_cast<TEditParticleForm&>(dialog);
            editor.Controls().edtName->setText(name);
            editor.Controls().edtMass->setText(QStringLiteral("1"));
            editor.Controls().sgPos->SetCell(0, x);
            editor.btnOKClick();
            return editor.result();
        };
    }
    QString Text(const TfrmParticlesList& dialog, int row, int column) const {
        const QTableWidgetItem* item = dialog.Controls().sgParticlesGrid->item(row, column);
        return item ? item->text() : QString();
    }

    TFakeHost Host;
};

TEST_F(DialogParticlesList, EmptySetupShowsOneEmptyRowAndInsertAddsTheFirst) {
    TfrmParticlesList dialog(Host);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Particle setup"));
    EXPECT_EQ(dialog.Controls().sgParticlesGrid->rowCount(), 1);
    EXPECT_EQ(dialog.Controls().sgParticlesGrid->horizontalHeaderItem(3)->text(), QStringLiteral("Colour"));
    EXPECT_EQ(dialog.Controls().sgParticlesGrid->columnWidth(0), 80);
    EXPECT_EQ(dialog.Controls().sgParticlesGrid->columnWidth(3),
              dialog.fontMetrics().horizontalAdvance(QStringLiteral("Colour")) + 5);
    EXPECT_FALSE(dialog.Controls().btnEdit->isEnabled());
    EXPECT_FALSE(dialog.Controls().btnDelete->isEnabled());
    InsertWith(QStringLiteral("A"), QStringLiteral("0"));
    dialog.btnInsertClick();
    EXPECT_TRUE(dialog.ListChanged());
    EXPECT_EQ(dialog.Controls().sgParticlesGrid->rowCount(), 2);
    EXPECT_EQ(Text(dialog, 0, 0), QStringLiteral("A"));
    EXPECT_EQ(Host.Sim.Particles.Count(), 0);  // only the working copy so far
}

TEST_F(DialogParticlesList, InsertGoesBeforeTheSelectedRowOrAtTheEnd) {
    Host.Add("A", {0, 0});
    Host.Add("B", {1, 0});
    TfrmParticlesList dialog(Host);
    dialog.SelectRow(2);
    InsertWith(QStringLiteral("Last"), QStringLiteral("5"));
    dialog.btnInsertClick();
    dialog.SelectRow(0);
    InsertWith(QStringLiteral("First"), QStringLiteral("7"));
    dialog.btnInsertClick();
    ASSERT_EQ(dialog.WorkList().Count(), 4);
    EXPECT_EQ(dialog.WorkList().Particles(0).Name, "First");
    EXPECT_EQ(dialog.WorkList().Particles(3).Name, "Last");
    EXPECT_EQ(Text(dialog, 3, 0), QStringLiteral("Last"));

    dialog.btnOKClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Host.ParticlesChangedCalls, 1);
    ASSERT_EQ(Host.Sim.Particles.Count(), 4);
    EXPECT_EQ(Host.Sim.Particles.Particles(0).Name, "First");
}

TEST_F(DialogParticlesList, CancelledEditorChangesNothing) {
    TfrmParticlesList dialog(Host);
    dialog.btnInsertClick();  // the scripted editor is cancelled
    EXPECT_EQ(Host.Prompter.ExecCount, 1);
    EXPECT_FALSE(dialog.ListChanged());
    dialog.btnOKClick();
    EXPECT_EQ(Host.ParticlesChangedCalls, 0);
}

TEST_F(DialogParticlesList, DeletingTheOnlyParticleClearsItsRow) {
    Host.Add("Lonely", {0, 0}, 5);
    TfrmParticlesList dialog(Host);
    EXPECT_TRUE(dialog.Controls().btnDelete->isEnabled());
    dialog.btnDeleteClick();
    EXPECT_TRUE(dialog.ListChanged());
    EXPECT_EQ(dialog.Controls().sgParticlesGrid->rowCount(), 1);
    for (int column = 0; column < 3; ++column) EXPECT_EQ(Text(dialog, 0, column), QString());
    EXPECT_FALSE(dialog.Controls().btnEdit->isEnabled());
    EXPECT_EQ(dialog.WorkList().TotalMass, 0);
}

TEST_F(DialogParticlesList, DeleteThenCancelLeavesTheSimulationUntouched) {
    Host.Add("A", {0, 0});
    Host.Add("B", {1, 0});
    TfrmParticlesList dialog(Host);
    dialog.btnDeleteClick();
    dialog.btnCancelClick();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    ASSERT_EQ(Host.Sim.Particles.Count(), 2);
    EXPECT_EQ(Host.Sim.Particles.Particles(0).Name, "A");
    EXPECT_EQ(Host.ParticlesChangedCalls, 0);
}

TEST_F(DialogParticlesList, TwoEditsStillReportTheFirstChange) {
    Host.Add("A", {0, 0});
    TfrmParticlesList dialog(Host);
    Host.Prompter.OnExecDialog = [](QDialog& shown) {
        auto& editor = dynamic_cast<TEditParticleForm&>(shown);
        editor.Controls().edtMass->setText(QStringLiteral("2"));
        editor.btnOKClick();
        return editor.result();
    };
    dialog.btnEditClick();
    EXPECT_TRUE(dialog.ParticleChanged());
    Host.Prompter.OnExecDialog = [](QDialog& shown) {
        auto& editor = dynamic_cast<TEditParticleForm&>(shown);
        editor.btnOKClick();
        return editor.result();
    };
    dialog.btnEditClick();
    EXPECT_TRUE(dialog.ParticleChanged());
    EXPECT_FALSE(dialog.ListChanged());
    dialog.btnOKClick();
    EXPECT_EQ(Host.ParticlesChangedCalls, 0);
    EXPECT_EQ(Host.Sim.Particles.Particles(0).Mass, 2);
    EXPECT_EQ(Host.Sim.Particles.TotalMass, 2);
}

TEST_F(DialogParticlesList, MassAndChargeShowFiveDigitsAndColourFillsTheCell) {
    TParticle& big = Host.Add("Big", {0, 0}, 123456);
    big.SetCharge(0.00000025);
    big.ColourIndex = 4;
    TParticle& odd = Host.Add("Odd", {1, 0}, 0.5);
    odd.ColourIndex = 99;
    TfrmParticlesList dialog(Host);
    EXPECT_EQ(Text(dialog, 0, 1), QStringLiteral("1.2346E5"));
    EXPECT_EQ(Text(dialog, 0, 2), QStringLiteral("2.5E-7"));
    EXPECT_EQ(Text(dialog, 1, 1), QStringLiteral("0.5"));
    dialog.show();
    QImage shot = dialog.Controls().sgParticlesGrid->viewport()->grab().toImage();
    const QRect cell =
        dialog.Controls().sgParticlesGrid->visualItemRect(dialog.Controls().sgParticlesGrid->item(0, 3));
    EXPECT_EQ(shot.pixelColor(cell.center()), QColor(0, 0, 255));
    const QRect oddCell =
        dialog.Controls().sgParticlesGrid->visualItemRect(dialog.Controls().sgParticlesGrid->item(1, 3));
    EXPECT_EQ(shot.pixelColor(oddCell.center()), QColor(0, 0, 0));
}

TEST_F(DialogParticlesList, DoubleClickEditsAParticleRowOnly) {
    Host.Add("A", {0, 0});
    TfrmParticlesList dialog(Host);
    dialog.SelectRow(1);
    EXPECT_FALSE(dialog.Controls().btnEdit->isEnabled());
    emit dialog.Controls().sgParticlesGrid->cellDoubleClicked(1, 0);
    EXPECT_EQ(Host.Prompter.ExecCount, 0);
    dialog.SelectRow(0);
    emit dialog.Controls().sgParticlesGrid->cellDoubleClicked(0, 0);
    EXPECT_EQ(Host.Prompter.ExecCount, 1);
}

}  // namespace
}  // namespace kinetra::ui::dialogtest
