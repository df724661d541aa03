// Shared pieces of the window tests: scripted prompts, a fixture that owns a main window with a
// drawing area of known size, and builders for small setups.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QMouseEvent>
#include <QSlider>
#include <QString>
#include <QWheelEvent>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/SimulationData.h"
#include "frame/Frame.h"
#include "ui/dialogs/Prompts.h"
#include "ui/document/Document.h"
#include "ui/document/RunClock.h"
#include "ui/extras/Session.h"
#include "ui/scene/SceneView.h"
#include "ui/window/SimMain.h"
#include "ui/window/SpeedControl.h"

namespace kinetra::ui::test {

// Answers every prompt from queues and records what was asked.
class TScriptedPrompts : public TUserPrompts {
public:
    std::vector<QString> Messages;
    std::vector<QString> Details;  // the detail under each message, empty where there is none
    std::vector<QString> Errors;
    std::vector<QString> ErrorDetails;  // as Details, for the error boxes
    std::vector<QString> Questions;
    std::vector<QString> DialogTitles;
    std::vector<QString> FileDialogTitles;
    std::vector<QString> ProposedNames;
    QString LastFilter;
    std::deque<TAnswer> Answers;    // empty: Cancel
    std::deque<QString> OpenNames;  // empty: cancelled
    std::deque<QString> SaveNames;  // empty: cancelled
    std::function<void(const QString&)> OnMessage;
    // Fills and closes a dialog as a user would; without it every dialog counts as confirmed
    // untouched.
    std::function<int(QDialog&)> OnExecDialog;

    void ShowMessage(QWidget* parent, const QString& text) override { ShowDetailedMessage(parent, text, {}); }
    void ShowDetailedMessage(QWidget*, const QString& text, const QString& detail) override {
        Messages.push_back(text);
        Details.push_back(detail);
        if (OnMessage) OnMessage(text);
    }
    void ShowError(QWidget* parent, const QString& text) override { ShowDetailedError(parent, text, {}); }
    void ShowDetailedError(QWidget*, const QString& text, const QString& detail) override {
        Errors.push_back(text);
        ErrorDetails.push_back(detail);
    }
    TAnswer Confirm(QWidget*, const QString& text) override {
        Questions.push_back(text);
        if (Answers.empty()) return TAnswer::Cancel;
        const TAnswer a = Answers.front();
        Answers.pop_front();
        return a;
    }
    QString GetOpenFileName(QWidget*, const QString& title, const QString&, const QString& filter) override {
        FileDialogTitles.push_back(title);
        LastFilter = filter;
        return Pop(OpenNames);
    }
    QString GetSaveFileName(QWidget*, const QString& title, const QString&, const QString& proposedName,
                            const QString& filter) override {
        FileDialogTitles.push_back(title);
        ProposedNames.push_back(proposedName);
        LastFilter = filter;
        return Pop(SaveNames);
    }
    int ExecDialog(QDialog& dialog) override {
        DialogTitles.push_back(dialog.windowTitle());
        return OnExecDialog ? OnExecDialog(dialog) : QDialog::Accepted;
    }
    // Whole numbers asked for: the answers in turn (nullopt cancels); empty takes the proposed.
    std::deque<std::optional<int>> Integers;
    std::vector<QString> IntegerLabels;
    std::optional<int> GetInteger(QWidget*, const QString&, const QString& label, int value, int,
                                  int) override {
        IntegerLabels.push_back(label);
        if (Integers.empty()) return value;
        const std::optional<int> answer = Integers.front();
        Integers.pop_front();
        return answer;
    }

