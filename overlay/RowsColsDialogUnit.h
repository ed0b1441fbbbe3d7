#pragma once

#include <QDialog>

#include <vector>

class QFrame;
class QLabel;
class QPushButton;

namespace Tonlyra {
class UpDown;
}

// The overlay editor's dialog for choosing the number of rows and columns of the grid; a
// preview shows the cells as the grid will lay them out.
class TRowsColsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TRowsColsDialog(QWidget* parent = nullptr);

    // Rows := n; a value above 10 becomes 1 (a value below 1 shows as 1).
    void SetRows(int n);
    // Cols := n, as SetRows.
    void SetCols(int n);
    // Shows the dialog modally with Rows and Cols; true when it was closed with "&OK", and then
    // Rows and Cols hold the choice.
    bool Execute();

    int Rows = 1;
    int Cols = 1;

    // Takes Rows and Cols from the up-downs and refreshes the displays and the preview.
    void UpDownClick();

    QLabel* CountPanel = nullptr;
    QLabel* RowsLabel = nullptr;
    QLabel* RowsPanel = nullptr;
    Tonlyra::UpDown* RowsUpDown = nullptr;
    QLabel* ColsLabel = nullptr;
    QLabel* ColsPanel = nullptr;
    Tonlyra::UpDown* ColsUpDown = nullptr;
    // The preview: one raised panel per cell, in the order of the overlay's cells.
    QFrame* RowsColsPanel = nullptr;
    std::vector<QFrame*> CellPanels;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

