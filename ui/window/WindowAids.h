// TWindowAids, the main window's aids to reading and starting a setup: the start panel of the
// empty drawing area, the notes pane, and the marks over the scene (velocity and force arrows,
// charge signs, the selection ring), with their items in the Options menu. The choices are
// remembered from one session to the next; with every mark off and the pane closed the window
// looks exactly as without these aids.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QAction;

namespace kinetra::ui {

class TDocument;
class TSimForm;
class TSceneOverlay;
class TNotesPane;
class TStartPanel;

class TWindowAids : public QObject {
public:
    // Adds the panel and the layer to the window's drawing area, the pane to the window and the
    // items to its Options menu; they follow the window's document.
    explicit TWindowAids(TSimForm& form);
    // Shows the notes pane (and remembers it shown).
    void ShowNotesPane();

    TSceneOverlay& Overlay() const { return *FOverlay; }
    TNotesPane& Notes() const { return *FNotes; }
    TStartPanel& Start() const { return *FStart; }

    // The keys of the remembered choices.
    static inline const QString KeyVelocityArrows = QStringLiteral("VelocityArrows");
    static inline const QString KeyForceArrows = QStringLiteral("ForceArrows");
    static inline const QString KeyChargeSigns = QStringLiteral("ChargeSigns");
    static inline const QString KeyNotesPane = QStringLiteral("NotesPane");

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // After every change of the setup, its run state or its notes: the start panel only while
    // there is no setup, the notes as they are now, the marks.
    void Update();
    // A checkable item of the Options menu whose state `set` hands to the overlay.
    QAction* AddOption(const QString& caption, const QString& key, const std::function<void(bool)>& set);
    void PlaceStartPanel();
    // After an example has been opened: a fit of the view when some of its particles lie outside;
    // nothing when no setup replaced the one there was (`replaced`: Replacements before).
    void FrameOpenedExample(int replaced);

    TSimForm& Form;
    TDocument& Document;
    TSceneOverlay* FOverlay;
    TNotesPane* FNotes;
    TStartPanel* FStart;
    bool HasSetup = false;
    // How often a setup has replaced the one before (New, Open).
    int Replacements = 0;
    QAction* actVelocityArrows = nullptr;
    QAction* actForceArrows = nullptr;
    QAction* actChargeSigns = nullptr;
    QAction* actNotesPane = nullptr;
};

}  // namespace kinetra::ui
