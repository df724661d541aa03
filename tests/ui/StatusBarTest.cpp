// The status bar at the size a user has (1280 pixels wide, notes pane open): no panel draws
// beyond its rectangle or over another, whatever the values, and every transient message can
// be read whole (on the bar, or on the message line above it) and again under Help > Messages.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QStatusBar>

#include "UiTestSupport.h"
#include "base/KNConst.h"
#include "model/Forces.h"
#include "ui/document/UiText.h"

namespace kinetra::ui::test {
namespace {

class StatusBar : public TFreshSessionFormTest {
protected:
    void AtSize(int width) {
        QAction* notes = Form->findChild<QAction*>(QStringLiteral("mmiNotesPane"));
        if (!notes->isChecked()) notes->trigger();
        Form->resize(width, 900);
        Settle();
    }
    void Settle() {
        for (int i = 0; i < 3; ++i) {
            if (QLayout* l = Form->layout()) l->activate();
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }
    QLabel* Panel(int index) const {
        return Form->findChild<QLabel*>(QStringLiteral("pnlStatus%1").arg(index));
    }
    // The room a label's text has: its contents without margins and indent.
    static int TextRoom(const QLabel& label) {
        const int indent =
            label.indent() >= 0
                ? label.indent()
                : (label.frameWidth() > 0 ? label.fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 : 0);
        return label.contentsRect().width() - 2 * label.margin() - indent;
    }
    static bool Fits(const QLabel& label) {
        return label.fontMetrics().horizontalAdvance(label.text()) <= TextRoom(label);
    }
    // The message readable whole: on the bar, or on the message line.
    bool ShowsWhole(const QString& message) const {
        const auto* note = Form->findChild<QLabel*>(QStringLiteral("StatusNote"));
        const auto* line = Form->findChild<QLabel*>(QStringLiteral("lblMessageLine"));
        if (note->text() == message && Fits(*note)) return true;
        return line->isVisible() && line->text() == message && Fits(*line) &&
               line->geometry().bottom() < Form->Controls().stbStatusBar->geometry().top();
    }
};

TEST_F(StatusBar, PanelsKeepToTheirRectanglesForTheLongestValues) {
    const std::string name40(40, 'W');
    // One body, so that no force meets the far coordinates; the frame follows it.
    MakeSetup(2, {{name40, {-1.2345E300, -1.2345E300}, {0, 0}}}, 1E-30);
    Doc().Frame().SetName(name40);
    Sim().Time = -1.2345E300;
    for (const double g : {1.0, ConstGN}) {  // without units, then with SI glosses
        SCOPED_TRACE(g);
        Sim().Force->SetGravConstant(g);
        for (const int width : {1280, 1000}) {
            SCOPED_TRACE(width);
            AtSize(width);
            ASSERT_TRUE(Form->PanelText(2).contains(QString::fromStdString(name40)));
            ASSERT_TRUE(Form->PanelText(1).contains(QStringLiteral("E300")));
            QRect previous;
            for (int i = 0; i < 4; ++i) {
                const QLabel& panel = *Panel(i);
                EXPECT_TRUE(Fits(panel)) << i << " " << panel.text().toStdString();
                EXPECT_FALSE(panel.geometry().intersects(previous)) << i;
                EXPECT_FALSE(panel.geometry().intersects(Form->Controls().spdSpeed->geometry())) << i;
                // Shortened only where the bar lacks room, and then told whole in the tip.
                if (panel.text() != Form->PanelText(i)) {
                    EXPECT_EQ(panel.toolTip(), Form->PanelText(i));
                }
                previous = panel.geometry();
            }
        }
    }
}

TEST_F(StatusBar, EveryTransientMessageIsReadWholeAndLogged) {
    MakeSetup(2, {{"Sun", {0, 0}, {0, 0}, 1}, {"Planet", {1, 0}, {0, 1}, 1E-3}});
    AtSize(1280);
    QStringList shown;
    // "Saved to" a long path.
    const QString path =
        QDir::tempPath() +
        QStringLiteral("/kinetra status bar test with a long folder name/and a long file name.knx");
    QDir().mkpath(QFileInfo(path).absolutePath());
    Prompts->SaveNames.push_back(path);
    Form->Controls().mmiSaveAs->trigger();
    ASSERT_TRUE(Form->StatusNote().startsWith(QStringLiteral("Saved to ")));
    EXPECT_TRUE(ShowsWhole(Form->StatusNote())) << Form->StatusNote().toStdString();
    shown << Form->StatusNote();
    QFile::remove(path);
    // Placing bodies.
    Form->Controls().mmiAddParticle->trigger();
    EXPECT_TRUE(ShowsWhole(Form->StatusHint())) << Form->StatusHint().toStdString();
    shown << Form->StatusHint();
    Form->Controls().mmiAddParticle->trigger();
    // The followed view refuses to zoom about the cursor.
    for (const QString& hint : {ZoomFollowsHint(QStringLiteral("the center of mass")),
                                PanFollowsHint(QString::fromStdString(std::string(40, 'W')))}) {
        Doc().ShowHint(hint);
        EXPECT_TRUE(ShowsWhole(hint)) << hint.toStdString();
        shown << hint;
    }
    // Help > Messages lists them all, oldest first.
    QString log;
    Prompts->OnExecDialog = [&](QDialog& dialog) {
        log = dialog.findChild<QPlainTextEdit*>(QStringLiteral("memMessages"))->toPlainText();
        return QDialog::Rejected;
    };
    Form->findChild<QAction*>(QStringLiteral("mmiMessages"))->trigger();
    EXPECT_EQ(log, shown.join(QLatin1Char('\n')));
}

}  // namespace
}  // namespace kinetra::ui::test