    // Pop-up menus: the items of each menu shown, access keys taken out, an item of a submenu as
    // "Submenu/Item"; the choices in turn, by such a path, "+Shift" after it to hold Shift as it
    // is chosen; none left (or an empty one) closes the menu.
    std::vector<QStringList> Menus;
    std::deque<QString> MenuChoices;
    TMenuChoice ExecMenu(QMenu& menu, const QPoint&) override {
        QStringList items;
        std::vector<QAction*> actions;
        const auto walk = [&](auto& self, const QMenu& m, const QString& prefix) -> void {
            for (QAction* a : m.actions()) {
                if (a->isSeparator()) continue;
                const QString text = prefix + QString(a->text()).remove(QLatin1Char('&'));
                if (a->menu() != nullptr) {
                    self(self, *a->menu(), text + QLatin1Char('/'));
                    continue;
                }
                items << text;
                actions.push_back(a);
            }
        };
        walk(walk, menu, QString());
        Menus.push_back(items);
        TMenuChoice choice;
        QString wanted = Pop(MenuChoices);
        choice.Shift = wanted.endsWith(QStringLiteral("+Shift"));
        if (choice.Shift) wanted.chop(6);
        for (size_t k = 0; k < actions.size(); ++k)
            if (items[static_cast<int>(k)] == wanted && actions[k]->isEnabled()) choice.Action = actions[k];
        return choice;
    }

private:
    static QString Pop(std::deque<QString>& queue) {
        if (queue.empty()) return {};
        QString s = queue.front();
        queue.pop_front();
        return s;
    }
};

struct TParticleSeed {
    std::string Name;
    std::vector<double> Position;
    std::vector<double> Velocity;
    double Mass = 1;
    int ImageSize = 5;
    int Colour = 1;
    bool Trail = false;
    bool Invisible = false;
    double Radius = 0.01;
};

inline std::string DataFile(const std::string& name) {
    return std::string(KINETRA_TEST_DATA) + "/" + name;
}

class TFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto prompts = std::make_unique<TScriptedPrompts>();
        Prompts = prompts.get();
        Form = std::make_unique<TSimForm>(std::move(prompts));
        Form->show();
        Form->ResizeDrawingArea(400, 300);
        // The tests count steps, not seconds: their runs go at full speed unless they set a pace.
        SetPaceLevel(TPace::FullSpeedLevel());
        // Run and Run backwards return at once and the clock runs on the event loop: a test's
        // Run waits, as a user would, until the run has paused or stopped.
        for (QAction* run : {Form->Controls().mmiStart, Form->Controls().mmiRunBackwards})
            QObject::connect(run, &QAction::triggered, Form.get(), [this] { WaitWhileRunning(); });
    }
    // Processes events until the run is no longer running (a pause that a command resumes
    // before it returns does not count); a run started inside the wait (a resume during the
    // run) is the same run.
    void WaitWhileRunning() {
        if (Waiting) return;
        Waiting = true;
        QElapsedTimer waited;
        waited.start();
        while (RunState() == rsRunning && waited.elapsed() < 120000)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 100);
        Waiting = false;
        if (RunState() == rsRunning) ADD_FAILURE() << "the run did not end";
    }
    void TearDown() override { Form.reset(); }

    // The open setup.
    TDocument& Doc() const { return Form->Document(); }
    TSimData& Sim() const { return Doc().Sim(); }
    // The read-outs of the drawing area and of the run clock.
    const TSceneView& View() const { return Form->Scene(); }
    const TRunClock& Runner() const { return Doc().Clock(); }
    TRunState RunState() const { return Doc().RunState(); }
    bool Modified() const { return Doc().Modified(); }
    // The pace as the user sets it: the speed control's slider.
    void SetPaceLevel(int level) { Form->Controls().spdSpeed->Slider()->setValue(level); }
    // Starts a run and calls `during` in each event processing the run gives (after a refresh at
    // full speed) for as long as it returns true; returns when the run loop has ended.
    void RunWhile(const std::function<bool()>& during) {
        std::function<void()> again = [&] {
            if (during()) QMetaObject::invokeMethod(Form.get(), again, Qt::QueuedConnection);
        };
        QMetaObject::invokeMethod(Form.get(), again, Qt::QueuedConnection);
        Form->Controls().mmiStart->trigger();
    }
    // The drawing area, and the wheel (120 per notch, positive away from the user) or a mouse
    // event at a point of it, delivered as the window system delivers them.
    QWidget* Area() const { return Form->DrawingArea(); }
    void Wheel(QPoint at, int delta) {
        QWheelEvent wheel(QPointF(at), QPointF(Area()->mapToGlobal(at)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(Area(), &wheel);
    }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), QPointF(Area()->mapToGlobal(at)), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(Area(), &event);
    }

    // A setup built in memory: dimensions, Euler (simple, exact arithmetic for the checks),
    // the particles; then stopped as after loading, and unchanged.
    void MakeSetup(int dims, const std::vector<TParticleSeed>& seeds, double scale = 1,
                   double timeStep = 0.002, int cycles = 1) {
        TSimData& sim = Sim();
        sim.SetDimensions(dims);
        sim.Clear();
        Doc().ResetView();
        sim.SetMethod(nmEuler);
        sim.SetCycles(cycles);
        sim.TimeStep = timeStep;
        for (const TParticleSeed& s : seeds) {
            auto p = std::make_unique<TParticle>(s.Name, dims);
            for (int i = 0; i < dims; ++i) {
                p->InitialPosition[i] =
                    i < static_cast<int>(s.Position.size()) ? s.Position[static_cast<size_t>(i)] : 0;
                p->InitialVelocity[i] =
                    i < static_cast<int>(s.Velocity.size()) ? s.Velocity[static_cast<size_t>(i)] : 0;
            }
            p->Position.Assign(p->InitialPosition);
            p->Velocity.Assign(p->InitialVelocity);
            p->Mass = s.Mass;
            p->SetRadius(s.Radius);
            p->ImageSize = s.ImageSize;
            p->ColourIndex = s.Colour;
            p->ShowTrail = s.Trail;
            p->Invisible = s.Invisible;
            p->UpdateImage();
            sim.Particles.AddParticle(std::move(p));
        }
        Doc().Frame().SetScale(scale);
        // A stopped setup, rewound and drawn, and unchanged, as after Open.
        Doc().SetRunState(rsStopped);
        Form->Controls().mmiStop->trigger();
        Doc().ClearUndo(true);
    }

    void Open(const std::string& path) {
        Prompts->OpenNames.push_back(QString::fromStdString(path));
        Form->Controls().mmiOpen->trigger();
    }

    QRgb Pixel(int x, int y) const { return View().Canvas().pixel(x, y) & 0xFFFFFFu; }
    bool CanvasHolds(QRgb colour) const {
        const QImage& canvas = View().Canvas();
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                if ((canvas.pixel(x, y) & 0xFFFFFFu) == colour) return true;
        return false;
    }
    QRgb Background() const { return Form->BackgroundColour().rgb() & 0xFFFFFFu; }

    TScriptedPrompts* Prompts = nullptr;
    std::unique_ptr<TSimForm> Form;
    bool Waiting = false;
};

// The window with the remembered settings (recent files, window place, panes shown) empty
// before each test and again after it, so that no test sees or leaves another's.
class TFreshSessionFormTest : public TFormTest {
protected:
    void SetUp() override {
        TSession::Clear();
        TFormTest::SetUp();
    }
    void TearDown() override {
        TFormTest::TearDown();
        TSession::Clear();
    }
};

}  // namespace kinetra::ui::test
