#pragma once

#include <QColor>
#include <QLabel>
#include <QWidget>

#include <functional>

class TPMultiImage;

namespace Tonlyra {

// A mouse press or release on a part of a cell; sender is the control that was clicked, and its
// cell number is TPlayerForm::CellNumberOf(sender).
using CellMouseHandler = std::function<void(QObject* sender, Qt::MouseButton button,
                                            Qt::KeyboardModifiers shift, int x, int y)>;

// The cell's text: transparent, word-wrapped and centred both ways.
class CellLabel : public QLabel
{
    Q_OBJECT
public:
    CellLabel(int tag, QWidget* parent);

    int Tag = 0;
    CellMouseHandler OnMouseDown, OnMouseUp;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The face of a cell: a plain panel in the button colour with a border of BorderWidth pixels in
// the same colour, holding the label and the picture. It places them by their alignment
// whenever it is resized.
class CellFace : public QWidget
{
    Q_OBJECT
public:
    static constexpr int BorderWidth = 3;

    enum class Align
    {
        None,  // keeps the geometry it was given
        Top,   // along the top edge, as high as its wrapped text
        Client // the room the other aligned controls leave
    };

    CellFace(int tag, QWidget* parent);

    int Tag = 0;
    QColor Color() const { return FColor; }
    void SetColor(const QColor& color);

    // Both made by the cell panel; the label is the first child, the picture the second.
    CellLabel* Label = nullptr;
    TPMultiImage* Picture = nullptr;
    Align LabelAlign = Align::Client;
    Align PictureAlign = Align::Client;

    // Places the label and the picture by their alignment.
    void Realign();

    // The cell's picture could not be read: the picture is hidden and the face shows, where
    // the picture would be, the sign of a missing picture (a crossed box in
    // MissingPictureColor); its hint says why.
    void SetPictureFailed(const QString& reason);
    bool PictureFailed() const { return FPictureFailed; }
    // The cell's media cannot be played: the face shows the same sign, its hint says why.
    void SetMediaFailed(const QString& reason);
    bool MediaFailed() const { return FMediaFailed; }
    // Whether the face shows the sign (instead of its picture).
    bool Crossed() const { return FPictureFailed || FMediaFailed; }
    static const QColor MissingPictureColor;
    // The height the label takes at the top of the face: 0 when it is hidden.
    int LabelHeight() const;

    CellMouseHandler OnMouseDown, OnMouseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Where the picture goes: below the text, inside the border.
    QRect PictureRoom() const;

    void Cross(const QString& reason);

    QColor FColor;
    bool FPictureFailed = false;
    bool FMediaFailed = false;
};

// One cell of the grid. From the edge inwards: a ring of BorderWidth pixels in the panel's
// colour (the scanning frame when the cell is marked), a raised bevel BevelWidth pixels wide,
// then the face, which always fills the rest.
class CellPanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr int BevelWidth = 3;

    CellPanel(int tag, QWidget* parent);

    int Tag = 0;
    QColor Color() const { return FColor; }
    // Repaints only the ring and the bevel: the face does not change with the frame colour.
    void SetColor(const QColor& color);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int width);

    CellFace* Face() const { return FFace; }
    // Moves and sizes the panel and lays its face out at once (a hidden widget gets its resize
    // events only when it is shown).
    void SetBounds(const QRect& bounds);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayOutFace();

    QColor FColor;
    int FBorderWidth = 0;
    CellFace* FFace = nullptr;
};

} // namespace Tonlyra
