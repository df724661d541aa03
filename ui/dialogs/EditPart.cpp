#include "ui/dialogs/EditPart.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "frame/Frame.h"
#include "model/Particles.h"
#include "ui/dialogs/DialogHost.h"

namespace kinetra::ui {

namespace {
constexpr int FieldWidth = 170;
// The widest value a cell usually shows in the 15-digit format, with room for the name column,
// the cell's padding and a scroll bar (more than four dimensions).
int GridWidth(const TValueGrid& grid) {
    return 20 + grid.fontMetrics().horizontalAdvance(QStringLiteral("-0.000123456789012345")) + 12 +
           grid.style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * grid.frameWidth();
}
constexpr int SwatchHeight = 18;

// DrawColourItem: the whole item is its colour, without text; the highlighted item gets a
// frame so that the keyboard position stays visible.
class TColourItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->fillRect(option.rect, index.data(Qt::UserRole).value<QColor>());
        if (option.state & (QStyle::State_Selected | QStyle::State_MouseOver)) {
            painter->setPen(QPen(option.palette.highlight().color(), 2));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option.rect.adjusted(1, 1, -1, -1));
        }
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return QSize(option.rect.width(), SwatchHeight);
    }
};

QLabel* Label(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QLineEdit* Field(const char* name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setFixedWidth(FieldWidth);
    return field;
}

std::vector<QString> VectorTexts(const TVector& vector) {
    std::vector<QString> texts;
    for (int i = 0; i < vector.Count(); ++i) texts.push_back(FormatNumber(vector[i]));
    return texts;
}

double ReadCell(TValueGrid& grid, int row, TParser& parser) {
    const TFieldValue value = EvaluateCell(grid, row, parser);
    grid.SetCell(row, value.Text);
    return value.Value;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// TColourList

TColourList::TColourList(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new TColourItemDelegate(this));
    for (int i = 0; i < ColourCount; ++i) addItem(QString(), ParticleColour(i));
    setMaxVisibleItems(ColourCount);
}

void TColourList::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() < 0) return;
    const QRect face = style()
                           ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this)
                           .adjusted(1, 1, -1, -1);
    painter.fillRect(face, currentData(Qt::UserRole).value<QColor>());
}

// ---------------------------------------------------------------------------------------------
// TEditParticleForm

