// The units submenu: four radio items, remembered under "Units" by the key of the choice.
#include "ui/window/UnitsMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "ui/extras/Session.h"

namespace kinetra::ui {

namespace {

struct TChoiceItem {
    TUnitChoice Choice;
    const char* Caption;
    const char* Key;
};

const TChoiceItem ChoiceItems[4] = {
    {TUnitChoice::Automatic, "&Automatic", "Automatic"},
    {TUnitChoice::None, "&None", "None"},
    {TUnitChoice::SI, "&SI", "SI"},
    {TUnitChoice::Astronomical, "A&stronomical (AU, day, M☉)", "Astronomical"},
};

const QString KeyUnits = QStringLiteral("Units");

}  // namespace

TUnitsMenu::TUnitsMenu(QMenu& options, QObject* parent) : QObject(parent) {
    QMenu* menu = options.addMenu(QStringLiteral("&Units"));
    menu->setObjectName(QStringLiteral("mmiUnits"));
    menu->setFont(options.font());
    Group = new QActionGroup(this);
    Group->setExclusive(true);
    const QString remembered = TSession::Word(KeyUnits, QString::fromUtf8(ChoiceItems[0].Key));
    for (int i = 0; i < 4; ++i) {
        const TChoiceItem& item = ChoiceItems[i];
        QAction* action = menu->addAction(QString::fromUtf8(item.Caption));
        action->setObjectName(QStringLiteral("smiUnits") + QString::fromUtf8(item.Key));
        action->setCheckable(true);
        Group->addAction(action);
        Actions[i] = action;
        if (remembered == QString::fromUtf8(item.Key)) {
            FChoice = item.Choice;
            action->setChecked(true);
        }
        connect(action, &QAction::triggered, this, [this, choice = item.Choice] { Choose(choice); });
    }
    if (Group->checkedAction() == nullptr) Actions[0]->setChecked(true);
}

QAction* TUnitsMenu::Action(TUnitChoice choice) const {
    for (int i = 0; i < 4; ++i)
        if (ChoiceItems[i].Choice == choice) return Actions[i];
    return nullptr;
}

void TUnitsMenu::Choose(TUnitChoice choice) {
    for (const TChoiceItem& item : ChoiceItems)
        if (item.Choice == choice) TSession::SetWord(KeyUnits, QString::fromUtf8(item.Key));
    if (FChoice == choice) return;
    FChoice = choice;
    emit choiceChanged();
}

}  // namespace kinetra::ui
