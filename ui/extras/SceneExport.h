// The exports of the scene from the window: the picture (Export image) and the animation
// (Export animation). Both draw a copy of the open setup offscreen with the drawing area's own
// code (kinetra_render), so that the run in the window is never touched: the copy is the setup
// as Save would write it, with the particles at their current places and the time reached
// (or rewound to time 0), and its frame's view.
#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "ui/render/Animation.h"
#include "ui/scene/Burnins.h"

class QProgressDialog;
class QTimer;
class QWidget;

namespace kinetra {
class TFramedSim;
}

namespace kinetra::ui {

class TDocument;
class TSceneView;
class TSceneOverlay;

// A copy of the document's setup: at time 0 (`fromStart`) or in the state reached (places,
// velocities, time and direction; the numerical method starts afresh from there).
std::unique_ptr<TFramedSim> CopyOfSetup(TDocument& document, bool fromStart);

// The window's look: its trails, marker, arrows and charge signs, its palette; the burn-ins.
TSceneLook WindowLook(const TSceneView& scene, const TBurnins& burnins);

// The picture Export image writes: at the drawing area's size with every burn-in off exactly
// the drawing area as the screen shows it; otherwise the state drawn afresh at `size` (with a
// scale `factor` times the window's, the window's trails enlarged likewise) and the burn-ins.
QImage ExportedPicture(TDocument& document, const TSceneView& scene, QSize size, double factor,
                       const TBurnins& burnins);

// Export animation: renders on a thread of its own with a progress dialog that can cancel;
// the window stays responsive and its run is not touched.
class TAnimationExport : public QObject {
    Q_OBJECT

public:
    explicit TAnimationExport(QWidget* window);
    ~TAnimationExport() override;

    // Starts writing `fileName` from `setup` (prepared for its run).
    void Start(std::unique_ptr<TFramedSim> setup, const std::string& fileName, TAnimationSettings settings);
    bool Busy() const { return Worker.joinable(); }
    // Asks the export going on to stop (as the progress dialog's Cancel does).
    void Cancel() { CancelWanted = true; }
    QProgressDialog* Progress() const { return FProgress; }

signals:
    // The export has ended: `error` empty when the file is complete, otherwise what went
    // wrong ("Cancelled" after a cancel); `note` says why a run ended early.
    void finished(const QString& error, const QString& note);

private:
    void Poll();
    void Done();

    QWidget* Window;
    QProgressDialog* FProgress = nullptr;
    QTimer* PollTimer;
    std::thread Worker;
    std::unique_ptr<TFramedSim> Setup;
    std::atomic<bool> CancelWanted{false};
    std::atomic<bool> Finished{false};
    std::atomic<int> Permille{0};
    std::atomic<long long> FramesDone{0};
    QString Error;
    QString Note;
};

}  // namespace kinetra::ui
