#pragma once

#include <vector>

class QFrame;
class QWidget;

namespace Tonlyra {

// The small map of an overlay's cells that the rows-and-columns dialog and the overlay editor
// show: a sunken frame of 128 x 96 pixels holding one raised panel per cell, laid out row by row
// as the player lays out its grid.
constexpr int CellMapWidth = 128;
constexpr int CellMapHeight = 96;
constexpr int CellMapBevel = 2;

// A new empty map for parent. It lies in room for its largest size, so that the window around
// it keeps its size as the map shrinks: lay out the map's parent widget, not the map.
QFrame* NewCellMap(QWidget* parent);

// Deletes the panels and fills map with rows x cols new ones, in cell order: panel i has the
// height CellMapHeight / rows and the width CellMapWidth / cols, at ((i mod cols) x width + 2,
// (i div cols) x height + 2). The map is sized to hold them. Without rows or columns it is left
// empty.
void LayOutCellMap(QFrame* map, std::vector<QFrame*>& panels, int rows, int cols);

} // namespace Tonlyra
