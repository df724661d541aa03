// The new-setup and notes dialogs.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "DialogTestHost.h"
#include "ui/dialogs/KNNew.h"
#include "ui/dialogs/KNNotes.h"

namespace kinetra::ui::dialogtest {
namespace {

TEST(DialogNew, ShowsTheProposedNameAndTwoDimensionsWithinLimits) {
    TFakeHost host;
    TfrmNew dialog(host);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("New setup"));
    EXPECT_EQ(dialog.Controls().edtName->text(), QStringLiteral("NewSetup"));
    EXPECT_EQ(dialog.Controls().speDim->value(), 2);
    EXPECT_TRUE(dialog.Controls().btnOK->isDefault());
    dialog.Controls().speDim->stepBy(-5);
    EXPECT_EQ(dialog.Controls().speDim->value(), 1);
    dialog.Controls().speDim->stepBy(100);
    EXPECT_EQ(dialog.Controls().speDim->value(), 26);

    ShowActive(dialog);
    // The proposed name is selected: typing replaces it.
    EXPECT_EQ(dialog.Controls().edtName->selectedText(), QStringLiteral("NewSetup"));
    dialog.Controls().speDim->setFocus();
    PressKey(Qt::Key_Down);
    EXPECT_EQ(dialog.Controls().speDim->value(), 25);
    // Typed digits and Backspace count; a typed number beyond the limits is clamped.
    struct TTyped {
        std::vector<Qt::Key> Keys;
        int Dimensions;
    };
    const TTyped typed[] = {{{Qt::Key_3}, 3},
                            {{Qt::Key_2, Qt::Key_6}, 26},
                            {{Qt::Key_4, Qt::Key_0}, 26},
                            {{Qt::Key_1, Qt::Key_2, Qt::Key_Backspace}, 1}};
    for (const TTyped& t : typed) {
        TfrmNew fresh(host);
        ShowActive(fresh);
        fresh.Controls().speDim->setFocus();
        fresh.Controls().speDim->selectAll();
        for (const Qt::Key key : t.Keys) PressKey(key);
        fresh.btnOKClick();
        EXPECT_EQ(host.Sim.Dimensions, t.Dimensions) << fresh.Controls().speDim->Text().toStdString();
    }
}

TEST(DialogNew, OkStoresNameAndDimensionsAndCancelNothing) {
    TFakeHost host;
    {
        TfrmNew dialog(host);
        dialog.Controls().edtName->setText(QStringLiteral("Mk.2"));
        dialog.Controls().speDim->SetValue(4);
        dialog.btnCancelClick();
        EXPECT_EQ(host.Sim.FileName, "");
        EXPECT_EQ(host.Sim.Dimensions, 2);
    }
    TfrmNew dialog(host);
    dialog.Controls().edtName->setText(QStringLiteral("Mk.2"));
    dialog.Controls().speDim->SetValue(4);
    dialog.btnOKClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(host.Sim.FileName, "Mk.2");
    EXPECT_EQ(host.Sim.Dimensions, 4);
}

TEST(DialogNotes, CaptionDropsOnlyAThreeCharacterExtension) {
    EXPECT_EQ(NotesCaption(""), QStringLiteral("Notes"));
    EXPECT_EQ(NotesCaption("NewSetup"), QStringLiteral("Notes - NewSetup"));
    EXPECT_EQ(NotesCaption("/home/user/setups/Orbit.knx"), QStringLiteral("Notes - Orbit"));
    EXPECT_EQ(NotesCaption("my.setup.knx"), QStringLiteral("Notes - my.setup"));
    EXPECT_EQ(NotesCaption("Mk.2"), QStringLiteral("Notes - Mk.2"));
    EXPECT_EQ(NotesCaption("a.b.c"), QStringLiteral("Notes - a.b.c"));

    TFakeHost host;
    host.Sim.FileName = "data/Orbit.knx";
    TfrmNotes dialog(host);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Notes - Orbit"));
}

TEST(DialogNotes, UnchangedTextMarksNothing) {
    TFakeHost host;
    host.Sim.Notes = "A\r\n\r\nB";
    TfrmNotes dialog(host);
    EXPECT_EQ(dialog.Controls().memNotes->toPlainText(), QStringLiteral("A\n\nB"));
    dialog.btnOKClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(host.SetParticlesModifiedCalls, 0);
    EXPECT_EQ(host.Sim.Notes, "A\r\n\r\nB");
}

TEST(DialogNotes, ChangedTextIsStoredWithItsLineBreaks) {
    TFakeHost host;
    host.Sim.Notes = "first line";
    TfrmNotes dialog(host);
    EXPECT_FALSE(dialog.Controls().btnOK->isDefault());
    EXPECT_FALSE(dialog.Controls().btnOK->autoDefault());
    dialog.Controls().memNotes->setPlainText(QStringLiteral("First line\n\nthird"));
    dialog.btnOKClick();
    EXPECT_EQ(host.Sim.Notes, "First line\r\n\r\nthird");
    EXPECT_EQ(host.SetParticlesModifiedCalls, 1);
    EXPECT_TRUE(host.ParticlesModified);

    TfrmNotes cancelled(host);
    cancelled.Controls().memNotes->setPlainText(QStringLiteral("gone"));
    cancelled.btnCancelClick();
    EXPECT_EQ(host.Sim.Notes, "First line\r\n\r\nthird");
}

TEST(DialogNotes, EnterIsALineBreak) {
    TFakeHost host;
    TfrmNotes dialog(host);
    ShowActive(dialog);
    dialog.Controls().memNotes->setFocus();
    QTest::keyClicks(dialog.Controls().memNotes, QStringLiteral("a"));
    PressKey(Qt::Key_Return);
    QTest::keyClicks(dialog.Controls().memNotes, QStringLiteral("b"));
    EXPECT_TRUE(dialog.isVisible());
    dialog.btnOKClick();
    EXPECT_EQ(host.Sim.Notes, "a\r\nb");
}

}  // namespace
}  // namespace kinetra::ui::dialogtest
