#include "overlay/PictureBaseDialogUnit.h"

TPictureBaseDialog* PictureBaseDialog = nullptr;

TPictureBaseDialog::TPictureBaseDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Öppna"));
}
