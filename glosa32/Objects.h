#pragma once

// The annotation objects: twelve kinds over one abstract base. Objects live in image
// coordinates; everything that meets the window goes through a ViewTransform.

#include <QFont>
#include <QImage>
#include <QLine>
#include <QPen>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QStaticText>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QPainter;
class QWidget;
class QFont;
class QColor;

namespace Tonlyra::Glosa {

// printf-style formatting into a std::string (the container's records are byte text).
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

enum Kind : int
{
    KindNone = 0,
    KindRectangle = 1,
    KindHilite = 2,
    KindLine = 3,
    KindPointer = 4,
    KindEllipse = 5,
    KindPolyline = 6,
    KindFreehand = 7,
    KindPolygon = 8,
    KindImage = 9,
    KindLabel = 10,
    KindNotes = 11,
    KindStamp = 12,
};

using ColorRef = std::uint32_t; // 0x00BBGGRR
QColor ToQColor(ColorRef c);
ColorRef FromQColor(const QColor& c);

// Record tag of a kind ("RECTANGLE" ...), and the kind of a tag (KindNone when unknown).
const char* TagOf(Kind kind);
Kind KindOfTag(std::string_view tag);

// Truncation toward zero of a double, held inside a range any picture fits in.
int Trunc(double v);

struct ViewTransform
{
    int OriginX = 0;
    int OriginY = 0;
    int OffsetX = 0;
    int OffsetY = 0;
    double Zoom = 1.0;

    QPoint ToWindow(int x, int y) const
    {
        return {Trunc((double(x) - OriginX) * Zoom + OffsetX),
                Trunc((double(y) - OriginY) * Zoom + OffsetY)};
    }
    int Scale(int v) const { return Trunc(v * Zoom); }
    // Window point to image point, as floats and truncated.
    double ImageX(double x) const { return OriginX + (x - OffsetX) / Zoom; }
    double ImageY(double y) const { return OriginY + (y - OffsetY) / Zoom; }
    // Window coordinates of an image point given as floats (drag positions).
    QPoint ToWindowF(double x, double y) const
    {
        return {Trunc((x - OriginX) * Zoom + OffsetX), Trunc((y - OriginY) * Zoom + OffsetY)};
    }
    QPoint ToImage(int x, int y) const { return {Trunc(ImageX(x)), Trunc(ImageY(y))}; }
};

// A Windows-style logical font as the records store it.
struct LogFont
{
    std::int32_t Height = 16;
    std::int32_t Width = 0;
    std::int32_t Escapement = 0;
    std::int32_t Orientation = 0;
    std::int32_t Weight = 0;
    int Italic = 0;
    int Underline = 0;
    int StrikeOut = 0;
    int CharSet = 0;
    int OutPrecision = 0;
    int ClipPrecision = 0;
    int Quality = 0;
    int PitchAndFamily = 0;
    std::string FaceName = "Arial";
};
// The Qt font of a logical font with height and width scaled by zoom.
QFont MakeFont(const LogFont& font, double zoom);
// A logical font taken back from a Qt font (as chosen in a font dialog).
LogFont FromQFont(const QFont& font, const LogFont& old);

// One rubber-stamp definition of the stamp library.
struct StampDefinition
{
    int Type = 1; // 1 text stamp, 0 image stamp, 2 deleted
    std::string Name;
    std::string Text; // text, or image file name
    LogFont Font;
    ColorRef Color = 0;
};

// What building an object needs from its surroundings.
struct BuildContext
{
    std::string StampLibraryPath;
    QWidget* Window = nullptr; // parent of messages
};

struct IRect
{
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

enum class DragMode
{
    None,
    Create,
    Move,
    Resize,
    NodeDrag
};

class AObject
{
public:
    virtual ~AObject() = default;
    virtual Kind GetKind() const = 0;

    // Record text without the length number ("[RECTANGLE] ...").
    virtual std::string Serialize() const = 0;
    // Reads the fields of a record (the text after its tag).
    virtual void Build(std::string_view fields, const BuildContext& context) = 0;

    virtual void Draw(QPainter& painter, const ViewTransform& view) const = 0;
    // At picture scale, into a bitmap.
    virtual void DrawInto(QPainter& painter) const { Draw(painter, ViewTransform{}); }

    virtual void ComputeHandles();
    // The handle squares in window coordinates (10 by 10, bounds included when hit).
    std::vector<QRect> HandleSquares(const ViewTransform& view) const;
    // 1..HandleCount, or 0.
    int HitHandle(const ViewTransform& view, QPoint p) const;

