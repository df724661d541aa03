#include "ui/dialogs/EditData.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/SimulationData.h"
#include "model/Particles.h"
#include "ui/dialogs/DialogHost.h"
#include "ui/dialogs/EditPart.h"
#include "ui/dialogs/Prompts.h"

namespace kinetra::ui {

namespace {
constexpr int NumberColumnWidth = 80;
constexpr int RowHeight = 20;
constexpr int VisibleRows = 10;
constexpr int ColourRole = Qt::UserRole;

// sgParticlesGridDrawCell: a colour cell is filled entirely with the particle's colour, also in
// the selected row; every other cell is drawn as usual. The grid's lines are two pixels wide:
// the view draws one, and each cell gives up its last column and row for the second.
class TColourCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect cell = option.rect.adjusted(0, 0, -1, -1);
        const QVariant colour = index.data(ColourRole);
        if (colour.isValid()) {
            painter->fillRect(cell, colour.value<QColor>());
        } else {
            QStyleOptionViewItem inner(option);
            inner.rect = cell;
            QStyledItemDelegate::paint(painter, inner, index);
        }
        const QWidget* view = option.widget;
        const int hint = view ? view->style()->styleHint(QStyle::SH_Table_GridLineColor, &option, view) : 0;
        const QColor grid =
            hint != 0 ? QColor::fromRgba(static_cast<QRgb>(hint)) : option.palette.color(QPalette::Mid);
        painter->save();
        painter->setPen(grid);
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
    }
};

QTableWidgetItem* Cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}
}  // namespace

TfrmParticlesList::TfrmParticlesList(TDialogHost& host, QWidget* parent) : TToolDialog(host, parent) {
    setWindowTitle(QStringLiteral("Particle setup"));
    connect(this, &TfrmParticlesList::OnListChanged, this, [this] { Host.ParticlesChanged(); });

    sgParticlesGrid = new QTableWidget(this);
    sgParticlesGrid->setObjectName(QStringLiteral("sgParticlesGrid"));
    sgParticlesGrid->setColumnCount(4);
    sgParticlesGrid->setHorizontalHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Mass"), QStringLiteral("Charge"), QStringLiteral("Colour")});
    sgParticlesGrid->verticalHeader()->hide();
    sgParticlesGrid->verticalHeader()->setMinimumSectionSize(1);
    sgParticlesGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    sgParticlesGrid->verticalHeader()->setDefaultSectionSize(RowHeight);
    QHeaderView* header = sgParticlesGrid->horizontalHeader();
    header->setMinimumSectionSize(1);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < ColourColumn; ++column)
        sgParticlesGrid->setColumnWidth(column, NumberColumnWidth);
    const int colourWidth = fontMetrics().horizontalAdvance(QStringLiteral("Colour")) + 5;
    sgParticlesGrid->setColumnWidth(ColourColumn, colourWidth);
    sgParticlesGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgParticlesGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    sgParticlesGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgParticlesGrid->setTabKeyNavigation(false);
    sgParticlesGrid->setWordWrap(false);
    sgParticlesGrid->setItemDelegate(new TColourCellDelegate(sgParticlesGrid));
    sgParticlesGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The scroll bar always has its place, so the columns never have to share it.
    sgParticlesGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sgParticlesGrid->setFixedWidth(colourWidth + 3 * NumberColumnWidth + 2 * sgParticlesGrid->frameWidth() +
                                   sgParticlesGrid->verticalScrollBar()->sizeHint().width());
    sgParticlesGrid->setFixedHeight(header->sizeHint().height() + VisibleRows * RowHeight +
                                    2 * sgParticlesGrid->frameWidth());

    // OK is no default button, so no button is: Enter presses none of them.
    btnInsert = DialogButton("btnInsert", QStringLiteral("&Insert"), false, this);
    btnEdit = DialogButton("btnEdit", QStringLiteral("&Edit"), false, this);
    btnDelete = DialogButton("btnDelete", QStringLiteral("&Delete"), false, this);
    btnCancel = DialogButton("btnCancel", QStringLiteral("Cancel"), false, this);
    btnOK = DialogButton("btnOK", QStringLiteral("OK"), false, this);

    // One line each, as the help guide explains the controls.
    sgParticlesGrid->setToolTip(
        QStringLiteral("The particles of the setup; double-click or Edit to change one."));
    btnInsert->setToolTip(
        QStringLiteral("Add a new particle before the selected one (at the end from the empty last row)."));
    btnEdit->setToolTip(QStringLiteral("Change the selected particle."));
    btnDelete->setToolTip(QStringLiteral("Remove the selected particle at once."));

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btnInsert);
    buttons->addWidget(btnEdit);
    buttons->addWidget(btnDelete);
    buttons->addStretch();
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnOK);

    auto* main = new QHBoxLayout(this);
    main->addWidget(sgParticlesGrid);
    main->addLayout(buttons);

    QWidget* previous = sgParticlesGrid;
    for (QWidget* next : std::initializer_list<QWidget*>{btnInsert, btnEdit, btnDelete, btnCancel, btnOK}) {
        setTabOrder(previous, next);
        previous = next;
    }

    connect(sgParticlesGrid, &QTableWidget::currentCellChanged, this,
            [this](int, int, int, int) { sgParticlesGridClick(); });
    connect(sgParticlesGrid, &QTableWidget::cellDoubleClicked, this, [this](int, int) { btnEditClick(); });
    connect(btnInsert, &QPushButton::clicked, this, [this] { btnInsertClick(); });
    connect(btnEdit, &QPushButton::clicked, this, [this] { btnEditClick(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });

    FormCreate();
}

