// One whole session driven as a user drives it: the real main window with the real message
// boxes and modal dialogs, each running its own event loop, fed only with key presses and
// mouse clicks through the window system. Only the file dialogs are answered by the test.
//
// A poll timer watches which window is active and, when the next expected one is up, posts
// that stage's keys as a queued call: keys that open a modal dialog or start a run block in
// their nested event loop, inside which the poll timer goes on with the next stage.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "engine/SimulationData.h"
#include "frame/FramedSim.h"
#include "ui/dialogs/EditData.h"
#include "ui/dialogs/EditPart.h"
#include "ui/dialogs/KNNew.h"
#include "ui/dialogs/Prompts.h"
#include "ui/window/SimMain.h"

namespace kinetra::ui::test {
namespace {

// The real prompts, except the file dialogs, which would wait for a user.
class TSessionPrompts : public TQtPrompts {
public:
    QString OpenName;
    int OpenDialogs = 0;
    int SaveDialogs = 0;

    QString GetOpenFileName(QWidget*, const QString&, const QString&, const QString&) override {
        ++OpenDialogs;
        return OpenName;
    }
    QString GetSaveFileName(QWidget*, const QString&, const QString&, const QString&,
                            const QString&) override {
        ++SaveDialogs;
        return {};
    }
};

struct TStage {
    std::string Name;
    std::function<bool()> Ready;
    std::function<void()> Act;
};

// Runs the stages in order through the real event loop.
class TSession {
public:
    // Enough for every stage many times over; reached only when the program does not react.
    static constexpr int MaxTicks = 5000;

    std::vector<TStage> Stages;
    std::vector<std::string> Problems;
    // Ends a run that a failed session left going, so that its loop returns.
    std::function<void()> Rescue;

    void Run() {
        QTimer poll;
        poll.setInterval(1);
        QObject::connect(&poll, &QTimer::timeout, [this] { Tick(); });
        poll.start();
        Loop.exec();
        poll.stop();
    }
    void Finish() { Loop.quit(); }
    std::string Stage() const { return Next < Stages.size() ? Stages[Next].Name : "the end"; }

private:
    void Tick() {
        if (Unwinding) {
            Unwind();
            return;
        }
        // A message box that no stage expects is an error of the program: note it, close it.
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            Problems.push_back("message at " + Stage() + ": " + box->text().toStdString());
            box->close();
            return;
        }
        if (++Ticks > MaxTicks) {
            Problems.push_back("no reaction awaited at " + Stage());
            Unwinding = true;
            return;
        }
        if (Next >= Stages.size() || !Stages[Next].Ready()) return;
        const std::function<void()> act = Stages[Next].Act;
        ++Next;
        // Queued: the keys may open a modal dialog, whose loop must not run inside this tick.
        QTimer::singleShot(0, &Loop, act);
    }
    // Closes whatever is still open, so that every nested loop ends and the test can report.
    void Unwind() {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        else if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        else {
            if (Rescue) Rescue();
            Loop.quit();
        }
    }