    virtual bool HitTest(const ViewTransform& view, QPoint p) const = 0;
    virtual bool HitTestSelected(const ViewTransform& view, QPoint p) const
    {
        return HitTest(view, p);
    }
    // The window rectangle to repaint for the object, its handles and margin.
    virtual QRect AreaRect(const ViewTransform& view, int margin) const = 0;

    // Mouse creation, moving, resizing; points in window coordinates.
    virtual void BeginCreate(const ViewTransform& view, QPoint p) = 0;
    virtual void TrackCreate(const ViewTransform& view, QPoint p) = 0;
    virtual void EndCreate(const ViewTransform& view, QPoint p) = 0;
    virtual void BeginMove(const ViewTransform& view, QPoint p) = 0;
    virtual void TrackMove(const ViewTransform& view, QPoint p) = 0;
    virtual void EndMove(const ViewTransform& view, QPoint p) = 0;
    virtual void BeginResize(const ViewTransform& view, QPoint p, int handle) = 0;
    virtual void TrackResize(const ViewTransform& view, QPoint p) = 0;
    virtual void EndResize(const ViewTransform& view, QPoint p) = 0;
    // The inverted outline of the drag in progress, and the window area it covers.
    virtual void DrawDrag(QPainter& painter, const ViewTransform& view) const = 0;
    virtual QRect DragRect(const ViewTransform& view) const = 0;

    virtual bool IsPolyFamily() const { return false; }

    QPen MakePen(double zoom) const;

    // Common fields.
    int HandleCount = 4;
    std::array<IRect, 4> Handles{};
    bool Creating = false;
    bool Complete = false;
    ColorRef Foreground = 0x000000;
    std::array<ColorRef, 16> CustomColors;
    int LineWidth = 1;
    int LineStyle = 0;
    int FillMode = 1;
    int FillPattern = 100;
    ColorRef Background = 0xFFFFFF;
    bool Iconic = false;
    int X = 0, Y = 0, Width = 0, Height = 0;

    DragMode Mode = DragMode::None;
    // Moves the whole drag box by the mouse movement since the last point.
    void DragBox(const ViewTransform& view, QPoint p);
    // Moves the corner of the drag box under handle 1..4 (clockwise from the top left) by the
    // mouse movement since the last point, in image coordinates.
    void DragCorner(const ViewTransform& view, QPoint p);
    QPoint Press;                                                    // window point of the press
    double DragLeft = 0, DragTop = 0, DragRight = 0, DragBottom = 0; // image coordinates
    int DragHandle = 0;

    AObject() { CustomColors.fill(0xFFFFFF); }
};

// Rectangle and the kinds that share its box behaviour.
class ARectangle : public AObject
{
public:
    Kind GetKind() const override { return KindRectangle; }
    std::string Serialize() const override;
    void Build(std::string_view fields, const BuildContext& context) override;
    void Draw(QPainter& painter, const ViewTransform& view) const override;
    bool HitTest(const ViewTransform& view, QPoint p) const override;
    bool HitTestSelected(const ViewTransform& view, QPoint p) const override;
    QRect AreaRect(const ViewTransform& view, int margin) const override;
    void BeginCreate(const ViewTransform& view, QPoint p) override;
    void TrackCreate(const ViewTransform& view, QPoint p) override;
    void EndCreate(const ViewTransform& view, QPoint p) override;
    void BeginMove(const ViewTransform& view, QPoint p) override;
    void TrackMove(const ViewTransform& view, QPoint p) override;
    void EndMove(const ViewTransform& view, QPoint p) override;
    void BeginResize(const ViewTransform& view, QPoint p, int handle) override;
    void TrackResize(const ViewTransform& view, QPoint p) override;
    void EndResize(const ViewTransform& view, QPoint p) override;
    void DrawDrag(QPainter& painter, const ViewTransform& view) const override;
    QRect DragRect(const ViewTransform& view) const override;

