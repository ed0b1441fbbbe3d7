#include "overlay/RowsColsDialogUnit.h"

TRowsColsDialog* RowsColsDialog = nullptr;

TRowsColsDialog::TRowsColsDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Rader och kolumner"));
}
