#pragma once

#include <QtCore/qnamespace.h>

class QKeyEvent;

namespace Tonlyra {

// The key codes the player's control modes work with (the old Windows virtual-key codes, which
// are also what stored settings and the scanning logic speak of).
namespace KeyCode {
constexpr int None = 0;
constexpr int Enter = 13;   // main and keypad Enter alike
constexpr int Pause = 19;
constexpr int Escape = 27;
constexpr int Space = 32;
constexpr int Left = 37;
constexpr int Up = 38;
constexpr int Right = 39;
constexpr int Down = 40;
constexpr int Digit0 = 48;  // main-keyboard digits 48..57
constexpr int Digit9 = 57;
constexpr int Apps = 93;    // the context-menu key
constexpr int KeypadPlus = 107;
constexpr int KeypadMinus = 109;
} // namespace KeyCode

// The one translation from a Qt key to those codes. Letters give 65..90, function keys
// 112..135, keypad digits 96..105, the editing, lock and punctuation keys their old codes; a
// key without one gives KeyCode::None (so does ";", which separates the stored switch inputs).
int KeyCodeOf(int qtKey, Qt::KeyboardModifiers modifiers);
int KeyCodeOf(const QKeyEvent* event);

} // namespace Tonlyra