    QEventLoop Loop;
    size_t Next = 0;
    int Ticks = 0;
    bool Unwinding = false;
};

template <typename TDialog>
TDialog* ActiveDialog() {
    auto* dialog = dynamic_cast<TDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return nullptr;
    // Keys and mnemonics go to the active window; a dialog that has not become active yet is
    // asked to, as a click on it would.
    if (QApplication::activeWindow() != dialog) {
        dialog->activateWindow();
        return nullptr;
    }
    return dialog;
}

bool HasFocus(QWidget* widget) {
    return QApplication::focusWidget() == widget;
}

void Key(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(window->windowHandle(), key, modifiers);
}

void Type(QWidget* window, const QString& text) {
    for (const QChar c : text) QTest::keyClick(window->windowHandle(), c.toLatin1());
}

// Replaces the text of the focused field, as select-all and typing do.
void Retype(QWidget* window, const QString& text) {
    Key(window, Qt::Key_A, Qt::ControlModifier);
    Type(window, text);
}

struct TTypedParticle {
    QString Name;
    QString Mass;
    QString Radius;
    std::vector<QString> Position;  // typed into the grid, one row each
    std::vector<QString> Velocity;
};

// The editor from its first field: name, mass, charge kept, radius, the two grids, the next
// colour, OK.
void TypeParticle(TEditParticleForm& editor, const TTypedParticle& p) {
    Retype(&editor, p.Name);
    Key(&editor, Qt::Key_Tab);
    Retype(&editor, p.Mass);
    Key(&editor, Qt::Key_Tab);
    Key(&editor, Qt::Key_Tab);
    Retype(&editor, p.Radius);
    for (const std::vector<QString>* column : {&p.Position, &p.Velocity}) {
        Key(&editor, Qt::Key_Tab);
        for (size_t row = 0; row < column->size(); ++row) {
            if (row > 0) Key(&editor, Qt::Key_Down);
            Type(&editor, (*column)[row]);
            Key(&editor, Qt::Key_Return);
        }
    }
    Key(&editor, Qt::Key_Tab);  // the colour list
    Key(&editor, Qt::Key_Down);
    QTest::mouseClick(editor.Controls().btnOK, Qt::LeftButton);
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        // A new setup is saved into the working folder.
        ASSERT_TRUE(QDir::setCurrent(Dir.path()));
    }
    void TearDown() override { QDir::setCurrent(StartFolder); }

    QTemporaryDir Dir;
    QString StartFolder = QDir::currentPath();
};