TEditParticleForm::TEditParticleForm(TDialogHost& host, QWidget* parent, TParticlesList& list, int index,
                                     bool insertMode)
    : TToolDialog(host, parent), FInsertMode(insertMode), FIndex(index), List(list) {
    setWindowTitle(QStringLiteral("Particle"));

    lblName = Label("lblName", QStringLiteral("Name"), this);
    edtName = Field("edtName", this);
    // A line break in a name would split its line in the setup file.
    edtName->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\\r\\n]*")), edtName));
    lblMass = Label("lblMass", QStringLiteral("Mass"), this);
    edtMass = Field("edtMass", this);
    lblCharge = Label("lblCharge", QStringLiteral("Charge"), this);
    edtCharge = Field("edtCharge", this);
    lblRadius = Label("lblRadius", QStringLiteral("Radius"), this);
    edtRadius = Field("edtRadius", this);
    lblPos = Label("lblPos", QStringLiteral("Initial position"), this);
    sgPos = new TValueGrid(this);
    sgPos->setObjectName(QStringLiteral("sgPos"));
    sgPos->setFixedWidth(GridWidth(*sgPos));
    lblVel = Label("lblVel", QStringLiteral("Initial velocity"), this);
    sgVel = new TValueGrid(this);
    sgVel->setObjectName(QStringLiteral("sgVel"));
    sgVel->setFixedWidth(GridWidth(*sgVel));

    gbParticleImage = new QGroupBox(QStringLiteral("Particle image"), this);
    gbParticleImage->setObjectName(QStringLiteral("gbParticleImage"));
    lblColour = Label("lblColour", QStringLiteral("Colour"), gbParticleImage);
    cbColour = new TColourList(gbParticleImage);
    cbColour->setObjectName(QStringLiteral("cbColour"));
    cbColour->setFixedWidth(80);
    lblMyRadius = Label("lblMyRadius", QStringLiteral("Radius"), gbParticleImage);
    // Digits may be typed as well as stepped; a value outside the limits is clamped when the
    // field is left, and Return there presses OK.
    speMyRadius = new TSpinEdit(MinDrawRadius, MaxDrawRadius, true, gbParticleImage);
    speMyRadius->setObjectName(QStringLiteral("speMyRadius"));
    speMyRadius->setFixedWidth(80);
    cbPath = new QCheckBox(QStringLiteral("Show trail"), gbParticleImage);
    cbPath->setObjectName(QStringLiteral("cbPath"));
    cbInvisible = new QCheckBox(QStringLiteral("Invisible"), gbParticleImage);
    cbInvisible->setObjectName(QStringLiteral("cbInvisible"));
    imgImage = new QLabel(gbParticleImage);
    imgImage->setObjectName(QStringLiteral("imgImage"));
    imgImage->setFixedSize(PreviewSize, PreviewSize);
    // Hiding the preview of an invisible particle must not make the dialog jump.
    QSizePolicy previewPolicy = imgImage->sizePolicy();
    previewPolicy.setRetainSizeWhenHidden(true);
    imgImage->setSizePolicy(previewPolicy);

    // Enter completes a cell or a field, never the whole dialog (but in the drawing radius,
    // where nothing else is to complete, it presses OK).
    btnCancel = DialogButton("btnCancel", QStringLiteral("Cancel"), false, this);
    btnOK = DialogButton("btnOK", QStringLiteral("OK"), false, this);

    // One line each, as the help guide explains the fields; a label names its field in messages.
    edtName->setToolTip(
        QStringLiteral("The particle's name, used in messages, the frame list and the file."));
    edtMass->setToolTip(QStringLiteral("The mass; a particle of mass 0 feels forces but exerts none."));
    edtCharge->setToolTip(
        QStringLiteral("The electric charge; acts only when the Coulomb coefficient is not 0, and needs a "
                       "mass other than 0."));
    edtRadius->setToolTip(QStringLiteral(
        "Physical radius in length units: used for overlaps and collisions, never for the force."));
    sgPos->setToolTip(QStringLiteral("Where the particle starts, one row per dimension."));
    sgVel->setToolTip(QStringLiteral("The particle's velocity at time 0, one row per dimension."));
    cbColour->setToolTip(QStringLiteral("The colour of the disc and its trail."));
    speMyRadius->setToolTip(
        QStringLiteral("Drawing radius in pixels (1 to 50): only how big the disc looks."));
    cbPath->setToolTip(QStringLiteral("Leave a trail when Trails is set to Selected."));
    cbInvisible->setToolTip(QStringLiteral("Do not draw the particle; it still moves and pulls."));
    lblName->setBuddy(edtName);
    lblMass->setBuddy(edtMass);
    lblCharge->setBuddy(edtCharge);
    lblRadius->setBuddy(edtRadius);
    lblPos->setBuddy(sgPos);
    lblVel->setBuddy(sgVel);
    lblColour->setBuddy(cbColour);
    lblMyRadius->setBuddy(speMyRadius);

    auto* fields = new QGridLayout;
    fields->addWidget(lblName, 0, 0);
    fields->addWidget(edtName, 0, 1);
    fields->addWidget(lblMass, 1, 0);
    fields->addWidget(edtMass, 1, 1);
    fields->addWidget(lblCharge, 2, 0);
    fields->addWidget(edtCharge, 2, 1);
    fields->addWidget(lblRadius, 3, 0);
    fields->addWidget(edtRadius, 3, 1);
    fields->setColumnStretch(2, 1);

    auto* grids = new QGridLayout;
    grids->addWidget(lblPos, 0, 0);
    grids->addWidget(sgPos, 1, 0, Qt::AlignTop);
    grids->addWidget(lblVel, 0, 1);
    grids->addWidget(sgVel, 1, 1, Qt::AlignTop);
    grids->setHorizontalSpacing(10);

    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addSpacing(6);
    left->addLayout(grids);
    left->addStretch();

    auto* image = new QGridLayout(gbParticleImage);
    image->addWidget(lblColour, 0, 0);
    image->addWidget(cbColour, 0, 1);
    image->addWidget(lblMyRadius, 1, 0);
    image->addWidget(speMyRadius, 1, 1);
    image->addWidget(cbPath, 2, 0, 1, 2);
    image->addWidget(cbInvisible, 3, 0, 1, 2);
    image->addWidget(imgImage, 4, 0, 1, 2, Qt::AlignHCenter);
    image->setRowStretch(5, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addSpacing(6);
    top->addWidget(gbParticleImage);

    QHBoxLayout* buttons = ButtonRow({btnCancel, btnOK});

    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addLayout(buttons);

    QWidget* previous = edtName;
    for (QWidget* next :
         std::initializer_list<QWidget*>{edtMass, edtCharge, edtRadius, sgPos, sgVel, cbColour, speMyRadius,
                                         cbPath, cbInvisible, btnCancel, btnOK}) {
        setTabOrder(previous, next);
        previous = next;
    }

    for (QWidget* field : std::initializer_list<QWidget*>{edtMass, edtCharge, edtRadius, sgPos, sgVel})
        WatchField(field);
    connect(cbColour, &QComboBox::currentIndexChanged, this, [this](int item) {
        if (item >= 0) FColourIndex = item;
        DrawImage();
    });
    connect(speMyRadius, &QSpinBox::valueChanged, this, [this](int) { DrawImage(); });
    speMyRadius->OnReturn = [this] { btnOK->click(); };
    connect(cbInvisible, &QCheckBox::toggled, this, [this](bool) { InvisibleClick(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });

    FormCreate();
}

TEditParticleForm::~TEditParticleForm() = default;

void TEditParticleForm::FormCreate() {
    const int dimensions = List.Dimensions();
    FWorkParticle = std::make_unique<TParticle>(dimensions);
    if (FInsertMode)
        FIndex = std::clamp(FIndex, 0, List.Count());
    else
        FWorkParticle->Assign(&List.Particles(FIndex));
    const TParticle& particle = *FWorkParticle;

    FColourIndex = particle.ColourIndex;
    // An index outside the palette selects no swatch; it is kept unless a colour is chosen.
    cbColour->setCurrentIndex(FColourIndex >= 0 && FColourIndex < ColourCount ? FColourIndex : -1);

    edtName->setText(QString::fromStdString(particle.Name));
    edtMass->setText(FormatNumber(particle.Mass));
    edtCharge->setText(FormatNumber(particle.Charge()));
    edtRadius->setText(FormatNumber(particle.Radius()));
    // A larger radius (only a hand-edited file holds one) shows as the largest offered.
    speMyRadius->SetValue(std::clamp(particle.GetImageRadius(), MinDrawRadius, MaxDrawRadius));

    const std::vector<std::string>& axisNames = Host.ScreenFrame().AxisNames();
    sgPos->Fill(axisNames, VectorTexts(particle.InitialPosition));
    sgVel->Fill(axisNames, VectorTexts(particle.InitialVelocity));

    cbPath->setChecked(particle.ShowTrail);
    cbInvisible->setChecked(particle.Invisible);
    InvisibleClick();
    DrawImage();
}

void TEditParticleForm::DrawImage() {
    const QColor background = palette().window().color();
    FPreview = QImage(PreviewSize, PreviewSize, QImage::Format_RGB32);
    FPreview.fill(background);
    const int r = speMyRadius->ClampedValue() + 1;
    QPainter painter(&FPreview);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(background, 2));
    painter.setBrush(ParticleColour(FColourIndex));
    painter.drawEllipse(QRect(PreviewSize / 2 - r, PreviewSize / 2 - r, 2 * r, 2 * r));
    painter.end();
    imgImage->setPixmap(QPixmap::fromImage(FPreview));
}

