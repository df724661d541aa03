// TfrmAbout: the program's name and version.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kinetra::ui {

// The controls of the About box, in tab order, read by tests through Controls().
struct TAboutControls {
    QLabel* lblTitle = nullptr;
    QPushButton* btnOK = nullptr;
};

class TfrmAbout : public QDialog, private TAboutControls {
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    const TAboutControls& Controls() const { return *this; }

    void btnOKClick();
};

}  // namespace kinetra::ui
