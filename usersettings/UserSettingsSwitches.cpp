// The user settings window's switches: the inputs of switch 1 and 2 in lists, learnt from the
// next key, mouse button or joystick button pressed, and the progress bar option.

#include "usersettings/UserSettingsFormUnit.h"

#include "platform/KeyCodes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>

using Tonlyra::SwitchInput;

namespace {

const QString LearnHint = QStringLiteral("Tryck på brytaren nu (Esc avbryter)");

QString MouseButtonName(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return QStringLiteral("vänster");
    case Qt::RightButton:
        return QStringLiteral("höger");
    case Qt::MiddleButton:
        return QStringLiteral("mitten");
    case Qt::BackButton:
        return QStringLiteral("bakåt");
    case Qt::ForwardButton:
        return QStringLiteral("framåt");
    default:
        return QString();
    }
}

} // namespace

QString TUserSettingsForm::SwitchInputCaption(const SwitchInput& input)
{
    switch (input.Type) {
    case SwitchInput::Kind::Key: {
        const bool keypad = input.Key.keyboardModifiers().testFlag(Qt::KeypadModifier);
        const QString name = QKeySequence(input.Key.key()).toString(QKeySequence::NativeText);
        return keypad ? QStringLiteral("Tangent %1 på numeriska tangentbordet").arg(name)
                      : QStringLiteral("Tangent %1").arg(name);
    }
    case SwitchInput::Kind::Mouse:
        return QStringLiteral("Musknapp %1").arg(MouseButtonName(input.Button));
    case SwitchInput::Kind::Joystick:
        return input.Joystick.isEmpty()
                   ? QStringLiteral("Styrspak, knapp %1").arg(input.JoystickButton)
                   : QStringLiteral("Styrspak %1, knapp %2")
                         .arg(input.Joystick)
                         .arg(input.JoystickButton);
    }
    return QString();
}

QGroupBox* TUserSettingsForm::CreateSwitchesGroup()
{
    SwitchesGroupBox = new QGroupBox(QStringLiteral("Br&ytare"), ExtendedGroupBox);
    SwitchesGroupBox->setObjectName(QStringLiteral("SwitchesGroupBox"));
    auto* grid = new QGridLayout(SwitchesGroupBox);
    const QString captions[2] = {QStringLiteral("Brytare &1 (stega)"),
                                 QStringLiteral("Brytare &2 (välja)")};
    const QString hints[2] = {
        QStringLiteral("Tangenter, musknappar och styrspaksknappar som stegar till nästa ruta "
                       "eller rad. Mellanslag om inget annat valts."),
        QStringLiteral("Tangenter, musknappar och styrspaksknappar som väljer den markerade "
                       "rutan eller raden. Enter om inget annat valts.")};
    // A column for each switch (its list and buttons), the hint and the bar option below.
    for (int k = 0; k < 2; ++k) {
        const int number = k + 1;
        auto* label = new QLabel(captions[k], SwitchesGroupBox);
        auto* list = new QListWidget(SwitchesGroupBox);
        list->setObjectName(QStringLiteral("Switch%1List").arg(number));
        list->setToolTip(hints[k]);
        label->setBuddy(list);
        // Room for a few inputs; a switch rarely has more, and the list scrolls if it does.
        list->setMaximumHeight(
            std::max(list->minimumSizeHint().height(),
                     4 * list->fontMetrics().height() + 2 * list->frameWidth() + 4));
        auto* add = new QPushButton(QStringLiteral("Lägg till..."), SwitchesGroupBox);
        add->setObjectName(QStringLiteral("AddSwitch%1Button").arg(number));
        add->setToolTip(QStringLiteral("Tryck sedan på den tangent, musknapp eller "
                                       "styrspaksknapp som ska vara brytare %1.")
                            .arg(number));
        add->setAutoDefault(false);
        auto* remove = new QPushButton(QStringLiteral("Ta bort"), SwitchesGroupBox);
        remove->setObjectName(QStringLiteral("RemoveSwitch%1Button").arg(number));
        remove->setToolTip(QStringLiteral("Tar bort den markerade brytaren ur listan."));
        remove->setAutoDefault(false);
        connect(add, &QPushButton::clicked, this, [this, number] { AddSwitchInputClick(number); });
        connect(remove, &QPushButton::clicked, this,
                [this, number] { RemoveSwitchInputClick(number); });
        SwitchLists[k] = list;
        AddSwitchButtons[k] = add;
        RemoveSwitchButtons[k] = remove;
        const int column = 2 * k;
        grid->addWidget(label, 0, column, 1, 2);
        grid->addWidget(list, 1, column, 1, 2);
        grid->addWidget(add, 2, column);
        grid->addWidget(remove, 2, column + 1);
    }
    SwitchHint = new QLabel(SwitchesGroupBox);
    SwitchHint->setObjectName(QStringLiteral("SwitchHint"));
    SwitchHint->setWordWrap(true);
    grid->addWidget(SwitchHint, 3, 0, 1, 4);
    ScanProgressCheckBox =
        new QCheckBox(QStringLiteral("Visa &tid kvar i scanningsramen"), SwitchesGroupBox);
    ScanProgressCheckBox->setObjectName(QStringLiteral("ScanProgressCheckBox"));
    ScanProgressCheckBox->setToolTip(
        QStringLiteral("En list längs scanningsramens nederkant visar hur lång tid som är kvar "
                       "innan ramen flyttas, så att brukaren ser när det är dags att trycka."));
    grid->addWidget(ScanProgressCheckBox, 4, 0, 1, 4);
    return SwitchesGroupBox;
}

