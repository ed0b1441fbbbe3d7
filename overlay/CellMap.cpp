#include "overlay/CellMap.h"

#include <QFrame>

namespace Tonlyra {

QFrame* NewCellMap(QWidget* parent)
{
    auto* room = new QWidget(parent);
    room->setFixedSize(CellMapWidth + 2 * CellMapBevel, CellMapHeight + 2 * CellMapBevel);
    auto* map = new QFrame(room);
    map->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    map->setLineWidth(CellMapBevel);
    map->setGeometry(0, 0, CellMapWidth, CellMapHeight);
    return map;
}

void LayOutCellMap(QFrame* map, std::vector<QFrame*>& panels, int rows, int cols)
{
    for (QFrame* panel : panels)
        delete panel;
    panels.clear();
    if (rows <= 0 || cols <= 0)
        return;
    const int height = CellMapHeight / rows;
    const int width = CellMapWidth / cols;
    for (int i = 0; i < rows * cols; ++i) {
        auto* panel = new QFrame(map);
        panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
        panel->setLineWidth(CellMapBevel);
        panel->setGeometry((i % cols) * width + CellMapBevel, (i / cols) * height + CellMapBevel,
                           width, height);
        panel->show();
        panels.push_back(panel);
    }
    map->resize(cols * width + 2 * CellMapBevel, rows * height + 2 * CellMapBevel);
}

} // namespace Tonlyra