TEST_F(EndToEnd, NewSetupTypedRunPausedSavedAndReopened) {
    auto ownedPrompts = std::make_unique<TSessionPrompts>();
    TSessionPrompts& prompts = *ownedPrompts;
    prompts.OpenName = Dir.filePath("E2E.knx");
    TSimForm form(std::move(ownedPrompts));
    form.resize(800, 600);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    const TTypedParticle alpha{"Alpha", "3", "0.05", {"1/4", "-0.5"}, {"0", "0.2"}};
    const TTypedParticle beta{"Beta", "2*1", "0.05", {"-1", "0.5"}, {"-0.1"}};
    double pausedAt = 0;

    // The main window is the active one with no dialog open.
    const auto windowReady = [&form] {
        if (QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr)
            return false;
        if (QApplication::activeWindow() != &form) {
            form.activateWindow();
            return false;
        }
        return true;
    };
    const auto fileMenu = [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return menu != nullptr && menu->objectName() == "mmiFile" ? menu : nullptr;
    };
    const auto list = [](int count) {
        auto* dialog = ActiveDialog<TfrmParticlesList>();
        return dialog != nullptr && dialog->WorkList().Count() == count ? dialog : nullptr;
    };
    const auto editor = [] {
        auto* dialog = ActiveDialog<TEditParticleForm>();
        return dialog != nullptr && HasFocus(dialog->Controls().edtName) ? dialog : nullptr;
    };

    TSession session;
    session.Rescue = [&form] { form.Controls().mmiPause->trigger(); };
    session.Stages = {
        {"File menu for New", windowReady, [&] { Key(&form, Qt::Key_F, Qt::AltModifier); }},
        {"New", [&] { return fileMenu() != nullptr; }, [&] { Type(fileMenu(), "n"); }},
        {"New setup dialog",
         [] {
             auto* dialog = ActiveDialog<TfrmNew>();
             return dialog != nullptr && HasFocus(dialog->Controls().edtName);
         },
         [] {
             QWidget* dialog = QApplication::activeModalWidget();
             Retype(dialog, "E2E");
             Key(dialog, Qt::Key_Tab);
             Key(dialog, Qt::Key_Up);  // three dimensions
             Key(dialog, Qt::Key_Return);
         }},
        {"Insert into the empty list", [&] { return list(0) != nullptr; },
         [&] { Key(list(0), Qt::Key_I, Qt::AltModifier); }},
        {"Editor for Alpha", [&] { return editor() != nullptr; }, [&] { TypeParticle(*editor(), alpha); }},
        {"Insert the second",
         [&] { return list(1) != nullptr && ActiveDialog<TEditParticleForm>() == nullptr; },
         [&] { Key(list(1), Qt::Key_I, Qt::AltModifier); }},
        {"Editor for Beta", [&] { return editor() != nullptr; }, [&] { TypeParticle(*editor(), beta); }},
        {"List OK", [&] { return list(2) != nullptr; },
         [&] { QTest::mouseClick(list(2)->Controls().btnOK, Qt::LeftButton); }},
        {"Run", [&] { return windowReady() && form.PanelText(0) == "Stopped"; },
         [&] { Key(&form, Qt::Key_R, Qt::ControlModifier); }},
        {"Pause", [&] { return form.PanelText(0) == "Running" && form.Document().Sim().Time > 0; },
         [&] { Key(&form, Qt::Key_P, Qt::ControlModifier); }},
        {"Save", [&] { return windowReady() && form.PanelText(0) == "Paused"; },
         [&] {
             pausedAt = form.Document().Sim().Time;
             Key(&form, Qt::Key_S, Qt::ControlModifier);
         }},
        {"File menu for Open", [&] { return windowReady() && !form.Controls().mmiSave->isEnabled(); },
         [&] { Key(&form, Qt::Key_F, Qt::AltModifier); }},
        {"Open", [&] { return fileMenu() != nullptr; }, [&] { Type(fileMenu(), "o"); }},
        {"Reopened",
         [&] { return windowReady() && prompts.OpenDialogs == 1 && form.PanelText(0) == "Stopped"; },
         [&] { session.Finish(); }},
    };
    session.Run();

    EXPECT_TRUE(session.Problems.empty()) << session.Problems.front();
    ASSERT_EQ(session.Stage(), "the end");
    EXPECT_GT(pausedAt, 0);
    EXPECT_EQ(prompts.SaveDialogs, 0);  // a new setup is saved without a file dialog
    EXPECT_EQ(form.windowTitle(), "Kinetra - E2E");
    EXPECT_FALSE(form.Document().Modified());

    // The file as another reader sees it.
    const QString path = Dir.filePath("E2E.knx");
    ASSERT_TRUE(QFile::exists(path));
    TFramedSim savedSetup;
    TSimData& saved = savedSetup.Sim();
    saved.FileName = path.toStdString();
    saved.LoadFromFile();
    EXPECT_EQ(saved.Dimensions, 3);
    ASSERT_EQ(saved.Particles.Count(), 2);
    const TParticlesList& particles = saved.Particles;
    const int a = particles.Particles(0).Name == "Alpha" ? 0 : 1;
    const TParticle& first = particles.Particles(a);
    const TParticle& second = particles.Particles(1 - a);
    EXPECT_EQ(first.Name, "Alpha");
    EXPECT_EQ(first.Mass, 3);
    EXPECT_EQ(first.Radius(), 0.05);
    EXPECT_EQ(first.InitialPosition[0], 0.25);
    EXPECT_EQ(first.InitialPosition[1], -0.5);
    EXPECT_EQ(first.InitialPosition[2], 0);
    EXPECT_EQ(first.InitialVelocity[0], 0);
    EXPECT_EQ(first.InitialVelocity[1], 0.2);
    EXPECT_EQ(second.Name, "Beta");
    EXPECT_EQ(second.Mass, 2);
    EXPECT_EQ(second.InitialPosition[0], -1);
    EXPECT_EQ(second.InitialPosition[1], 0.5);
    EXPECT_EQ(second.InitialVelocity[0], -0.1);
    EXPECT_EQ(second.InitialVelocity[1], 0);
    // Each editor moved the colour one down from the first swatch.
    EXPECT_EQ(first.ColourIndex, 1);
    EXPECT_EQ(second.ColourIndex, 1);

    // The reopened window shows the same setup at its start.
    EXPECT_EQ(form.Document().Sim().Particles.Count(), 2);
    EXPECT_EQ(form.Document().Sim().Time, 0);
}

}  // namespace
}  // namespace kinetra::ui::test
