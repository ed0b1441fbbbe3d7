#include "player/ControlModes.h"

#include "platform/KeyCodes.h"

namespace Tonlyra::ControlModes {

int StepNext(int current, int count)
{
    const int next = current + 1;
    return next > count ? 1 : next;
}

int NextRow(int current, int cols, int count)
{
    if (current == 0)
        return 1;
    if (current + cols > count)
        return 1;
    return current + cols;
}

bool NextCellInRow(int& current, bool& scanInRow, int cols)
{
    if (cols < 1)
        return false;
    if ((current - 1) / cols == current / cols) {
        ++current;
        return true;
    }
    scanInRow = false;
    current = cols * ((current - 1) / cols) + 1;
    return false;
}

int MoveByArrow(int current, int key, int cols, int count)
{
    if (current == 0)
        return 1;
    if (cols < 1)
        return current;
    switch (key) {
    case KeyCode::Right:
        return current % cols == 0 ? current : current + 1;
    case KeyCode::Left:
        return current == 1 || (current - 1) % cols == 0 ? current : current - 1;
    case KeyCode::Down:
        return current + cols <= count ? current + cols : current;
    case KeyCode::Up:
        return current - cols > 0 ? current - cols : current;
    default:
        return current;
    }
}

} // namespace Tonlyra::ControlModes
