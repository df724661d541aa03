// The frame settings dialog: its lists, the 5-digit origin grid, and the OK steps with their
// partial writes.
#include <QComboBox>
#include <QLineEdit>

#include "DialogTestHost.h"
#include "ui/dialogs/KNSettings.h"

namespace kinetra::ui::dialogtest {
namespace {

class DialogSettings : public ::testing::Test {
protected:
    TFakeHost Host;
    TScreenFrame& Frame() { return *Host.Frame; }
};

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

TEST_F(DialogSettings, OneDimensionOffersOneAxisAndOneOriginRow) {
    TFakeHost host(1);
    TfrmSettings dialog(host);
    EXPECT_EQ(Items(dialog.Controls().cbScreenX), QStringList{QStringLiteral("x")});
    EXPECT_EQ(Items(dialog.Controls().cbScreenY), QStringList{QStringLiteral("x")});
    EXPECT_EQ(dialog.Controls().sgOrigin->rowCount(), 1);
    EXPECT_EQ(dialog.Controls().sgOrigin->height(), 21);
}

TEST_F(DialogSettings, FrameListCarriesTheVectorsAndSkipsAMasslessCentre) {
    Host.Add("A", {1, 0}, 0);
    Host.Add("B", {2, 0}, 0);
    {
        TfrmSettings dialog(Host);
        EXPECT_EQ(Items(dialog.Controls().cbFrame), (QStringList{"Origin", "A", "B"}));
        EXPECT_EQ(dialog.Controls().cbFrame->currentIndex(), 0);
        EXPECT_EQ(dialog.FrameVector(0), &Frame().OwnOrigin());
        EXPECT_EQ(dialog.FrameVector(2), &Host.Sim.Particles.Particles(1).Position);
    }
    TFakeHost massive;
    massive.Add("A", {1, 0}, 2);
    massive.Frame->SetName("a");
    TfrmSettings dialog(massive);
    EXPECT_EQ(Items(dialog.Controls().cbFrame), (QStringList{"Origin", "Center of mass", "A"}));
    EXPECT_EQ(dialog.Controls().cbFrame->currentIndex(), 2);  // names match without regard to case
    EXPECT_EQ(dialog.FrameVector(1), &massive.Sim.Particles.CenterOfMass());
}

TEST_F(DialogSettings, PixelsPerUnitExpressionSetsTheScale) {
    TfrmSettings dialog(Host);
    dialog.Controls().cbScreenY->setCurrentIndex(0);  // the same axis twice is allowed
    dialog.Controls().edtPixelsPerUnit->setText(QStringLiteral("2*10"));
    dialog.btnOKClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Frame().Scale(), 20);
    EXPECT_EQ(Frame().YDim(), 0);
    EXPECT_TRUE(dialog.Changed());
}

TEST_F(DialogSettings, UntouchedOkChangesNothingWhenEverythingFitsFiveDigits) {
    Frame().OwnOrigin()[0] = 1.5;
    TfrmSettings dialog(Host);
    dialog.btnOKClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.Changed());
}

TEST_F(DialogSettings, OriginShowsFiveDigitsAndOkStoresWhatItShows) {
    Frame().OwnOrigin()[1] = 0.123456789;
    TfrmSettings dialog(Host);
    EXPECT_EQ(dialog.Controls().sgOrigin->Cell(1), QStringLiteral("0.12346"));
    dialog.btnOKClick();
    EXPECT_EQ(Frame().OwnOrigin()[1], 0.12346);
    EXPECT_TRUE(dialog.Changed());
}

TEST_F(DialogSettings, InvalidOriginCellStopsOkAfterTheAxesWereWritten) {
    TfrmSettings dialog(Host);
    dialog.Controls().cbScreenX->setCurrentIndex(1);
    dialog.Controls().sgOrigin->SetCell(0, QStringLiteral("nosuch"));
    dialog.btnOKClick();
    EXPECT_EQ(Host.Prompter.Messages.back(), TFakeHost::ParserMessage("nosuch"));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Frame().XDim(), 1);
    EXPECT_TRUE(dialog.Changed());
    dialog.btnCancelClick();
    EXPECT_TRUE(dialog.Changed());
}

TEST_F(DialogSettings, ZeroScaleIsRefusedAndTheDialogStaysOpen) {
    TfrmSettings dialog(Host);
    dialog.Controls().edtPixelsPerUnit->setText(QStringLiteral("0"));
    dialog.btnOKClick();
    EXPECT_EQ(Host.Prompter.Messages.back(), QStringLiteral("Pixels per unit length must not be zero"));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Frame().Scale(), 1);
}

TEST_F(DialogSettings, SelectedParticleBecomesTheFrameEvenAmongEqualNames) {
    Host.Add("Twin", {1, 0});
    Host.Add("Twin", {2, 0});
    TfrmSettings dialog(Host);
    dialog.Controls().cbFrame->setCurrentIndex(3);
    dialog.btnOKClick();
    EXPECT_EQ(Frame().Name(), "Twin");
    EXPECT_EQ(&Frame().Origin(), &Host.Sim.Particles.Particles(1).Position);
    EXPECT_TRUE(dialog.Changed());
}

TEST_F(DialogSettings, MasslessCentreOfMassFrameIsKeptWhenNothingIsSelected) {
    Host.Add("A", {1, 0}, 0);
    Frame().SetName("Center of mass");
    const TVector* origin = &Frame().Origin();
    TfrmSettings dialog(Host);
    EXPECT_EQ(dialog.Controls().cbFrame->currentIndex(), -1);
    dialog.btnOKClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Frame().Name(), "Center of mass");
    EXPECT_EQ(&Frame().Origin(), origin);
    EXPECT_FALSE(dialog.Changed());
}

TEST_F(DialogSettings, BadEntriesInEitherFieldWriteNothing) {
    for (int field = 0; field < 2; ++field) {
        for (const std::string& entry : BadEntries()) {
            TfrmSettings dialog(Host);
            if (field == 0)
                dialog.Controls().edtPixelsPerUnit->setText(QString::fromStdString(entry));
            else
                dialog.Controls().sgOrigin->SetCell(1, QString::fromStdString(entry));
            Host.Prompter.Messages.clear();
            dialog.btnOKClick();
            ASSERT_EQ(Host.Prompter.Messages.size(), 1u);
            EXPECT_EQ(Host.Prompter.Messages[0], TFakeHost::ParserMessage(entry));
            EXPECT_FALSE(dialog.Changed());
        }
    }
    EXPECT_EQ(Frame().Scale(), 1);
}

}  // namespace
}  // namespace kinetra::ui::dialogtest
