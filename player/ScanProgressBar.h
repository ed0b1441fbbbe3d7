#pragma once

#include <QColor>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

namespace Tonlyra {

// A bar along the lower edge of the scanning frame, inside it, in the scan colour: its length
// is the share of the step's time still left, so that the user sees when to press. While it
// follows the scan it asks Step() for the frame and the time left, as often as a film shows
// frames; a time left that grows is a new step, whose whole length is that time. Nothing to
// show (no frame, or a scan that waits) hides it.
class ScanProgressBar : public QWidget
{
public:
    struct Step
    {
        QRect Frame;        // the marked cells, in the grid's coordinates
        int FrameWidth = 0; // the width of the frame's ring
        int MsLeft = 0;     // until the frame moves on
        QColor Color;
    };
    ScanProgressBar(QWidget* grid, std::function<std::optional<Step>()> step);

    // Follows the scan, or stops and hides.
    void Follow(bool on);
    // Asks for the step and shows it (the animation does this on its own).
    void Update();
    // The share of the step's time left, as drawn (0..1).
    double Left() const { return Share; }

    static constexpr int FrameIntervalMs = 33;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<std::optional<Step>()> CurrentStep;
    QTimer Animation;
    int StepLength = 0;
    int LastLeft = 0;
    double Share = 0;
    QColor Color;
};

} // namespace Tonlyra
