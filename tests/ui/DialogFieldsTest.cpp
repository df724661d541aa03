// What every setup dialog shares: each field explains itself in a one-line tool tip (every row of
// a value grid too), and a wrong expression names the field it came from under the unchanged
// message.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTreeView>
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

// The real boxes, looked at while they are open: every box that reports an error has the same
// icon, the error box of a dialog field as wide as its detail so that the field's name is not
// broken over lines; the collision report, which is no error, has its own.
TEST(DialogFields, ErrorBoxesShareOneIconAndKeepTheFieldNameOnOneLine) {
    const QString detail = QStringLiteral("In the field \"Initial position, x\".");
    struct TCase {
        const char* Name;
        std::function<void(TQtPrompts&)> Show;
        QMessageBox::Icon Icon;
    };
    const TCase cases[] = {
        {"message", [](TQtPrompts& p) { p.ShowMessage(nullptr, QStringLiteral("No value")); },
         QMessageBox::Critical},
        {"field", [&](TQtPrompts& p) { p.ShowDetailedMessage(nullptr, QStringLiteral("No value"), detail); },
         QMessageBox::Critical},
        {"error", [](TQtPrompts& p) { p.ShowError(nullptr, QStringLiteral("Stepsize underflow.")); },
         QMessageBox::Critical},
        {"error with place",
         [&](TQtPrompts& p) {
             p.ShowDetailedError(nullptr, QStringLiteral("Invalid numeric input."),
                                 QStringLiteral("in /home/someone/setups/StarTwoPlanets.knx, line 18"));
         },
         QMessageBox::Critical},
        {"collision",
         [](TQtPrompts& p) { p.ShowNotice(nullptr, QStringLiteral("Collision between A and B")); },
         QMessageBox::Information},
    };
    for (const TCase& c : cases) {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool detailWhole = false;
        int width = 0;
        QMetaObject::invokeMethod(
            qApp,
            [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (box == nullptr) return;
                icon = box->icon();
                box->layout()->activate();
                if (const auto* info = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
                    info != nullptr && info->isVisible())
                    detailWhole = info->wordWrap()
                                      ? info->heightForWidth(info->width()) <= info->heightForWidth(100000)
                                      : info->width() >= info->fontMetrics().horizontalAdvance(info->text());
                width = box->width();
                box->accept();
            },
            Qt::QueuedConnection);
        TQtPrompts prompts;
        c.Show(prompts);
        EXPECT_EQ(icon, c.Icon) << c.Name;
        EXPECT_GE(width, 32 * QFontMetrics(QApplication::font()).averageCharWidth()) << c.Name;
        if (QString(c.Name).contains("field") || QString(c.Name).contains("place")) {
            EXPECT_TRUE(detailWhole) << c.Name;
        }
    }
}

// A file dialog opens large enough for its columns, within the screen; its detail columns fit
// what they show and the name takes the rest.
TEST(DialogFields, FileDialogsOpenLargeEnoughForTheirColumns) {
    QFileDialog dialog(nullptr, QStringLiteral("Open a setup"), QDir::tempPath());
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    const QSize before = dialog.size();
    FitFileDialog(dialog);
    EXPECT_EQ(dialog.size(), FileDialogSize(dialog));
    EXPECT_GE(dialog.width(),
              std::min(before.width() * 5 / 4, dialog.screen()->availableGeometry().width() * 9 / 10));
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->header()->sectionResizeMode(0), QHeaderView::Stretch);
    for (int column = 1; column < view->header()->count(); ++column)
        EXPECT_EQ(view->header()->sectionResizeMode(column), QHeaderView::ResizeToContents) << column;
}

}  // namespace
}  // namespace kinetra::ui::dialogtest
