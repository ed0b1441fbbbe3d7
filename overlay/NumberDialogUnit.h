#pragma once

#include <QDialog>

// The overlay editor's dialog for choosing a number (a CD track).
class TNumberDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TNumberDialog(QWidget* parent = nullptr);
};

extern TNumberDialog* NumberDialog;
