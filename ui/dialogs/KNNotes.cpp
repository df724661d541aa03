#include "ui/dialogs/KNNotes.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/SimulationData.h"
#include "ui/dialogs/DialogHost.h"

namespace kinetra::ui {

namespace {
constexpr int NotesLineLength = 100;

QString TextOfNotes(const std::string& notes) {
    QString text = QString::fromStdString(notes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

std::string NotesOfText(QString text) {
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text.toStdString();
}
}  // namespace

QString NotesCaption(const std::string& fileName) {
    if (fileName.empty()) return QStringLiteral("Notes");
    QString name = QFileInfo(QString::fromStdString(fileName)).fileName();
    if (name.size() >= 4 && name.lastIndexOf(QLatin1Char('.')) == name.size() - 4) name.chop(4);
    return QStringLiteral("Notes - ") + name;
}

TfrmNotes::TfrmNotes(TDialogHost& host, QWidget* parent) : TToolDialog(host, parent) {
    memNotes = new QPlainTextEdit(this);
    memNotes->setObjectName(QStringLiteral("memNotes"));
    memNotes->setTabChangesFocus(true);
    memNotes->setToolTip(QStringLiteral("Free text stored with the setup: what it shows and what to watch."));
    // Notes are usually written with line breaks of their own, up to about a hundred
    // characters apart; the field is wide enough that these lines are not broken again.
    const QString prose = QStringLiteral("The quick brown fox jumps over the lazy dog. ");
    const int lineWidth = memNotes->fontMetrics().horizontalAdvance(prose) * NotesLineLength / prose.size();
    const int chrome = 2 * memNotes->frameWidth() +
                       2 * static_cast<int>(memNotes->document()->documentMargin()) +
                       memNotes->verticalScrollBar()->sizeHint().width();
    memNotes->setFixedSize(std::max(440, lineWidth + chrome), 260);
    // No default button: Enter is a line break in the notes.
    btnCancel = DialogButton("btnCancel", QStringLiteral("Cancel"), false, this);
    btnOK = DialogButton("btnOK", QStringLiteral("OK"), false, this);

    QHBoxLayout* buttons = ButtonRow({btnCancel, btnOK});

    auto* main = new QVBoxLayout(this);
    main->addWidget(memNotes);
    main->addLayout(buttons);

    setTabOrder(memNotes, btnCancel);
    setTabOrder(btnCancel, btnOK);

    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });

    FormCreate();
}

void TfrmNotes::FormCreate() {
    const TSimData& sim = Host.SimData();
    setWindowTitle(NotesCaption(sim.FileName));
    InitialText = TextOfNotes(sim.Notes);
    memNotes->setPlainText(InitialText);
}

void TfrmNotes::btnOKClick() {
    TSimData& sim = Host.SimData();
    const QString text = memNotes->toPlainText();
    // Untouched text is no change, even where the widget would write the line breaks of the
    // stored notes differently.
    if (text != InitialText) {
        std::string notes = NotesOfText(text);
        if (notes != sim.Notes) {
            sim.Notes = std::move(notes);
            Host.SetParticlesModified(true);
        }
    }
    accept();
}

void TfrmNotes::btnCancelClick() {
    reject();
}

}  // namespace kinetra::ui
