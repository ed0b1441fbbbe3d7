#include "overlay/PreviewFormUnit.h"

TPreviewForm* PreviewForm = nullptr;

TPreviewForm::TPreviewForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Förhandsgranskning"));
}
