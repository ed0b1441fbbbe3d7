#pragma once

class QWidget;

namespace Tonlyra {

// Moves a window to the middle of the screen it is on (the primary screen before it has one).
void CenterOnScreen(QWidget& window);

} // namespace Tonlyra
