// TfrmPlotChoice, the "Plot" dialog: the series of a new plot window, each a quantity against
// another, chosen by kind, bodies, axis and logarithm; "Kepler's third law" fills in the period
// against the semi-major axis, both as logarithms, of every body about a central one.
#pragma once

#include <QDialog>

#include "ui/extras/PlotWindow.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QSpinBox;

namespace kinetra::ui {

// The fields of one quantity: kind, body, other body, axis, logarithm.
class TQuantityFields {
public:
    TQuantityFields(const TSimData& sim, QWidget* parent);
    TPlotQuantity Quantity() const;
    void SetQuantity(const TPlotQuantity& quantity);
    QComboBox* Kind;
    QComboBox* Body;
    QComboBox* Other;
    QSpinBox* Axis;
    QCheckBox* Log;

private:
    // Only the fields the kind needs are enabled.
    void KindChanged();
};

class TfrmPlotChoice : public QDialog {
    Q_OBJECT

public:
    // A dialog for the setup's bodies; `body` (when >= 0) is the body the plot is about: its
    // distance to the heaviest other body against the time is proposed.
    TfrmPlotChoice(const TSimData& sim, int body, QWidget* parent);

    // Adds the fields' quantities as a series.
    void AddSeries();
    // The period against the semi-major axis, as logarithms, of every other body about `centre`.
    void KeplerSeries(int centre);
    // The series chosen; the fields' own when none was added.
    TPlotConfig Config() const;
    const TSimData& Sim() const { return FSim; }

    TQuantityFields X, Y;
    QListWidget* SeriesList;

private:
    const TSimData& FSim;
    std::vector<TPlotSeries> FSeries;
};

// The heaviest body other than `body` (the centre an orbit is about), or -1.
int HeaviestOther(const TSimData& sim, int body);

}  // namespace kinetra::ui
