#include "platform/KeyCodes.h"

#include <QKeyEvent>

namespace Tonlyra {

int KeyCodeOf(const QKeyEvent* event)
{
    const int key = event->key();
    const bool keypad = event->modifiers().testFlag(Qt::KeypadModifier);
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return KeyCode::Enter;
    case Qt::Key_Pause:
        return KeyCode::Pause;
    case Qt::Key_Escape:
        return KeyCode::Escape;
    case Qt::Key_Space:
        return KeyCode::Space;
    case Qt::Key_Left:
        return KeyCode::Left;
    case Qt::Key_Up:
        return KeyCode::Up;
    case Qt::Key_Right:
        return KeyCode::Right;
    case Qt::Key_Down:
        return KeyCode::Down;
    case Qt::Key_Menu:
        return KeyCode::Apps;
    case Qt::Key_Plus:
        return keypad ? KeyCode::KeypadPlus : 187;
    case Qt::Key_Minus:
        return keypad ? KeyCode::KeypadMinus : 189;
    default:
        break;
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return keypad ? 96 + (key - Qt::Key_0) : KeyCode::Digit0 + (key - Qt::Key_0);
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return 65 + (key - Qt::Key_A);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    return KeyCode::None;
}

} // namespace Tonlyra
