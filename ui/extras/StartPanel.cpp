// The start panel of the empty drawing area.
#include "ui/extras/StartPanel.h"

#include <QAction>
#include <QCommandLinkButton>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "frame/FramedSim.h"

namespace kinetra::ui {

TStartPanel::TStartPanel(QWidget* drawingArea, QAction* newAction, QAction* openAction, QMenu* examplesMenu)
    : QFrame(drawingArea), Examples(examplesMenu) {
    setObjectName(QStringLiteral("pnlStart"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    setAutoFillBackground(true);

    auto* title = new QLabel(QStringLiteral("Kinetra"), this);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    title->setFont(big);
    auto* intro =
        new QLabel(QStringLiteral("Particles under gravitation and Coulomb forces. Make a new setup, "
                                  "open one, or start with an example:"),
                   this);
    intro->setWordWrap(true);

    btnNew = new QPushButton(QStringLiteral("New setup..."), this);
    btnNew->setObjectName(QStringLiteral("btnStartNew"));
    btnOpen = new QPushButton(QStringLiteral("Open a setup..."), this);
    btnOpen->setObjectName(QStringLiteral("btnStartOpen"));
    connect(btnNew, &QPushButton::clicked, newAction, &QAction::trigger);
    connect(btnOpen, &QPushButton::clicked, openAction, &QAction::trigger);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnNew);
    buttons->addWidget(btnOpen);
    buttons->addStretch();

    ExampleList = new QWidget;
    ExampleList->setObjectName(QStringLiteral("StartExamples"));
    auto* list = new QVBoxLayout(ExampleList);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(0);
    Scroll = new QScrollArea(this);
    auto* scroll = Scroll;
    scroll->setWidget(ExampleList);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addWidget(title);
    layout->addWidget(intro);
    layout->addLayout(buttons);
    layout->addSpacing(6);
    layout->addWidget(scroll, 1);
    FillExamples();
    hide();
}

void TStartPanel::FillExamples() {
    QLayout* list = ExampleList->layout();
    while (QLayoutItem* item = list->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (QAction* action : Examples->actions()) {
        const QString path = action->data().toString();
        if (path.isEmpty()) continue;
        auto* button = new QCommandLinkButton(QFileInfo(path).completeBaseName(), NotesSummary(NotesOf(path)),
                                              ExampleList);
        button->setObjectName(QStringLiteral("btnExample"));
        button->setToolTip(path);
        connect(button, &QCommandLinkButton::clicked, action, &QAction::trigger);
        list->addWidget(button);
    }
    static_cast<QVBoxLayout*>(list)->addStretch();
}

void TStartPanel::Place(int rightReserve, int bottomReserve) {
    const QWidget* area = parentWidget();
    const int margin = 12;
    const int freeWidth = std::max(0, area->width() - rightReserve - 2 * margin);
    const int freeHeight = std::max(0, area->height() - bottomReserve - 2 * margin);
    const int w = std::min(freeWidth, 560);
    // As tall as the whole list needs at this width, where it fits; the list scrolls otherwise.
    const int inner = w - layout()->contentsMargins().left() - layout()->contentsMargins().right();
    const int list = ExampleList->hasHeightForWidth() ? ExampleList->heightForWidth(inner)
                                                      : ExampleList->sizeHint().height();
    const int header = hasHeightForWidth() ? heightForWidth(w) : sizeHint().height();
    const int h = std::min(freeHeight, header - Scroll->sizeHint().height() + list + 4);
    setGeometry(margin + (freeWidth - w) / 2, margin + (freeHeight - h) / 2, w, h);
}

QString TStartPanel::NotesSummary(const QString& notes) {
    // The lines of the first paragraph are one text: notes are wrapped by hand, mid-sentence.
    QString paragraph;
    for (const QString& line : notes.split(QStringLiteral("\n"))) {
        const QString text = line.trimmed();
        if (text.isEmpty()) {
            if (paragraph.isEmpty()) continue;
            break;
        }
        paragraph += (paragraph.isEmpty() ? QString() : QStringLiteral(" ")) + text;
    }
    const qsizetype end = paragraph.indexOf(QStringLiteral(". "));
    if (end >= 0) paragraph.truncate(end + 1);
    constexpr qsizetype kLongest = 200;
    if (paragraph.size() > kLongest)
        paragraph = paragraph.left(kLongest - 3).trimmed() + QStringLiteral("...");
    return paragraph;
}

QString TStartPanel::NotesOf(const QString& fileName) {
    try {
        TFramedSim setup;
        setup.Load(fileName.toStdString());
        return QString::fromStdString(setup.Sim().Notes);
    } catch (...) {
        // A damaged example is still listed; Open will say what is wrong with it.
        return {};
    }
}

}  // namespace kinetra::ui
