#pragma once

#include <QWidget>

class QToolButton;

namespace Tonlyra {

// A horizontal up-down control: two arrow buttons that step a whole-number position within
// Min..Max without wrapping; with the focus, the arrow keys step it too (left and down lower it,
// right and up raise it). It shows no number itself: a display panel beside it does.
class UpDown : public QWidget
{
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);

    void SetRange(int min, int max);
    int Min() const { return Minimum; }
    int Max() const { return Maximum; }
    int Position() const { return Value; }
    // Sets the position, held within the range. Raises nothing.
    void SetPosition(int position);

    QToolButton* DownButton = nullptr;
    QToolButton* UpButton = nullptr;

signals:
    // The user pressed an arrow (button or key), also when the position is already at that end.
    void Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Step(int delta);

    int Minimum = 0;
    int Maximum = 100;
    int Value = 0;
};

} // namespace Tonlyra