    // The object's window rectangle (L, T) to (L + width x zoom, T + height x zoom).
    QRect WindowRect(const ViewTransform& view) const;

protected:
    bool IsUnfilled() const { return FillMode != 2 && FillPattern == 100; }
    void DrawShape(QPainter& painter, const ViewTransform& view, bool ellipse) const;
    QRect OutlineRect(const ViewTransform& view) const;
};

class AEllipse : public ARectangle
{
public:
    Kind GetKind() const override { return KindEllipse; }
    std::string Serialize() const override;
    void Draw(QPainter& painter, const ViewTransform& view) const override;
};

class AHilite : public ARectangle
{
public:
    AHilite();
    Kind GetKind() const override { return KindHilite; }
    std::string Serialize() const override;
    void Build(std::string_view fields, const BuildContext& context) override;
    void Draw(QPainter& painter, const ViewTransform& view) const override;
};

class AImage : public ARectangle
{
public:
    AImage();
    Kind GetKind() const override { return KindImage; }
    std::string Serialize() const override;
    void Build(std::string_view fields, const BuildContext& context) override;
    void Draw(QPainter& painter, const ViewTransform& view) const override;
    // Loads the picture; false (after telling the user with message) when it cannot.
    bool LoadPicture(QWidget* parent, const char* message);

    std::string FileName;
    QImage Picture;
};

class ALabel : public ARectangle
{
public:
    ALabel();
    Kind GetKind() const override { return KindLabel; }
    std::string Serialize() const override;
    void Build(std::string_view fields, const BuildContext& context) override;
    void Draw(QPainter& painter, const ViewTransform& view) const override;
    bool HitTest(const ViewTransform& view, QPoint p) const override;
    bool HitTestSelected(const ViewTransform& view, QPoint p) const override;

    // Labels show one line of text: control characters (below the blank: line breaks, tabs)
    // become blanks in the stored text, so its length stays. Letters, braces and everything
    // else are kept as written.
    void CleanText() const;

    LogFont Font;
    mutable std::string Text;
    ColorRef FontBackground = 0x8000FF;
    ColorRef TextColor = 0x000000;

protected:
    QRect IconRect(const ViewTransform& view) const;
    std::string SerializeAs(const char* tag, const std::string& text) const;
};

class ANotes : public ALabel
{
public:
    ANotes();
    Kind GetKind() const override { return KindNotes; }
    std::string Serialize() const override;
    void Build(std::string_view fields, const BuildContext& context) override;
    void Draw(QPainter& painter, const ViewTransform& view) const override;

private:
    mutable QStaticText Layout; // the wrapped text as last drawn
    mutable QFont LayoutFont;
};

class AStamp : public ARectangle
{
public:
    Kind GetKind() const override { return KindStamp; }
    std::string Serialize() const override;
    void Build(std::string_view fields, const BuildContext& context) override;
    void Draw(QPainter& painter, const ViewTransform& view) const override;
    void DrawInto(QPainter& painter) const override;
    bool HitTest(const ViewTransform& view, QPoint p) const override
    {
        return HitTestSelected(view, p);
    }
    // Takes a definition (text codes already expanded) and the size that follows from it.
    void Apply(const StampDefinition& definition, QWidget* parent);
    void ComputeSize();

    StampDefinition Stamp;
    QImage Picture;

private:
    void DrawStamp(QPainter& painter, const ViewTransform& view, bool blackText) const;
};

class ALine : public AObject
{
public:
    ALine() { HandleCount = 2; }
    Kind GetKind() const override { return KindLine; }
    std::string Serialize() const override;
    void Build(std::string_view fields, const BuildContext& context) override;
    void Draw(QPainter& painter, const ViewTransform& view) const override;
    void ComputeHandles() override;
    bool HitTest(const ViewTransform& view, QPoint p) const override;
    QRect AreaRect(const ViewTransform& view, int margin) const override;
    void BeginCreate(const ViewTransform& view, QPoint p) override;
    void TrackCreate(const ViewTransform& view, QPoint p) override;
    void EndCreate(const ViewTransform& view, QPoint p) override;
    void BeginMove(const ViewTransform& view, QPoint p) override;
    void TrackMove(const ViewTransform& view, QPoint p) override;
    void EndMove(const ViewTransform& view, QPoint p) override;
    void BeginResize(const ViewTransform& view, QPoint p, int handle) override;
    void TrackResize(const ViewTransform& view, QPoint p) override;
    void EndResize(const ViewTransform& view, QPoint p) override;
    void DrawDrag(QPainter& painter, const ViewTransform& view) const override;
    QRect DragRect(const ViewTransform& view) const override;

protected:
    std::string SerializeAs(const char* tag) const;
    QLine DragLine(const ViewTransform& view) const;
};

class APointer : public ALine
{
public:
    Kind GetKind() const override { return KindPointer; }
    std::string Serialize() const override;
    void Draw(QPainter& painter, const ViewTransform& view) const override;
    // The two corners of the arrowhead in window coordinates.
    std::array<QPoint, 2> ArrowPoints(const ViewTransform& view) const;
};

class APolyline : public AObject
{
public:
    Kind GetKind() const override { return KindPolyline; }
    std::string Serialize() const override;
    void Build(std::string_view fields, const BuildContext& context) override;
    void Draw(QPainter& painter, const ViewTransform& view) const override;
    void ComputeHandles() override;
    bool HitTest(const ViewTransform& view, QPoint p) const override;
    QRect AreaRect(const ViewTransform& view, int margin) const override;
    void BeginCreate(const ViewTransform& view, QPoint p) override;
    void TrackCreate(const ViewTransform& view, QPoint p) override;
    void EndCreate(const ViewTransform& view, QPoint p) override;
    void BeginMove(const ViewTransform& view, QPoint p) override;
    void TrackMove(const ViewTransform& view, QPoint p) override;
    void EndMove(const ViewTransform& view, QPoint p) override;
    void BeginResize(const ViewTransform& view, QPoint p, int handle) override;
    void TrackResize(const ViewTransform& view, QPoint p) override;
    void EndResize(const ViewTransform& view, QPoint p) override;
    void DrawDrag(QPainter& painter, const ViewTransform& view) const override;
    QRect DragRect(const ViewTransform& view) const override;
    bool IsPolyFamily() const override { return true; }
    virtual bool IsClosed() const { return false; }

