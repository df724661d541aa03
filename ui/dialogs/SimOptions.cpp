#include "ui/dialogs/SimOptions.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cctype>
#include <charconv>
#include <string>

#include "base/KNConst.h"
#include "engine/SimOptionValues.h"
#include "engine/SimulationData.h"
#include "model/Forces.h"
#include "ui/dialogs/DialogHost.h"

namespace kinetra::ui {

namespace {
constexpr int FieldWidth = 150;
}

// ---------------------------------------------------------------------------------------------
// TRadioGroup

TRadioGroup::TRadioGroup(const QString& title, const std::vector<QString>& items, QWidget* parent)
    : QGroupBox(title, parent), FButtons(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    for (const QString& text : items) {
        auto* button = new QRadioButton(text, this);
        FButtons->addButton(button, static_cast<int>(Items.size()));
        Items.push_back(button);
        layout->addWidget(button);
    }
    layout->addStretch();
}

int TRadioGroup::ItemIndex() const {
    return FButtons->checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
    if (index >= 0 && index < Count()) Items[static_cast<size_t>(index)]->setChecked(true);
}

// ---------------------------------------------------------------------------------------------
// TfrmSimOptions

namespace {
std::vector<QString> MethodCaptions() {
    std::vector<QString> captions;
    for (const TMethodInfo& method : NumMethods) captions.push_back(QString::fromLatin1(method.Caption));
    return captions;
}

QLineEdit* NumberField(const char* name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setFixedWidth(FieldWidth);
    return field;
}

QLabel* Label(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}
}  // namespace

TfrmSimOptions::TfrmSimOptions(TDialogHost& host, QWidget* parent) : TToolDialog(host, parent) {
    setWindowTitle(QStringLiteral("Simulation options"));

    rgNumMethod = new TRadioGroup(QStringLiteral("Numerical method"), MethodCaptions(), this);
    rgNumMethod->setObjectName(QStringLiteral("rgNumMethod"));
    lblAccuracy = Label("lblAccuracy", QStringLiteral("Accuracy"), this);
    edtAccuracy = NumberField("edtAccuracy", this);
    lblAccuracyWarning = Label("lblAccuracyWarning", QString(), this);
    lblAccuracyWarning->setWordWrap(true);
    lblAccuracyWarning->setVisible(false);
    lblTimeStep = Label("lblTimeStep", QStringLiteral("Time step"), this);
    edtTimeStep = NumberField("edtTimeStep", this);
    lblCycles = Label("lblCycles", QStringLiteral("Computation cycles"), this);
    speCycles = new TSpinEdit(MinCycles, MaxCycles, true, this);
    speCycles->setObjectName(QStringLiteral("speCycles"));
    speCycles->setFixedWidth(80);
    lblGravConstant = Label("lblGravConstant", QStringLiteral("Gravitational constant"), this);
    edtGravConst = NumberField("edtGravConst", this);
    lblCoulomb = Label("lblCoulomb", QStringLiteral("Coulomb force coeff."), this);
    edtCoulomb = NumberField("edtCoulomb", this);
    lblGravPower = Label("lblGravPower", QStringLiteral("Power of distance"), this);
    edtPower = NumberField("edtPower", this);
    cbCollisions = new QCheckBox(QStringLiteral("Collisions"), this);
    cbCollisions->setObjectName(QStringLiteral("cbCollisions"));
    btnCancel = DialogButton("btnCancel", QStringLiteral("Cancel"), false, this);
    btnOK = DialogButton("btnOK", QStringLiteral("OK"), true, this);

    // One line each, as the help guide explains the fields; a label names its field in messages.
    rgNumMethod->setToolTip(QStringLiteral(
        "How each cycle advances the particles; Stoermer keeps energy well, RKF adapts its own step."));
    edtAccuracy->setToolTip(QStringLiteral(
        "RKF only: the relative error allowed per step; smaller is more exact and slower (at least 1E-30)."));
    edtTimeStep->setToolTip(QStringLiteral(
        "Simulated time of one computation cycle; smaller is more exact and slower (RKF starts with it)."));
    speCycles->setToolTip(QStringLiteral(
        "Computation cycles per displayed step (1 to 200); the screen is drawn after each step."));
    edtGravConst->setToolTip(
        QStringLiteral("G, the strength of the attraction between masses; GN for SI units."));
    edtCoulomb->setToolTip(QStringLiteral(
        "k, the strength of the force between charges (like charges repel); 0 switches charges off."));
    edtPower->setToolTip(
        QStringLiteral("The force is proportional to the distance to this power: -2 is the inverse-square "
                       "law, 1 a spring."));
    cbCollisions->setToolTip(QStringLiteral(
        "Stop the run with a message when two particles come closer than the sum of their radii."));
    lblAccuracy->setBuddy(edtAccuracy);
    lblTimeStep->setBuddy(edtTimeStep);
    lblCycles->setBuddy(speCycles);
    lblGravConstant->setBuddy(edtGravConst);
    lblCoulomb->setBuddy(edtCoulomb);
    lblGravPower->setBuddy(edtPower);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->addRow(lblAccuracy, edtAccuracy);
    form->addRow(lblAccuracyWarning);
    form->addRow(lblTimeStep, edtTimeStep);
    form->addRow(lblCycles, speCycles);
    form->addRow(lblGravConstant, edtGravConst);
    form->addRow(lblCoulomb, edtCoulomb);
    form->addRow(lblGravPower, edtPower);
    form->addRow(QString(), cbCollisions);

    auto* top = new QHBoxLayout;
    top->addWidget(rgNumMethod);
    top->addSpacing(8);
    top->addLayout(form);

    QHBoxLayout* buttons = ButtonRow({btnCancel, btnOK});

    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addSpacing(4);
    main->addLayout(buttons);

    QWidget* previous = rgNumMethod->Item(0);
    for (int i = 1; i < rgNumMethod->Count(); ++i) {
        setTabOrder(previous, rgNumMethod->Item(i));
        previous = rgNumMethod->Item(i);
    }
    for (QWidget* next :
         std::initializer_list<QWidget*>{edtAccuracy, edtTimeStep, speCycles, edtGravConst, edtCoulomb,
                                         edtPower, cbCollisions, btnCancel, btnOK}) {
        setTabOrder(previous, next);
        previous = next;
    }

    for (QLineEdit* field : {edtAccuracy, edtTimeStep, edtGravConst, edtCoulomb, edtPower}) WatchField(field);
    connect(rgNumMethod->Buttons(), &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) nmClick();
    });
    connect(edtAccuracy, &QLineEdit::textChanged, this, [this] { UpdateAccuracyWarning(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });

    FormCreate();
    // The dialog opens on the method in force, not on the first of the group.
    if (QAbstractButton* checked = rgNumMethod->Buttons()->checkedButton()) checked->setFocus();
}

