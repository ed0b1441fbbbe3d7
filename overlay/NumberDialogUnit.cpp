#include "overlay/NumberDialogUnit.h"

TNumberDialog* NumberDialog = nullptr;

TNumberDialog::TNumberDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Välj nummer"));
}
