// TfrmAbout: the program's name and version.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kinetra::ui {

class TfrmAbout : public QDialog {
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    void btnOKClick();

    QLabel* lblTitle = nullptr;
    QPushButton* btnOK = nullptr;
};

}  // namespace kinetra::ui
