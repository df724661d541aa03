// TUnitsMenu: Options > Units, the choice of the units in which the window glosses the setup's
// numbers: "Automatic" (SI for a setup whose constants are SI, none otherwise), "None" (the plain
// numbers only), "SI" and "Astronomical (AU, day, M☉)". The choice is remembered between
// sessions; it never changes a number of the setup.
#pragma once

#include <QObject>

#include "base/Units.h"

class QAction;
class QActionGroup;
class QMenu;

namespace kinetra::ui {

class TUnitsMenu : public QObject {
    Q_OBJECT
public:
    // Adds the submenu "Units" to `options`, checked at the remembered choice.
    TUnitsMenu(QMenu& options, QObject* parent);

    TUnitChoice Choice() const { return FChoice; }
    QAction* Action(TUnitChoice choice) const;

signals:
    void choiceChanged();

private:
    void Choose(TUnitChoice choice);

    TUnitChoice FChoice = TUnitChoice::Automatic;
    QActionGroup* Group = nullptr;
    QAction* Actions[4] = {nullptr, nullptr, nullptr, nullptr};
};

}  // namespace kinetra::ui
