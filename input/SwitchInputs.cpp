#include "input/SwitchInputs.h"

#include "platform/KeyCodes.h"

#include <QKeySequence>

#include <algorithm>
#include <array>
#include <utility>

namespace Tonlyra {

namespace {

const QString KeyPrefix = QStringLiteral("key:");
const QString MousePrefix = QStringLiteral("mouse:");
const QString JoystickPrefix = QStringLiteral("joystick:");

// Joystick button numbers beyond this are taken for a typing error.
constexpr int MaxJoystickButton = 255;

const std::array<std::pair<Qt::MouseButton, QString>, 5> MouseButtonNames = {{
    {Qt::LeftButton, QStringLiteral("left")},
    {Qt::RightButton, QStringLiteral("right")},
    {Qt::MiddleButton, QStringLiteral("middle")},
    {Qt::BackButton, QStringLiteral("back")},
    {Qt::ForwardButton, QStringLiteral("forward")},
}};

} // namespace

int KeyCodeOf(const SwitchInput& input)
{
    if (input.Type != SwitchInput::Kind::Key)
        return KeyCode::None;
    return KeyCodeOf(input.Key.key(), input.Key.keyboardModifiers());
}

SwitchInput SwitchInput::OfKey(QKeyCombination key)
{
    SwitchInput input;
    input.Type = Kind::Key;
    // Only the keypad matters of the modifiers: a switch sends a key, not a chord.
    input.Key = QKeyCombination(key.keyboardModifiers() & Qt::KeypadModifier, key.key());
    return input;
}

SwitchInput SwitchInput::OfMouse(Qt::MouseButton button)
{
    SwitchInput input;
    input.Type = Kind::Mouse;
    input.Button = button;
    return input;
}

SwitchInput SwitchInput::OfJoystick(int button, const QString& device)
{
    SwitchInput input;
    input.Type = Kind::Joystick;
    input.JoystickButton = button;
    input.Joystick = device;
    return input;
}

SwitchInputList DefaultSwitch1()
{
    return {SwitchInput::OfKey(QKeyCombination(Qt::Key_Space))};
}

SwitchInputList DefaultSwitch2()
{
    return {SwitchInput::OfKey(QKeyCombination(Qt::Key_Return))};
}

std::optional<SwitchInput> ParseSwitchInput(const QString& text)
{
    const QString item = text.trimmed();
    if (item.startsWith(KeyPrefix, Qt::CaseInsensitive)) {
        const QKeySequence sequence =
            QKeySequence::fromString(item.mid(KeyPrefix.size()), QKeySequence::PortableText);
        if (sequence.count() != 1)
            return std::nullopt;
        const QKeyCombination key = sequence[0];
        if ((key.keyboardModifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return std::nullopt;
        const SwitchInput input = SwitchInput::OfKey(key);
        if (KeyCodeOf(input) == KeyCode::None)
            return std::nullopt;
        return input;
    }
    if (item.startsWith(MousePrefix, Qt::CaseInsensitive)) {
        const QString name = item.mid(MousePrefix.size()).trimmed();
        for (const auto& [button, buttonName] : MouseButtonNames)
            if (name.compare(buttonName, Qt::CaseInsensitive) == 0)
                return SwitchInput::OfMouse(button);
        return std::nullopt;
    }
    if (item.startsWith(JoystickPrefix, Qt::CaseInsensitive)) {
        const QString rest = item.mid(JoystickPrefix.size());
        const qsizetype at = rest.indexOf(u'@');
        bool isNumber = false;
        const int button = rest.left(at).trimmed().toInt(&isNumber);
        if (!isNumber || button < 1 || button > MaxJoystickButton)
            return std::nullopt;
        const QString device = at < 0 ? QString() : rest.mid(at + 1).trimmed();
        if (at >= 0 && device.isEmpty())
            return std::nullopt;
        return SwitchInput::OfJoystick(button, device);
    }
    return std::nullopt;
}

QString FormatSwitchInput(const SwitchInput& input)
{
    switch (input.Type) {
    case SwitchInput::Kind::Key:
        return KeyPrefix + QKeySequence(input.Key).toString(QKeySequence::PortableText);
    case SwitchInput::Kind::Mouse:
        for (const auto& [button, name] : MouseButtonNames)
            if (button == input.Button)
                return MousePrefix + name;
        return QString();
    case SwitchInput::Kind::Joystick:
        return JoystickPrefix + QString::number(input.JoystickButton) +
               (input.Joystick.isEmpty() ? QString() : u'@' + input.Joystick);
    }
    return QString();
}

SwitchInputList ParseSwitchInputs(const QString& text, QStringList* unreadable)
{
    SwitchInputList inputs;
    for (const QString& item : text.split(u';')) {
        if (item.trimmed().isEmpty())
            continue;
        const auto input = ParseSwitchInput(item);
        if (!input) {
            if (unreadable)
                unreadable->append(item.trimmed());
            continue;
        }
        if (!inputs.contains(*input))
            inputs.append(*input);
    }
    return inputs;
}

QString FormatSwitchInputs(const SwitchInputList& inputs)
{
    QStringList items;
    for (const SwitchInput& input : inputs)
        items.append(FormatSwitchInput(input));
    return items.join(u';');
}

bool IsPressOf(const SwitchInput& input, const SwitchInput& press)
{
    if (input.Type != press.Type)
        return false;
    switch (input.Type) {
    case SwitchInput::Kind::Key:
        return KeyCodeOf(input) != KeyCode::None && KeyCodeOf(input) == KeyCodeOf(press);
    case SwitchInput::Kind::Mouse:
        return input.Button == press.Button;
    case SwitchInput::Kind::Joystick:
        return input.JoystickButton == press.JoystickButton &&
               (input.Joystick.isEmpty() || input.Joystick == press.Joystick);
    }
    return false;
}

int SwitchOfKey(const SwitchInputList& switch1, const SwitchInputList& switch2, int keyCode)
{
    if (keyCode == KeyCode::None)
        return 0;
    const auto isKey = [keyCode](const SwitchInput& input) { return KeyCodeOf(input) == keyCode; };
    if (std::any_of(switch1.begin(), switch1.end(), isKey))
        return 1;
    if (std::any_of(switch2.begin(), switch2.end(), isKey))
        return 2;
    return 0;
}

int SwitchOfPress(const SwitchInputList& switch1, const SwitchInputList& switch2,
                  const SwitchInput& press)
{
    const auto isPress = [&press](const SwitchInput& input) { return IsPressOf(input, press); };
    if (std::any_of(switch1.begin(), switch1.end(), isPress))
        return 1;
    if (std::any_of(switch2.begin(), switch2.end(), isPress))
        return 2;
    return 0;
}

} // namespace Tonlyra
