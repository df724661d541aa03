// TRunControl, the run room of the main window: the commands Run, Run backwards, Step, Step
// back, Pause and Stop, which it hands to the document's run clock, the run state and time on
// the status bar, and the reports of what ended a run (a collision, an error of a step).
//
// The clock steps the simulation on the event loop and tells what happened by signals; this
// room only speaks to the user about it. A collision is reported after the step that found it
// has ended: the time with two decimals on the status bar, the message box, and the clock then
// stops the run, which rewinds it.
#pragma once

#include <QObject>
#include <QString>

namespace kinetra::ui {

class TDocument;
class TUserPrompts;

class TRunControl : public QObject {
    Q_OBJECT

public:
    // Messages go to `prompts` over `window`.
    TRunControl(TDocument& document, TUserPrompts& prompts, QWidget* window);
    ~TRunControl() override;

    // The commands.
    void mmiStartClick();
    void sbBackClick();
    void sbStepClick();
    void sbStepBackClick();
    void mmiPauseClick();
    void mmiStopClick();

signals:
    // A status panel's new text: 0 the run state, 1 the time.
    void panelText(int index, const QString& text);

private:
    void SingleStep(int direction);
    void CollisionDetected(int first, int second, double time);
    void SetPanel(int index, const QString& text) { emit panelText(index, text); }

    TDocument& Document;
    TUserPrompts& Prompts;
    QWidget* Window;
};

}  // namespace kinetra::ui
