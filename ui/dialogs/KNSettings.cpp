#include "ui/dialogs/KNSettings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "base/KNConst.h"
#include "engine/SimulationData.h"
#include "frame/Frame.h"
#include "model/Particles.h"
#include "ui/dialogs/DialogHost.h"

namespace kinetra::ui {

namespace {
constexpr int FieldWidth = 160;

QLabel* Label(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

// The frame resolves its name folding only the ASCII letters; the list selects the same way.
bool SameText(const std::string& a, const std::string& b) {
    auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return fold(x) == fold(y); });
}

QComboBox* List(const char* name, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->setFixedWidth(FieldWidth);
    return list;
}
}  // namespace

TfrmSettings::TfrmSettings(TDialogHost& host, QWidget* parent)
    : TToolDialog(host, parent), ScreenFrame(host.ScreenFrame()) {
    setWindowTitle(QStringLiteral("Frame settings"));

    lblScreenX = Label("lblScreenX", QStringLiteral("Screen x"), this);
    cbScreenX = List("cbScreenX", this);
    lblScreenY = Label("lblScreenY", QStringLiteral("Screen y"), this);
    cbScreenY = List("cbScreenY", this);
    lblPixelsPerUnit = Label("lblPixelsPerUnit", QStringLiteral("Pixels per unit length"), this);
    edtPixelsPerUnit = new QLineEdit(this);
    edtPixelsPerUnit->setObjectName(QStringLiteral("edtPixelsPerUnit"));
    edtPixelsPerUnit->setFixedWidth(FieldWidth);
    lblFrame = Label("lblFrame", QStringLiteral("Frame"), this);
    cbFrame = List("cbFrame", this);
    lblOrigin = Label("lblOrigin", QStringLiteral("Origin"), this);
    sgOrigin = new TValueGrid(this);
    sgOrigin->setObjectName(QStringLiteral("sgOrigin"));
    sgOrigin->setFixedWidth(FieldWidth);
    btnOK = DialogButton("btnOK", QStringLiteral("OK"), true, this);
    btnCancel = DialogButton("btnCancel", QStringLiteral("Cancel"), false, this);

    // One line each, as the help guide explains the fields; a label names its field in messages.
    cbScreenX->setToolTip(QStringLiteral("The dimension drawn across the screen."));
    cbScreenY->setToolTip(QStringLiteral("The dimension drawn up the screen."));
    edtPixelsPerUnit->setToolTip(QStringLiteral("The scale: how many pixels one unit of length takes."));
    cbFrame->setToolTip(
        QStringLiteral("The reference frame kept at the centre of the screen: the origin, the centre of mass "
                       "or a particle."));
    sgOrigin->setToolTip(
        QStringLiteral("In the frame \"Origin\": the point drawn at the centre of the screen."));
    lblScreenX->setBuddy(cbScreenX);
    lblScreenY->setBuddy(cbScreenY);
    lblPixelsPerUnit->setBuddy(edtPixelsPerUnit);
    lblFrame->setBuddy(cbFrame);
    lblOrigin->setBuddy(sgOrigin);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->addRow(lblScreenX, cbScreenX);
    form->addRow(lblScreenY, cbScreenY);
    form->addRow(lblPixelsPerUnit, edtPixelsPerUnit);
    form->addRow(lblFrame, cbFrame);
    form->addRow(lblOrigin, sgOrigin);

    QHBoxLayout* buttons = ButtonRow({btnOK, btnCancel});

    auto* main = new QVBoxLayout(this);
    main->addLayout(form);
    main->addSpacing(4);
    main->addLayout(buttons);

    QWidget* previous = cbScreenX;
    for (QWidget* next :
         std::initializer_list<QWidget*>{cbScreenY, edtPixelsPerUnit, cbFrame, sgOrigin, btnOK, btnCancel}) {
        setTabOrder(previous, next);
        previous = next;
    }

    WatchField(edtPixelsPerUnit);
    WatchField(sgOrigin);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });

    FormCreate();
}

void TfrmSettings::FormCreate() {
    for (const std::string& name : ScreenFrame.AxisNames()) {
        cbScreenX->addItem(QString::fromStdString(name));
        cbScreenY->addItem(QString::fromStdString(name));
    }
    cbScreenX->setCurrentIndex(ScreenFrame.XDim());
    cbScreenY->setCurrentIndex(ScreenFrame.YDim());
    edtPixelsPerUnit->setText(FormatNumber(ScreenFrame.Scale()));

    TParticlesList& particles = Host.SimData().Particles;
    cbFrame->addItem(QString::fromLatin1(FrameOrigin));
    FrameVectors.push_back(&ScreenFrame.OwnOrigin());
    if (particles.TotalMass != 0) {
        cbFrame->addItem(QString::fromLatin1(FrameCenterOfMass));
        FrameVectors.push_back(&particles.CenterOfMass());
    }
    for (int i = 0; i < particles.Count(); ++i) {
        cbFrame->addItem(QString::fromStdString(particles.Particles(i).Name));
        FrameVectors.push_back(&particles.Particles(i).Position);
    }
    int selected = -1;
    for (int i = 0; i < cbFrame->count() && selected < 0; ++i)
        if (SameText(cbFrame->itemText(i).toStdString(), ScreenFrame.Name())) selected = i;
    cbFrame->setCurrentIndex(selected);

    std::vector<QString> origin;
    const TVector& ownOrigin = ScreenFrame.OwnOrigin();
    for (int i = 0; i < ownOrigin.Count(); ++i) origin.push_back(FormatNumber(ownOrigin[i], 5));
    sgOrigin->Fill(ScreenFrame.AxisNames(), origin);
}

void TfrmSettings::btnOKClick() {
    TParser& parser = Host.ExprParser();
    try {
        const int xDim = cbScreenX->currentIndex();
        if (xDim != ScreenFrame.XDim()) {
            ScreenFrame.SetXDim(xDim);
            FChanged = true;
        }
        const int yDim = cbScreenY->currentIndex();
        if (yDim != ScreenFrame.YDim()) {
            ScreenFrame.SetYDim(yDim);
            FChanged = true;
        }
        // What the grid shows is written back, so a component with more than five significant
        // digits is rounded by an OK without edits, and that is a change.
        sgOrigin->CommitEdit();
        TVector& ownOrigin = ScreenFrame.OwnOrigin();
        for (int i = 0; i < sgOrigin->rowCount() && i < ownOrigin.Count(); ++i) {
            const TFieldValue value = EvaluateCell(*sgOrigin, i, parser);
            sgOrigin->SetCell(i, value.Text);
            if (value.Value != ownOrigin[i]) {
                ownOrigin[i] = value.Value;
                FChanged = true;
            }
        }
        const double scale = ReadNumberField(*edtPixelsPerUnit, parser);
        if (scale != ScreenFrame.Scale()) {
            ScreenFrame.SetScale(scale);
            FChanged = true;
        }
        // Without a selected item (a centre-of-mass frame while the total mass is 0) the
        // frame keeps its name and origin; otherwise the selected item decides the origin,
        // also among particles of the same name.
        const int item = cbFrame->currentIndex();
        if (item >= 0) {
            const std::string name = cbFrame->itemText(item).toStdString();
            if (name != ScreenFrame.Name()) {
                ScreenFrame.SetName(name);
                ScreenFrame.SetOrigin(*FrameVectors[static_cast<size_t>(item)]);
                FChanged = true;
            }
        }
        accept();
    } catch (const std::exception& error) {
        ShowError(error);
    }
}

void TfrmSettings::btnCancelClick() {
    reject();
}

}  // namespace kinetra::ui