void TfrmSimOptions::FormCreate() {
    const TSimData& sim = Host.SimData();
    rgNumMethod->SetItemIndex(static_cast<int>(sim.Method));
    edtAccuracy->setText(FormatNumber(sim.Accuracy));
    edtTimeStep->setText(FormatNumber(sim.TimeStep));
    speCycles->SetValue(sim.Cycles);
    edtGravConst->setText(FormatNumber(sim.Force->GravConstant()));
    edtCoulomb->setText(FormatNumber(sim.Force->CoulombCoeff()));
    edtPower->setText(FormatNumber(sim.Force->GetPower()));
    cbCollisions->setChecked(sim.Collisions);
    nmClick();
}

void TfrmSimOptions::nmClick() {
    const int method = rgNumMethod->ItemIndex();
    const bool adaptive = method >= 0 && MethodInfo(static_cast<TNumMethod>(method)).Adaptive;
    edtAccuracy->setEnabled(adaptive);
    lblAccuracy->setEnabled(adaptive);
    lblTimeStep->setText(adaptive ? QStringLiteral("Initial time step") : QStringLiteral("Time step"));
    UpdateAccuracyWarning();
}

// The field holds a number once it has been evaluated; an expression not yet evaluated warns of
// nothing until then.
void TfrmSimOptions::UpdateAccuracyWarning() {
    const int method = rgNumMethod->ItemIndex();
    const std::string text = edtAccuracy->text().trimmed().toStdString();
    double accuracy = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), accuracy);
    std::string warning;
    if (method >= 0 && error == std::errc() && end == text.data() + text.size())
        warning = AccuracyWarning(static_cast<TNumMethod>(method), accuracy);
    if (!warning.empty())
        warning[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(warning[0])));
    lblAccuracyWarning->setText(warning.empty() ? QString() : QString::fromStdString(warning + "."));
    lblAccuracyWarning->setVisible(!warning.empty());
}

QLineEdit* TfrmSimOptions::FieldOf(TSimOption option) const {
    switch (option) {
        case TSimOption::Accuracy:
            return edtAccuracy;
        case TSimOption::TimeStep:
            return edtTimeStep;
        case TSimOption::GravConstant:
            return edtGravConst;
        case TSimOption::CoulombCoeff:
            return edtCoulomb;
        case TSimOption::Power:
            return edtPower;
        default:
            return nullptr;
    }
}

void TfrmSimOptions::btnOKClick() {
    // The values go through the rule kinetra-batch applies its options with; each field shows
    // the text its value was read from, and every written value marks the setup, also when a
    // later one fails.
    class TFields : public TSimOptionsListener {
    public:
        explicit TFields(TfrmSimOptions& dialog) : Dialog(dialog) {}
        void Evaluated(TSimOption option, const std::string& text) override {
            if (QLineEdit* field = Dialog.FieldOf(option)) field->setText(QString::fromStdString(text));
        }
        void NotEvaluated(TSimOption option) override { Failed = Dialog.FieldOf(option); }
        void Written(TSimOption) override { Dialog.Host.SetModified(true); }
        QLineEdit* Failed = nullptr;

    private:
        TfrmSimOptions& Dialog;
    } fields(*this);

    TSimOptionValues values;
    if (const int method = rgNumMethod->ItemIndex(); method >= 0)
        values.Method = static_cast<TNumMethod>(method);
    // Read for every method: an accuracy made invalid while RKF was chosen still stops OK.
    values.Accuracy = edtAccuracy->text().toStdString();
    values.TimeStep = edtTimeStep->text().toStdString();
    // Taken as typed: after Enter in the field an out-of-range count reaches SetCycles, which
    // refuses it with its own message.
    values.Cycles = std::to_string(speCycles->Value());
    values.GravConstant = edtGravConst->text().toStdString();
    values.CoulombCoeff = edtCoulomb->text().toStdString();
    values.Power = edtPower->text().toStdString();
    values.Collisions = cbCollisions->isChecked();
    try {
        ApplySimOptions(Host.SimData(), Host.ExprParser(), values, &fields);
        accept();
    } catch (const std::exception& error) {
        if (fields.Failed != nullptr)
            ShowError(EFieldError(error, FieldCaption(*fields.Failed)));
        else
            ShowError(error);
    }
}

void TfrmSimOptions::btnCancelClick() {
    reject();
}

}  // namespace kinetra::ui
