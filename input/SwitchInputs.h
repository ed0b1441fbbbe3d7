#pragma once

#include <QKeyCombination>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace Tonlyra {

// One input that works a switch: a key, a mouse button or a joystick/gamepad button. The same
// type describes a press as it comes in, so that a press is matched against a switch's inputs
// by SwitchOfPress.
struct SwitchInput
{
    enum class Kind
    {
        Key,
        Mouse,
        Joystick,
    };
    Kind Type = Kind::Key;
    // Kind::Key: the Qt key, with Qt::KeypadModifier for a key of the keypad.
    QKeyCombination Key;
    // Kind::Mouse.
    Qt::MouseButton Button = Qt::NoButton;
    // Kind::Joystick: the button, counted from 1, and the device's name; no name = any device.
    int JoystickButton = 0;
    QString Joystick;

    static SwitchInput OfKey(QKeyCombination key);
    static SwitchInput OfMouse(Qt::MouseButton button);
    static SwitchInput OfJoystick(int button, const QString& device = QString());

    bool operator==(const SwitchInput&) const = default;
};

using SwitchInputList = QList<SwitchInput>;

// The defaults: switch 1 is the space bar, switch 2 Enter.
SwitchInputList DefaultSwitch1();
SwitchInputList DefaultSwitch2();

// One item of a stored list: "key:<name as a key sequence writes it>" ("key:F5", "key:Num+1"
// for the keypad's 1), "mouse:left|right|middle|back|forward", "joystick:<button from 1>" or
// "joystick:<button>@<device name>". Nothing for an item that cannot be read, for a key with
// modifiers other than the keypad's and for a key the player has no code for.
std::optional<SwitchInput> ParseSwitchInput(const QString& item);
QString FormatSwitchInput(const SwitchInput& input);

// A stored list, items separated by ";" (blanks around them and empty items pass unseen);
// the items that cannot be read are left out and put into unreadable, if given. An input given
// twice is kept once.
SwitchInputList ParseSwitchInputs(const QString& text, QStringList* unreadable = nullptr);
QString FormatSwitchInputs(const SwitchInputList& inputs);

// Whether press is input: keys by the player's key code (so Return and the keypad's Enter are
// one key, the keypad's 1 another than the main keyboard's), mouse buttons by button, joystick
// buttons by number and, where input names one, by device.
bool IsPressOf(const SwitchInput& input, const SwitchInput& press);

// Which switch a press works: 1, 2, or 0 for neither. Switch 1 wins an input in both lists.
int SwitchOfPress(const SwitchInputList& switch1, const SwitchInputList& switch2,
                  const SwitchInput& press);
// The same for a key known by its code (Tonlyra::KeyCodeOf).
int SwitchOfKey(const SwitchInputList& switch1, const SwitchInputList& switch2, int keyCode);

// The player's key code of a key input; KeyCode::None for the other inputs.
int KeyCodeOf(const SwitchInput& input);

} // namespace Tonlyra
