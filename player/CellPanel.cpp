#include "player/CellPanel.h"

#include "picture/TMultiP.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace Tonlyra {

namespace {

// The two shades of a raised bevel: light above and left, dark below and right.
const QColor BevelLight(255, 255, 255);
const QColor BevelShadow(128, 128, 128);

void Raise(const CellMouseHandler& handler, QObject* sender, QMouseEvent* event)
{
    if (!handler)
        return;
    const CellMouseHandler copy = handler; // the handler may rebuild the grid
    copy(sender, event->button(), event->modifiers(), int(event->position().x()),
         int(event->position().y()));
}

} // namespace

// ---- CellLabel ----

CellLabel::CellLabel(int tag, QWidget* parent) : QLabel(parent), Tag(tag)
{
    setWordWrap(true);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setTextFormat(Qt::PlainText);
}

void CellLabel::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    Raise(OnMouseDown, this, event);
}

void CellLabel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    Raise(OnMouseUp, this, event);
}

// ---- CellFace ----

CellFace::CellFace(int tag, QWidget* parent) : QWidget(parent), Tag(tag)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CellFace::SetColor(const QColor& color)
{
    if (FColor == color)
        return;
    FColor = color;
    update();
}

int CellFace::LabelHeight() const
{
    return Label && !Label->isHidden() ? Label->height() : 0;
}

void CellFace::Realign()
{
    const int b = BorderWidth;
    const int innerWidth = std::max(0, width() - 2 * b);
    const int innerHeight = std::max(0, height() - 2 * b);
    int top = b;
    int roomHeight = innerHeight;
    if (Label && !Label->isHidden()) {
        if (LabelAlign == Align::Top) {
            const int textHeight = std::min(innerHeight, Label->heightForWidth(innerWidth));
            Label->setGeometry(b, b, innerWidth, std::max(0, textHeight));
            top += Label->height();
            roomHeight -= Label->height();
        } else if (LabelAlign == Align::Client) {
            Label->setGeometry(b, b, innerWidth, innerHeight);
        }
    }
    if (Picture && PictureAlign == Align::Client)
        Picture->setGeometry(b, top, innerWidth, std::max(0, roomHeight));
}

const QColor CellFace::MissingPictureColor(136, 136, 136);

void CellFace::SetPictureFailed(const QString& reason)
{
    FPictureFailed = true;
    Cross(reason);
}

void CellFace::SetMediaFailed(const QString& reason)
{
    FMediaFailed = true;
    Cross(reason);
}

void CellFace::Cross(const QString& reason)
{
    setToolTip(reason);
    if (Picture)
        Picture->hide();
    update();
}

QRect CellFace::PictureRoom() const
{
    const int b = BorderWidth;
    return QRect(b, b + LabelHeight(), width() - 2 * b, height() - 2 * b - LabelHeight());
}

void CellFace::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), FColor);
    if (!Crossed())
        return;
    const QRect room = PictureRoom();
    const int side = std::min(room.width(), room.height()) * 2 / 3;
    if (side < 8)
        return;
    const QRect box(room.center() - QPoint(side / 2, side / 2), QSize(side, side));
    painter.setPen(QPen(MissingPictureColor, std::max(2, side / 30)));
    painter.drawRect(box);
    painter.drawLine(box.topLeft(), box.bottomRight());
    painter.drawLine(box.topRight(), box.bottomLeft());
}

void CellFace::resizeEvent(QResizeEvent*)
{
    Realign();
}

void CellFace::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    Raise(OnMouseDown, this, event);
}

void CellFace::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    Raise(OnMouseUp, this, event);
}

// ---- CellPanel ----

CellPanel::CellPanel(int tag, QWidget* parent) : QWidget(parent), Tag(tag)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    FFace = new CellFace(tag, this);
    SetBorderWidth(0);
}

void CellPanel::SetColor(const QColor& color)
{
    if (FColor == color)
        return;
    FColor = color;
    // The face covers everything inside the bevel.
    update(QRegion(rect()) - QRegion(contentsRect()));
}

void CellPanel::SetBorderWidth(int width)
{
    FBorderWidth = std::max(0, width);
    const int inset = FBorderWidth + BevelWidth;
    setContentsMargins(inset, inset, inset, inset);
    LayOutFace();
    update();
}

void CellPanel::SetBounds(const QRect& bounds)
{
    setGeometry(bounds);
    LayOutFace();
}

void CellPanel::LayOutFace()
{
    FFace->setGeometry(contentsRect());
    FFace->Realign();
}

void CellPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect outer = rect();
    // The ring, in the panel's colour.
    painter.fillRect(outer, FColor);
    // The bevel: BevelWidth lines just inside the ring, light on the top and left edges, dark
    // on the bottom and right ones.
    const QRect bevel = outer.adjusted(FBorderWidth, FBorderWidth, -FBorderWidth, -FBorderWidth);
    if (bevel.width() <= 0 || bevel.height() <= 0)
        return;
    for (int i = 0; i < BevelWidth; ++i) {
        const QRect r = bevel.adjusted(i, i, -i, -i);
        if (r.width() <= 0 || r.height() <= 0)
            break;
        painter.setPen(BevelShadow);
        painter.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
        painter.setPen(BevelLight);
        painter.drawLine(r.left(), r.top(), r.right() - 1, r.top());
        painter.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
    }
}

void CellPanel::resizeEvent(QResizeEvent*)
{
    LayOutFace();
}

} // namespace Tonlyra