TfrmParticlesList::~TfrmParticlesList() = default;

void TfrmParticlesList::FormCreate() {
    const TParticlesList& particles = Host.SimData().Particles;
    FWorkList = std::make_unique<TParticlesList>(particles.Dimensions());
    FWorkList->Assign(particles);
    FillGrid();
    SelectRow(0);
}

int TfrmParticlesList::SelectedRow() const {
    return sgParticlesGrid->currentRow();
}

void TfrmParticlesList::SelectRow(int row) {
    sgParticlesGrid->setCurrentCell(row, 0);
    sgParticlesGridClick();
}

void TfrmParticlesList::FillGrid() {
    const int count = FWorkList->Count();
    const int selected = SelectedRow();
    sgParticlesGrid->setRowCount(count + 1);
    for (int k = 0; k < count; ++k) {
        const TParticle& particle = FWorkList->Particles(k);
        sgParticlesGrid->setItem(k, 0, Cell(QString::fromStdString(particle.Name)));
        sgParticlesGrid->setItem(k, 1, Cell(FormatNumber(particle.Mass, 5)));
        sgParticlesGrid->setItem(k, 2, Cell(FormatNumber(particle.Charge(), 5)));
        QTableWidgetItem* colour = Cell(QString());
        colour->setData(ColourRole, ParticleColour(particle.ColourIndex));
        sgParticlesGrid->setItem(k, ColourColumn, colour);
    }
    // The row after the last particle may still hold a deleted particle's texts.
    for (int column = 0; column < sgParticlesGrid->columnCount(); ++column)
        sgParticlesGrid->setItem(count, column, Cell(QString()));
    if (selected >= 0) sgParticlesGrid->setCurrentCell(std::min(selected, count), 0);
    sgParticlesGridClick();
}

void TfrmParticlesList::sgParticlesGridClick() {
    const int row = SelectedRow();
    const bool particleRow = row >= 0 && row < FWorkList->Count();
    btnEdit->setEnabled(particleRow);
    btnDelete->setEnabled(particleRow);
}

QString TfrmParticlesList::ParticleName(int index) const {
    return QString::fromStdString(FWorkList->Particles(index).Name);
}

void TfrmParticlesList::btnInsertClick() {
    int row = SelectedRow();
    if (row < 0) row = FWorkList->Count();
    {
        TEditParticleForm editor(Host, this, *FWorkList, row, true);
        if (Host.Prompts().ExecDialog(editor) == QDialog::Accepted) {
            FListChanged = true;
            FChanges << QStringLiteral("Insert particle '%1'").arg(ParticleName(editor.Index()));
        }
    }
    FillGrid();
}

void TfrmParticlesList::btnEditClick() {
    const int row = SelectedRow();
    if (row < 0 || row >= FWorkList->Count()) return;
    {
        TEditParticleForm editor(Host, this, *FWorkList, row, false);
        Host.Prompts().ExecDialog(editor);
        if (editor.Changed()) {
            FParticleChanged = true;
            FChanges << QStringLiteral("Edit particle '%1'").arg(ParticleName(row));
        }
    }
    FillGrid();
}

void TfrmParticlesList::btnDeleteClick() {
    const int row = SelectedRow();
    if (row < 0 || row >= FWorkList->Count()) return;
    FChanges << QStringLiteral("Delete particle '%1'").arg(ParticleName(row));
    FWorkList->Delete(row);
    FListChanged = true;
    FillGrid();
}

void TfrmParticlesList::btnOKClick() {
    try {
        Host.SimData().Particles.Assign(*FWorkList);
        if (FListChanged) emit OnListChanged();
        accept();
    } catch (const std::exception& error) {
        ShowError(error);
    }
}

void TfrmParticlesList::btnCancelClick() {
    reject();
}

}  // namespace kinetra::ui