void TEditParticleForm::InvisibleClick() {
    const bool visible = !cbInvisible->isChecked();
    for (QWidget* control :
         std::initializer_list<QWidget*>{cbPath, cbColour, speMyRadius, lblColour, lblMyRadius})
        control->setEnabled(visible);
    imgImage->setVisible(visible);
}

void TEditParticleForm::StoreFields() {
    TParser& parser = Host.ExprParser();
    TParticle& particle = *FWorkParticle;
    particle.Name = edtName->text().toStdString();
    // The name would end the particle section when the file is read back.
    if (particle.Name == KeywordEndParticles) throw EKNError(MsgReservedName);
    particle.Mass = ReadNumberField(*edtMass, parser);
    particle.SetCharge(ReadNumberField(*edtCharge, parser));
    particle.SetRadius(ReadNumberField(*edtRadius, parser));
    sgPos->CommitEdit();
    sgVel->CommitEdit();
    for (int i = 0; i < particle.Dimensions(); ++i) {
        particle.InitialPosition[i] = ReadCell(*sgPos, i, parser);
        particle.InitialVelocity[i] = ReadCell(*sgVel, i, parser);
    }
    particle.ShowTrail = cbPath->isChecked();
    particle.Invisible = cbInvisible->isChecked();
    particle.ColourIndex = FColourIndex;
    particle.SetImageRadius(speMyRadius->ClampedValue());
    particle.UpdateImage();
}

void TEditParticleForm::PutIntoList() {
    if (FInsertMode) {
        // A refused particle stays with the dialog, so OK can be pressed again.
        List.InsertParticle(FIndex, std::move(FWorkParticle));
        return;
    }
    // Removed first so that the particle is checked against the others, not its old self.
    auto previous = std::make_unique<TParticle>(List.Dimensions());
    previous->Assign(&List.Particles(FIndex));
    const double totalMass = List.TotalMass;
    List.Delete(FIndex);
    try {
        List.InsertParticle(FIndex, std::move(FWorkParticle));
    } catch (...) {
        List.InsertParticle(FIndex, std::move(previous));
        // Taking a mass off and adding it again may round; the list is to be as it was.
        List.TotalMass = totalMass;
        throw;
    }
    if (!List.Particles(FIndex).SameAs(*previous)) FChanged = true;
}

void TEditParticleForm::btnOKClick() {
    try {
        if (FWorkParticle) {
            StoreFields();
            PutIntoList();
        }
        accept();
    } catch (const std::exception& error) {
        ShowError(error);
    }
}

void TEditParticleForm::btnCancelClick() {
    reject();
}

}  // namespace kinetra::ui
