#pragma once

#include <QDialog>

// The overlay editor's dialog for choosing the number of rows and columns of the grid.
class TRowsColsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TRowsColsDialog(QWidget* parent = nullptr);
};

extern TRowsColsDialog* RowsColsDialog;
