#pragma once

#include <QDialog>

// The IR dialog: chooses and tests IR commands, and owns the serial-port transmitter.
class TIRDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TIRDialog(QWidget* parent = nullptr);
};

extern TIRDialog* IRDialog;
