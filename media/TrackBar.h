#pragma once

#include <QSlider>

namespace Tonlyra {

// A horizontal trackbar that can show a selected range in its groove (the media dialog's media
// trackbar shows the start..stop stretch there), and tells where along it a value lies, so that
// a scale can be drawn to match.
class TrackBar : public QSlider
{
    Q_OBJECT
public:
    explicit TrackBar(QWidget* parent = nullptr);

    // The selected range, in values; drawn when end > start.
    void SetSelection(int start, int end);
    int SelStart() const { return SelectionStart; }
    int SelEnd() const { return SelectionEnd; }

    // The middle of the handle when it stands at value, in the trackbar's coordinates.
    int HandleCentre(int value) const;
    // The handle's length along the bar.
    int HandleLength() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int SelectionStart = 0;
    int SelectionEnd = 0;
};

} // namespace Tonlyra
