#pragma once

// The moves of the current cell in the stepping, scanning and arrow modes. Cells are numbered
// 1..count row by row; cols is the number of cells in a row; 0 means no current cell.
namespace Tonlyra::ControlModes {

// The next cell, back to 1 after the last.
int StepNext(int current, int count);

// The first cell of the next row, back to the first row after the last; from no cell, cell 1.
int NextRow(int current, int cols, int count);

// One step along the row being scanned. True when it moved to the next cell of the row. At the
// row's last cell the row is finished: current goes back to the row's first cell, scanInRow
// becomes false and the result is false.
bool NextCellInRow(int& current, bool& scanInRow, int cols);

// The cell an arrow key (KeyCode::Left, Up, Right or Down) moves to; never wraps. From no cell,
// any arrow gives cell 1. Other keys leave the cell as it is.
int MoveByArrow(int current, int key, int cols, int count);

} // namespace Tonlyra::ControlModes