    void ComputeBounds();
    void DrawNodes(QPainter& painter, const ViewTransform& view) const;
    int HitNode(const ViewTransform& view, QPoint p);
    // The hit segment's first node (the insertion goes after it), or -1; sets InsertPoint.
    int HitSegment(const ViewTransform& view, QPoint p);
    void BeginNodeDrag(const ViewTransform& view, QPoint p);
    void TrackNodeDrag(const ViewTransform& view, QPoint p);
    void EndNodeDrag(const ViewTransform& view, QPoint p);
    // Removes the selected node; false when fewer than 3 nodes would forbid it.
    bool DeleteSelectedNode();
    void AddNodeAtInsertPoint();

    std::vector<QPoint> Nodes;
    int SelectedNode = -1;
    int InsertAfter = -1;
    QPoint InsertPoint;
    QPoint Mouse; // last mouse point during creation (window)
    double NodeDx = 0, NodeDy = 0;
    std::vector<QPoint> MoveCopy;

protected:
    std::string SerializeNodes(std::string head) const;
    void ReadNodes(std::string_view fields, std::size_t pos, long long count);
    QPolygon WindowPolygon(const ViewTransform& view) const;
    bool SegmentHit(const ViewTransform& view, QPoint p, int* segment, QPointF* foot) const;
    QRect WindowBounds(const ViewTransform& view) const;
};

class AFreehand : public APolyline
{
public:
    Kind GetKind() const override { return KindFreehand; }
    std::string Serialize() const override;
    void TrackCreate(const ViewTransform& view, QPoint p) override;
};

class APolygon : public APolyline
{
public:
    Kind GetKind() const override { return KindPolygon; }
    std::string Serialize() const override;
    void Build(std::string_view fields, const BuildContext& context) override;
    void Draw(QPainter& painter, const ViewTransform& view) const override;
    bool HitTest(const ViewTransform& view, QPoint p) const override;
    bool HitTestSelected(const ViewTransform& view, QPoint p) const override;
    bool IsClosed() const override { return true; }
};

// A new object of kind with default settings (KindNone or unknown: null).
std::unique_ptr<AObject> MakeObject(Kind kind);
// An object built from a record (null for an unknown tag).
std::unique_ptr<AObject> BuildObject(std::string_view tag, std::string_view fields,
                                     const BuildContext& context);

// Fills a rounded rectangle with 6 by 6 corners, no outline, exactly as
// painter.drawRoundedRect(rect, 3, 3) with no pen fills it, but as a few plain rectangle
// fills: tall path fills send the raster engine through its thread pool, whose wake-ups cost
// more than the fill itself.
void FillRoundedRect(QPainter& painter, const QRect& rect, const QColor& color);

// The small pictures of the library: the 8 x 8 shadow pattern, and the 40 x 40 icons of
// iconic notes (120) and labels (121).
QImage ResourceBitmap(int id);

} // namespace Tonlyra::Glosa
