// What every setup dialog shares: each field explains itself in a one-line tool tip (every row of
// a value grid too), and a wrong expression names the field it came from under the unchanged
// message.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <functional>

#include "DialogTestHost.h"
#include "ui/dialogs/EditData.h"
#include "ui/dialogs/EditPart.h"
#include "ui/dialogs/KNNew.h"
#include "ui/dialogs/KNNotes.h"
#include "ui/dialogs/KNSettings.h"
#include "ui/dialogs/SimOptions.h"

namespace kinetra::ui::dialogtest {
namespace {

using TMakeDialog = std::function<std::unique_ptr<QDialog>(TFakeHost&)>;

const std::vector<std::pair<const char*, TMakeDialog>>& Dialogs() {
    static const std::vector<std::pair<const char*, TMakeDialog>> dialogs{
        {"SimOptions", [](TFakeHost& h) { return std::make_unique<TfrmSimOptions>(h); }},
        {"ParticlesList", [](TFakeHost& h) { return std::make_unique<TfrmParticlesList>(h); }},
        {"EditParticle",
         [](TFakeHost& h) {
             return std::make_unique<TEditParticleForm>(h, nullptr, h.Sim.Particles, 0, false);
         }},
        {"Settings", [](TFakeHost& h) { return std::make_unique<TfrmSettings>(h); }},
        {"New", [](TFakeHost& h) { return std::make_unique<TfrmNew>(h); }},
        {"Notes", [](TFakeHost& h) { return std::make_unique<TfrmNotes>(h); }},
    };
    return dialogs;
}

// A control the user can type into, choose or tick; OK and Cancel need no explaining.
bool IsField(const QWidget* w) {
    if (qobject_cast<const QAbstractButton*>(w))
        return !qobject_cast<const QPushButton*>(w) ||
               (w->objectName() != QLatin1String("btnOK") && w->objectName() != QLatin1String("btnCancel"));
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w);
}

// The tip that hovering the control shows: its own, or else that of the nearest control around it.
QString TipOver(const QWidget* w, const QWidget* dialog) {
    for (; w != nullptr && w != dialog; w = w->parentWidget())
        if (!w->toolTip().isEmpty()) return w->toolTip();
    return {};
}

TEST(DialogFields, EveryFieldAndEveryGridRowHasAOneLineTip) {
    for (const auto& [name, make] : Dialogs()) {
        TFakeHost host(5);
        host.Add("Alpha", {1, 2, 3, 4, 5});
        const std::unique_ptr<QDialog> dialog = make(host);
        int fields = 0;
        for (const QWidget* w : dialog->findChildren<QWidget*>()) {
            if (!IsField(w)) continue;
            ++fields;
            const QString tip = TipOver(w, dialog.get());
            EXPECT_FALSE(tip.isEmpty())
                << name << " " << w->objectName().toStdString() << " " << w->metaObject()->className();
            EXPECT_FALSE(tip.contains(QLatin1Char('\n'))) << name << " " << tip.toStdString();
            if (auto* grid = dynamic_cast<const TValueGrid*>(w)) {
                ASSERT_EQ(grid->rowCount(), 5) << name;
                for (int row = 0; row < grid->rowCount(); ++row)
                    for (int column = 0; column < 2; ++column)
                        EXPECT_TRUE(grid->item(row, column)->toolTip().startsWith(grid->AxisName(row) + ": "))
                            << name << " " << grid->objectName().toStdString() << " row " << row;
            }
        }
        EXPECT_GT(fields, 0) << name;
    }
}

// One wrong entry per case: where it is typed, how it is taken (leaving the field or OK), and
// the caption that the message must name. The message itself is the parser's, unchanged.
struct TWrongEntry {
    const char* Dialog;
    std::function<void(TFakeHost&, const QString& text)> Enter;
    QString Caption;
};

TEST(DialogFields, AWrongExpressionNamesItsFieldUnderTheUnchangedMessage) {
    const QString bad = QStringLiteral("2*");
    const std::vector<TWrongEntry> cases{
        {"SimOptions OK",
         [](TFakeHost& h, const QString& text) {
             TfrmSimOptions d(h);
             d.Controls().edtTimeStep->setText(text);
             d.btnOKClick();
         },
         QStringLiteral("Time step")},
        {"SimOptions RKF leaving",
         [](TFakeHost& h, const QString& text) {
             h.Sim.SetMethod(nmRKF);
             TfrmSimOptions d(h);
             d.Controls().edtTimeStep->setText(text);
             d.ParseText(d.Controls().edtTimeStep);
         },
         QStringLiteral("Initial time step")},
        {"EditParticle leaving",
         [](TFakeHost& h, const QString& text) {
             TEditParticleForm d(h, nullptr, h.Sim.Particles, 0, false);
             d.Controls().edtMass->setText(text);
             d.ParseText(d.Controls().edtMass);
         },
         QStringLiteral("Mass")},
        {"EditParticle OK",
         [](TFakeHost& h, const QString& text) {
             TEditParticleForm d(h, nullptr, h.Sim.Particles, 0, false);
             d.Controls().sgVel->SetCell(1, text);
             d.btnOKClick();
         },
         QStringLiteral("Initial velocity, y")},
        {"Settings leaving",
         [](TFakeHost& h, const QString& text) {
             TfrmSettings d(h);
             d.Controls().edtPixelsPerUnit->setText(text);
             d.ParseText(d.Controls().edtPixelsPerUnit);
         },
         QStringLiteral("Pixels per unit length")},
        {"Settings OK",
         [](TFakeHost& h, const QString& text) {
             TfrmSettings d(h);
             d.Controls().sgOrigin->SetCell(0, text);
             d.btnOKClick();
         },
         QStringLiteral("Origin, x")},
    };
    for (const TWrongEntry& entry : cases) {
        TFakeHost host;
        host.Add("Alpha", {1, 2});
        entry.Enter(host, bad);
        ASSERT_EQ(host.Prompter.Messages.size(), 1u) << entry.Dialog;
        EXPECT_EQ(host.Prompter.Messages[0], TFakeHost::ParserMessage(bad.toStdString())) << entry.Dialog;
        EXPECT_EQ(host.Prompter.Details[0], QStringLiteral("In the field \"%1\".").arg(entry.Caption))
            << entry.Dialog;
    }
    // A value that the setup refuses is no wrong expression: its own message says what it is about.
    TFakeHost host;
    TfrmSimOptions dialog(host);
    dialog.Controls().edtAccuracy->setText(QStringLiteral("1E-40"));
    dialog.btnOKClick();
    ASSERT_EQ(host.Prompter.Messages.size(), 1u);
    EXPECT_EQ(host.Prompter.Messages[0], QStringLiteral("Accuracy setting must be at least 1E-30"));
    EXPECT_EQ(host.Prompter.Details[0], QString());
}

}  // namespace
}  // namespace kinetra::ui::dialogtest
