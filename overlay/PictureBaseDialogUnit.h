#pragma once

#include <QDialog>

// The picture base browser: picks a picture from the installed picture bases.
class TPictureBaseDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TPictureBaseDialog(QWidget* parent = nullptr);
};

extern TPictureBaseDialog* PictureBaseDialog;