void TUserSettingsForm::ShowSwitches()
{
    const Tonlyra::SwitchInputList* inputs[2] = {&EditedSettings.Switch1, &EditedSettings.Switch2};
    for (int k = 0; k < 2; ++k) {
        QListWidget* list = SwitchLists[k];
        const int selected = list->currentRow();
        list->clear();
        for (const SwitchInput& input : *inputs[k])
            list->addItem(SwitchInputCaption(input));
        list->setCurrentRow(std::min(selected, int(list->count()) - 1));
        RemoveSwitchButtons[k]->setEnabled(list->count() > 0 && !LearningSwitch);
        AddSwitchButtons[k]->setEnabled(!LearningSwitch);
    }
    SwitchHint->setText(LearningSwitch ? LearnHint : QString());
}

void TUserSettingsForm::AddSwitchInputClick(int switchNumber)
{
    LearningSwitch = switchNumber;
    // The next key or click anywhere in the window is the input.
    qApp->installEventFilter(this);
    ShowSwitches();
    // The list takes the keyboard, so that no button or box of the window acts on the key.
    SwitchLists[switchNumber - 1]->setFocus();
}

void TUserSettingsForm::RemoveSwitchInputClick(int switchNumber)
{
    Tonlyra::SwitchInputList& inputs =
        switchNumber == 1 ? EditedSettings.Switch1 : EditedSettings.Switch2;
    const int row = SwitchLists[switchNumber - 1]->currentRow();
    if (row < 0 || row >= inputs.size())
        return;
    inputs.removeAt(row);
    EditedInWindow();
    ShowSwitches();
}

void TUserSettingsForm::StopLearning()
{
    const int learnt = LearningSwitch;
    LearningSwitch = 0;
    qApp->removeEventFilter(this);
    ShowSwitches();
    if (learnt)
        AddSwitchButtons[learnt - 1]->setFocus();
}

void TUserSettingsForm::TakeLearntInput(const SwitchInput& input)
{
    Tonlyra::SwitchInputList& inputs =
        LearningSwitch == 1 ? EditedSettings.Switch1 : EditedSettings.Switch2;
    Tonlyra::SwitchInputList& other =
        LearningSwitch == 1 ? EditedSettings.Switch2 : EditedSettings.Switch1;
    const auto same = [&input](const SwitchInput& known) {
        return Tonlyra::IsPressOf(known, input) && Tonlyra::IsPressOf(input, known);
    };
    // One input works one switch: taken for this one, it leaves the other.
    other.removeIf(same);
    if (std::none_of(inputs.begin(), inputs.end(), same))
        inputs.append(input);
    const int list = LearningSwitch - 1;
    EditedInWindow();
    StopLearning();
    SwitchLists[list]->setCurrentRow(int(SwitchLists[list]->count()) - 1);
}

bool TUserSettingsForm::LearnFrom(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!LearningSwitch || !widget || widget->window() != this)
        return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // The key is the switch's, not a menu's or a button's shortcut.
        event->accept();
        return true;
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat())
            return true;
        if (key->key() == Qt::Key_Escape) {
            StopLearning();
            return true;
        }
        const SwitchInput input =
            SwitchInput::OfKey(QKeyCombination(key->modifiers(), Qt::Key(key->key())));
        if (Tonlyra::KeyCodeOf(input) == Tonlyra::KeyCode::None) {
            SwitchHint->setText(QStringLiteral("Den tangenten kan inte vara brytare. ") +
                                LearnHint);
            return true;
        }
        TakeLearntInput(input);
        return true;
    }
    case QEvent::KeyRelease:
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // The window's own buttons work as buttons.
        if (qobject_cast<QAbstractButton*>(watched))
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (MouseButtonName(mouse->button()).isEmpty())
            return true;
        TakeLearntInput(SwitchInput::OfMouse(mouse->button()));
        return true;
    }
    case QEvent::MouseButtonRelease:
        return !qobject_cast<QAbstractButton*>(watched);
    default:
        return false;
    }
}

void TUserSettingsForm::JoystickButton(const SwitchInput& button, int switchId, bool down)
{
    if (!isVisible() || !isActiveWindow())
        return;
    if (LearningSwitch) {
        // Any joystick's button of that number: the carer may plug in another of the same kind.
        if (down)
            TakeLearntInput(SwitchInput::OfJoystick(button.JoystickButton));
        return;
    }
    const int number =
        Tonlyra::SwitchOfPress(EditedSettings.Switch1, EditedSettings.Switch2, button);
    if (number || !down)
        PressTestSwitch(switchId, down);
}
