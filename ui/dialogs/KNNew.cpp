#include "ui/dialogs/KNNew.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/KNConst.h"
#include "engine/SimulationData.h"
#include "ui/dialogs/DialogHost.h"

namespace kinetra::ui {

TfrmNew::TfrmNew(TDialogHost& host, QWidget* parent) : TToolDialog(host, parent) {
    setWindowTitle(QStringLiteral("New setup"));

    lblName = new QLabel(QStringLiteral("Name:"), this);
    lblName->setObjectName(QStringLiteral("lblName"));
    edtName = new QLineEdit(this);
    edtName->setObjectName(QStringLiteral("edtName"));
    edtName->setFixedWidth(160);
    lblDim = new QLabel(QStringLiteral("Number of dimensions:"), this);
    lblDim->setObjectName(QStringLiteral("lblDim"));
    // Typed digits count as well as the arrows: 26 dimensions are two keys, not 24 clicks.
    speDim = new TSpinEdit(1, MaxDimensions, true, this);
    speDim->setObjectName(QStringLiteral("speDim"));
    speDim->setFixedWidth(60);
    btnOK = DialogButton("btnOK", QStringLiteral("OK"), true, this);
    btnCancel = DialogButton("btnCancel", QStringLiteral("Cancel"), false, this);

    // One line each, as the help guide explains the fields.
    edtName->setToolTip(QStringLiteral("The name of the new setup, proposed as its file name."));
    speDim->setToolTip(QStringLiteral("Number of dimensions of space (1 to 26)."));
    lblName->setBuddy(edtName);
    lblDim->setBuddy(speDim);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->addRow(lblName, edtName);
    form->addRow(lblDim, speDim);

    QHBoxLayout* buttons = ButtonRow({btnOK, btnCancel});

    auto* main = new QVBoxLayout(this);
    main->addLayout(form);
    main->addSpacing(4);
    main->addLayout(buttons);

    setTabOrder(edtName, speDim);
    setTabOrder(speDim, btnOK);
    setTabOrder(btnOK, btnCancel);

    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });

    FormCreate();
}

void TfrmNew::FormCreate() {
    edtName->setText(QStringLiteral("NewSetup"));
    // Selected, so that typing replaces the proposed name instead of adding to it.
    edtName->selectAll();
    speDim->SetValue(DefaultDimensions);
}

void TfrmNew::btnOKClick() {
    TSimData& sim = Host.SimData();
    try {
        // The name is taken as typed: it is the setup's caption and the name a Save proposes.
        sim.FileName = edtName->text().toStdString();
        sim.SetDimensions(speDim->ClampedValue());
        accept();
    } catch (const std::exception& error) {
        ShowError(error);
    }
}

void TfrmNew::btnCancelClick() {
    reject();
}

}  // namespace kinetra::ui
