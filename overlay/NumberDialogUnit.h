#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace Tonlyra {
class UpDown;
}

// The overlay editor's dialog for choosing a number 1..99 (a CD track): with the up-down, or by
// typing it. Typed digits anywhere in the dialog make a number of one or two digits; a third
// character starts a new number.
class TNumberDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TNumberDialog(QWidget* parent = nullptr);

    // Number := n when 1 <= n <= 99; any other value is ignored.
    void SetNumber(int n);
    // Shows the dialog modally with Number; true when it was closed with "&OK", and then Number
    // holds the choice.
    bool Execute();

    int Number = 1;
    // The characters typed since the last number was complete.
    QString TypedDigits;

    // What the dialog does with a character typed anywhere in it.
    void TypeCharacter(QChar c);
    // Takes Number from the up-down.
    void TracksUpDownClick();

    Tonlyra::UpDown* TracksUpDown = nullptr;
    QLabel* TracksPanel = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ShowNumber(int n);
};

