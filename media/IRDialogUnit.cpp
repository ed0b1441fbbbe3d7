#include "media/IRDialogUnit.h"

TIRDialog* IRDialog = nullptr;

TIRDialog::TIRDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("IR"));
}
