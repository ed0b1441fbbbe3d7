#include "glosa32/Objects.h"

#include "glosa32/Stamps.h"
#include "platform/PictureReader.h"
#include "platform/TextEncoding.h"
#include "platform/UserPrompt.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Tonlyra::Glosa {

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string s(static_cast<std::size_t>(std::max(n, 0)), '\0');
    std::vsnprintf(s.data(), s.size() + 1, format, args);
    va_end(args);
    return s;
}

namespace {

// Coordinates beyond this are held at it, so that no sum or product of them overflows.
constexpr long long CoordinateLimit = 10'000'000;
constexpr long long LineWidthLimit = 1000;

long long Clamp(long long v, long long limit)
{
    return std::clamp(v, -limit, limit);
}

// Reads the fields of a record the way C's scanning does: numbers separated by blanks;
// a field that cannot be read leaves the value as it was and stops further reading.
class FieldReader
{
public:
    explicit FieldReader(std::string_view text) : Text(text) {}

    void Long(int& value, long long limit = CoordinateLimit)
    {
        long long v = 0;
        if (Number(v, 10))
            value = static_cast<int>(Clamp(v, limit));
    }
    void Hex(ColorRef& value)
    {
        long long v = 0;
        if (Number(v, 16))
            value = static_cast<ColorRef>(v & 0xFFFFFFFF);
    }
    void Int(int& value) { Long(value, 0x7FFFFFFF); }
    void Count(long long& value)
    {
        long long v = 0;
        if (Number(v, 10))
            value = std::max(0LL, v);
    }
    bool Ok() const { return Good; }
    std::size_t Pos() const { return Position; }
    std::string_view Rest() const { return Text.substr(std::min(Position, Text.size())); }

private:
    bool Number(long long& value, int base)
    {
        if (!Good)
            return false;
        std::size_t p = Position;
        while (p < Text.size() && (Text[p] == ' ' || Text[p] == '\t'))
            ++p;
        bool negative = false;
        if (p < Text.size() && (Text[p] == '-' || Text[p] == '+'))
            negative = Text[p++] == '-';
        const std::size_t first = p;
        long long v = 0;
        for (; p < Text.size(); ++p) {
            const char c = Text[p];
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (base == 16 && c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (base == 16 && c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                break;
            if (v < (1LL << 40))
                v = v * base + d;
        }
        if (p == first) {
            Good = false;
            return false;
        }
        value = negative ? -v : v;
        Position = p;
        return true;
    }

    std::string_view Text;
    std::size_t Position = 0;
    bool Good = true;
};

// The two strings after the numbers: split at the first two bells.
void ReadStrings(std::string_view rest, std::string& first, std::string& second)
{
    const std::size_t a = rest.find('\a');
    if (a == std::string_view::npos)
        return;
    const std::size_t b = rest.find('\a', a + 1);
    if (b == std::string_view::npos) {
        first = std::string(rest.substr(a + 1));
        return;
    }
    first = std::string(rest.substr(a + 1, b - a - 1));
    second = std::string(rest.substr(b + 1));
}

// Bells and line ends would break a record's line and its string fields.
std::string RecordSafe(std::string s, char lineFeed = ' ')
{
    for (char& c : s) {
        if (c == '\n')
            c = lineFeed;
        else if (c == '\a' || c == '\r')
            c = ' ';
    }
    return s;
}

unsigned long Hex(ColorRef c)
{
    return static_cast<unsigned long>(c);
}

Qt::PenStyle PenStyleOf(int style)
{
    switch (style) {
    case 1:
        return Qt::DashLine;
    case 2:
        return Qt::DotLine;
    case 3:
        return Qt::DashDotLine;
    case 4:
        return Qt::DashDotDotLine;
    case 5:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

// The brush of a fill: none, solid in the foreground colour, or a hatch.
QBrush FillBrush(int fillMode, int fillPattern, ColorRef foreground)
{
    if (fillMode == 200)
        fillMode = 1;
    if (fillPattern == 100)
        return fillMode == 2 ? QBrush(ToQColor(foreground)) : QBrush(Qt::NoBrush);
    static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                             Qt::FDiagPattern, Qt::BDiagPattern,
                                             Qt::CrossPattern, Qt::DiagCrossPattern};
    if (fillPattern < 0 || fillPattern > 5)
        return QBrush(Qt::NoBrush);
    return QBrush(ToQColor(foreground), hatches[fillPattern]);
}

// Fills a shape with the brush rules: an opaque hatch shows the background colour between
// its lines.
void FillShape(QPainter& painter, const QPainterPath& path, int fillMode, int fillPattern,
               ColorRef foreground, ColorRef background)
{
    const QBrush brush = FillBrush(fillMode, fillPattern, foreground);
    if (brush.style() == Qt::NoBrush)
        return;
    if (fillMode == 2 && fillPattern != 100)
        painter.fillPath(path, ToQColor(background));
    painter.fillPath(path, brush);
}

// The same for a rectangle, without building a path: the engine fills a plain rectangle the
// same pixels far more cheaply.
void FillShape(QPainter& painter, const QRectF& rect, int fillMode, int fillPattern,
               ColorRef foreground, ColorRef background)
{
    const QBrush brush = FillBrush(fillMode, fillPattern, foreground);
    if (brush.style() == Qt::NoBrush)
        return;
    if (fillMode == 2 && fillPattern != 100)
        painter.fillRect(rect, ToQColor(background));
    painter.fillRect(rect, brush);
}

QRect Normalized(QPoint a, QPoint b)
{
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

void SetXor(QPainter& painter)
{
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
}

QString TextOf(const std::string& bytes)
{
    return DecodeFileText(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

} // namespace

int Trunc(double v)
{
    if (!(v == v))
        return 0;
    return static_cast<int>(std::clamp(v, -1.0e9, 1.0e9));
}

QColor ToQColor(ColorRef c)
{
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

ColorRef FromQColor(const QColor& c)
{
    return ColorRef(c.red()) | (ColorRef(c.green()) << 8) | (ColorRef(c.blue()) << 16);
}

const char* TagOf(Kind kind)
{
    static const char* tags[] = {"",        "RECTANGLE", "HILITE",   "LINE",    "POINTER",
                                 "ELLIPSE", "POLYLINE",  "FREEHAND", "POLYGON", "IMAGE",
                                 "LABEL",   "NOTES",     "STAMP"};
    return kind >= 1 && kind <= 12 ? tags[kind] : "";
}

Kind KindOfTag(std::string_view tag)
{
    for (int k = 1; k <= 12; ++k)
        if (tag == TagOf(Kind(k)))
            return Kind(k);
    return KindNone;
}

QFont MakeFont(const LogFont& f, double zoom)
{
    QFont font(QString::fromLocal8Bit(f.FaceName.c_str()));
    const int height = std::max(1, std::abs(Trunc(f.Height * zoom)));
    // A negative height is the character height, a positive one the cell height; the cell is
    // about a fifth taller than the characters.
    font.setPixelSize(f.Height > 0 ? std::max(1, height * 4 / 5) : height);
    if (f.Weight > 0)
        font.setWeight(QFont::Weight(std::clamp(f.Weight, 100, 900)));
    font.setItalic(f.Italic != 0);
    font.setUnderline(f.Underline != 0);
    font.setStrikeOut(f.StrikeOut != 0);
    return font;
}

LogFont FromQFont(const QFont& font, const LogFont& old)
{
    LogFont f = old;
    f.FaceName = font.family().toStdString();
    if (font.pixelSize() > 0)
        f.Height = -font.pixelSize();
    else if (font.pointSizeF() > 0)
        f.Height = -Trunc(font.pointSizeF() * 96.0 / 72.0 + 0.5);
    f.Weight = font.weight();
    f.Italic = font.italic();
    f.Underline = font.underline();
    f.StrikeOut = font.strikeOut();
    return f;
}

// ---- AObject -----------------------------------------------------------------------------

QPen AObject::MakePen(double zoom) const
{
    QPen pen(ToQColor(Foreground));
    pen.setWidth(std::max(0, Trunc(LineWidth * zoom)));
    pen.setStyle(PenStyleOf(LineStyle));
    return pen;
}

void AObject::ComputeHandles()
{
    const int h = LineWidth / 2;
    Handles[0] = {X - h - 12, Y - h - 12, X - h - 2, Y - h - 2};
    Handles[1] = {X + Width + h + 2, Y - h - 12, X + Width + h + 12, Y - h - 2};
    Handles[2] = {X + Width + h + 2, Y + Height + h + 2, X + Width + h + 12, Y + Height + h + 12};
    Handles[3] = {X - h - 12, Y + Height + h + 2, X - h - 2, Y + Height + h + 12};
}

std::vector<QRect> AObject::HandleSquares(const ViewTransform& view) const
{
    std::vector<QRect> squares;
    for (int i = 0; i < HandleCount; ++i) {
        const IRect& r = Handles[static_cast<std::size_t>(i)];
        const QPoint c = view.ToWindow((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
        squares.emplace_back(c.x() - 5, c.y() - 5, 10, 10);
    }
    return squares;
}

int AObject::HitHandle(const ViewTransform& view, QPoint p) const
{
    const std::vector<QRect> squares = HandleSquares(view);
    for (std::size_t i = 0; i < squares.size(); ++i) {
        const QRect& s = squares[i];
        if (p.x() >= s.left() && p.x() <= s.left() + 10 && p.y() >= s.top() &&
            p.y() <= s.top() + 10)
            return static_cast<int>(i) + 1;
    }
    return 0;
}

// ---- ARectangle --------------------------------------------------------------------------

std::string ARectangle::Serialize() const
{
    return Format("[RECTANGLE] %d %d %d %d %d %d %d %d %lX %lX", X, Y, Width, Height, LineWidth,
                  LineStyle, FillMode, FillPattern, Hex(Foreground), Hex(Background));
}

std::string AEllipse::Serialize() const
{
    return Format("[ELLIPSE] %d %d %d %d %d %d %d %d %lX %lX", X, Y, Width, Height, LineWidth,
                  LineStyle, FillMode, FillPattern, Hex(Foreground), Hex(Background));
}

void ARectangle::Build(std::string_view fields, const BuildContext&)
{
    FieldReader r(fields);
    r.Long(X);
    r.Long(Y);
    r.Long(Width);
    r.Long(Height);
    r.Long(LineWidth, LineWidthLimit);
    r.Int(LineStyle);
    r.Int(FillMode);
    r.Int(FillPattern);
    r.Hex(Foreground);
    r.Hex(Background);
    Complete = true;
    ComputeHandles();
}

QRect ARectangle::WindowRect(const ViewTransform& view) const
{
    const QPoint tl = view.ToWindow(X, Y);
    return QRect(tl, QPoint(tl.x() + view.Scale(Width), tl.y() + view.Scale(Height)));
}

void ARectangle::DrawShape(QPainter& painter, const ViewTransform& view, bool ellipse) const
{
    const QRect r = WindowRect(view);
    const QRectF box(r.left(), r.top(), r.right() - r.left(), r.bottom() - r.top());
    if (ellipse) {
        QPainterPath path;
        path.addEllipse(box);
        FillShape(painter, path, FillMode, FillPattern, Foreground, Background);
    } else {
        FillShape(painter, box, FillMode, FillPattern, Foreground, Background);
    }
    painter.setPen(MakePen(view.Zoom));
    painter.setBrush(Qt::NoBrush);
    if (ellipse)
        painter.drawEllipse(box);
    else
        painter.drawRect(box);
}

void ARectangle::Draw(QPainter& painter, const ViewTransform& view) const
{
    DrawShape(painter, view, false);
}

void AEllipse::Draw(QPainter& painter, const ViewTransform& view) const
{
    DrawShape(painter, view, true);
}

bool ARectangle::HitTest(const ViewTransform& view, QPoint p) const
{
    const int t = Trunc(view.Zoom * LineWidth / 2 + 3);
    const QRect r = WindowRect(view);
    const int l = r.left(), top = r.top(), right = r.right(), bottom = r.bottom();
    if (!IsUnfilled())
        return p.x() >= l - t && p.x() <= right + t && p.y() >= top - t && p.y() <= bottom + t;
    const bool inX = p.x() >= l - t && p.x() <= right + t;
    const bool inY = p.y() >= top - t && p.y() <= bottom + t;
    const bool nearVertical = std::abs(p.x() - l) <= t || std::abs(p.x() - right) <= t;
    const bool nearHorizontal = std::abs(p.y() - top) <= t || std::abs(p.y() - bottom) <= t;
    return (nearVertical && inY) || (nearHorizontal && inX);
}

bool ARectangle::HitTestSelected(const ViewTransform& view, QPoint p) const
{
    const int t = Trunc(view.Zoom * LineWidth / 2 + 3);
    const QRect r = WindowRect(view);
    return p.x() >= r.left() - t && p.x() <= r.right() + t && p.y() >= r.top() - t &&
           p.y() <= r.bottom() + t;
}

QRect ARectangle::AreaRect(const ViewTransform& view, int margin) const
{
    const int h = LineWidth / 2;
    const QPoint a = view.ToWindow(X - h - 12 - margin, Y - h - 12 - margin);
    const QPoint b = view.ToWindow(X + Width + h + 12 + margin, Y + Height + h + 12 + margin);
    return Normalized(a, b).adjusted(-10, -10, 10, 10);
}

void ARectangle::BeginCreate(const ViewTransform& view, QPoint p)
{
    Creating = true;
    Mode = DragMode::Create;
    Press = p;
    DragLeft = DragRight = view.ImageX(p.x());
    DragTop = DragBottom = view.ImageY(p.y());
}

void ARectangle::TrackCreate(const ViewTransform& view, QPoint p)
{
    if (Mode != DragMode::Create)
        return;
    DragRight = view.ImageX(p.x());
    DragBottom = view.ImageY(p.y());
}

void ARectangle::EndCreate(const ViewTransform& view, QPoint p)
{
    const QPoint a = Press;
    const QPoint topLeft(std::min(a.x(), p.x()), std::min(a.y(), p.y()));
    const QPoint image = view.ToImage(topLeft.x(), topLeft.y());
    X = image.x();
    Y = image.y();
    Width = Trunc(std::abs(p.x() - a.x()) / view.Zoom);
    Height = Trunc(std::abs(p.y() - a.y()) / view.Zoom);
    Creating = false;
    Complete = true;
    Mode = DragMode::None;
    ComputeHandles();
}

void ARectangle::BeginMove(const ViewTransform&, QPoint p)
{
    Mode = DragMode::Move;
    Press = p;
    DragLeft = X;
    DragTop = Y;
    DragRight = X + Width;
    DragBottom = Y + Height;
}

void ARectangle::TrackMove(const ViewTransform& view, QPoint p)
{
    DragBox(view, p);
}

void ARectangle::EndMove(const ViewTransform& view, QPoint p)
{
    TrackMove(view, p);
    X = Trunc(std::clamp<double>(DragLeft, -CoordinateLimit, CoordinateLimit));
    Y = Trunc(std::clamp<double>(DragTop, -CoordinateLimit, CoordinateLimit));
    Mode = DragMode::None;
    ComputeHandles();
}

void ARectangle::BeginResize(const ViewTransform&, QPoint p, int handle)
{
    Mode = DragMode::Resize;
    Press = p;
    DragHandle = handle;
    DragLeft = X;
    DragTop = Y;
    DragRight = X + Width;
    DragBottom = Y + Height;
}

void AObject::DragBox(const ViewTransform& view, QPoint p)
{
    const double dx = (p.x() - Press.x()) / view.Zoom;
    const double dy = (p.y() - Press.y()) / view.Zoom;
    DragLeft += dx;
    DragRight += dx;
    DragTop += dy;
    DragBottom += dy;
    Press = p;
}

void AObject::DragCorner(const ViewTransform& view, QPoint p)
{
    const double dx = (p.x() - Press.x()) / view.Zoom;
    const double dy = (p.y() - Press.y()) / view.Zoom;
    Press = p;
    switch (DragHandle) {
    case 1:
        DragLeft += dx;
        DragTop += dy;
        break;
    case 2:
        DragRight += dx;
        DragTop += dy;
        break;
    case 3:
        DragRight += dx;
        DragBottom += dy;
        break;
    case 4:
        DragLeft += dx;
        DragBottom += dy;
        break;
    default:
        break;
    }
}

void ARectangle::TrackResize(const ViewTransform& view, QPoint p)
{
    DragCorner(view, p);
}

void ARectangle::EndResize(const ViewTransform& view, QPoint p)
{
    TrackResize(view, p);
    const double lim = CoordinateLimit;
    X = Trunc(std::clamp(std::min(DragLeft, DragRight), -lim, lim));
    Y = Trunc(std::clamp(std::min(DragTop, DragBottom), -lim, lim));
    Width = Trunc(std::min(std::abs(DragRight - DragLeft), lim));
    Height = Trunc(std::min(std::abs(DragBottom - DragTop), lim));
    DragHandle = 0;
    Mode = DragMode::None;
    ComputeHandles();
}

QRect ARectangle::OutlineRect(const ViewTransform& view) const
{
    const QPoint a(Trunc((DragLeft - view.OriginX) * view.Zoom + view.OffsetX),
                   Trunc((DragTop - view.OriginY) * view.Zoom + view.OffsetY));
    const QPoint b(Trunc((DragRight - view.OriginX) * view.Zoom + view.OffsetX),
                   Trunc((DragBottom - view.OriginY) * view.Zoom + view.OffsetY));
    return Normalized(a, b);
}

void ARectangle::DrawDrag(QPainter& painter, const ViewTransform& view) const
{
    if (Mode == DragMode::None)
        return;
    SetXor(painter);
    QPen pen(Qt::white);
    pen.setWidth(std::max(0, Trunc(LineWidth * view.Zoom)));
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRect r = OutlineRect(view);
    painter.drawRect(QRectF(r.left(), r.top(), r.right() - r.left(), r.bottom() - r.top()));
}

QRect ARectangle::DragRect(const ViewTransform& view) const
{
    const int w = Trunc(LineWidth * view.Zoom) + 2;
    return OutlineRect(view).adjusted(-w, -w, w, w);
}

// ---- AHilite -----------------------------------------------------------------------------

AHilite::AHilite()
{
    Background = 0x0000FF;
    FillMode = 2;
}

std::string AHilite::Serialize() const
{
    return Format("[HILITE] %d %d %d %d %lX", X, Y, Width, Height, Hex(Background));
}

void AHilite::Build(std::string_view fields, const BuildContext&)
{
    FieldReader r(fields);
    r.Long(X);
    r.Long(Y);
    r.Long(Width);
    r.Long(Height);
    r.Hex(Background);
    Complete = true;
    ComputeHandles();
}

void AHilite::Draw(QPainter& painter, const ViewTransform& view) const
{
    const QPoint tl = view.ToWindow(X, Y);
    painter.save();
    // AND with the colour: light picture areas take it, dark ones stay dark.
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    painter.fillRect(
        QRect(tl.x(), tl.y(), Trunc(Width * view.Zoom + 1), Trunc(Height * view.Zoom + 1)),
        ToQColor(Background));
    painter.restore();
}

// ---- AImage ------------------------------------------------------------------------------

AImage::AImage()
{
    Background = 0x0000FF;
    FillMode = 2;
}

std::string AImage::Serialize() const
{
    return Format("[IMAGE] %d %d %d %d %lX %s", X, Y, Width, Height, Hex(Background),
                  RecordSafe(FileName).c_str());
}

void AImage::Build(std::string_view fields, const BuildContext& context)
{
    FieldReader r(fields);
    r.Long(X);
    r.Long(Y);
    r.Long(Width);
    r.Long(Height);
    r.Hex(Background);
    if (r.Ok()) {
        // The name runs to the end of the line, so that names with blanks, also at the end,
        // survive.
        std::string_view rest = r.Rest();
        if (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
        while (!rest.empty() && rest.back() == '\r')
            rest.remove_suffix(1);
        FileName = std::string(rest);
    }
    Complete = true;
    ComputeHandles();
    if (!FileName.empty())
        LoadPicture(context.Window, "Can not load Image");
}

bool AImage::LoadPicture(QWidget* parent, const char* message)
{
    Picture = ReadPicture(QString::fromLocal8Bit(FileName.c_str()));
    if (!Picture.isNull())
        return true;
    UserPrompt::Message(parent, QStringLiteral("Error"), QString::fromLatin1(message),
                        QMessageBox::Ok, QMessageBox::Critical);
    return false;
}

void AImage::Draw(QPainter& painter, const ViewTransform& view) const
{
    if (Picture.isNull())
        return;
    const QPoint tl = view.ToWindow(X, Y);
    painter.drawImage(
        QRect(tl.x(), tl.y(), Trunc(Width * view.Zoom + 1), Trunc(Height * view.Zoom + 1)),
        Picture);
}

// ---- ALabel, ANotes ----------------------------------------------------------------------

ALabel::ALabel()
{
    Background = 0x8000FF;
    FillMode = 2;
    Text = "Label";
}

ANotes::ANotes()
{
    Background = 0xFFFF;
    FontBackground = 0xFFFF;
    Text = "Memo";
}

void ALabel::CleanText() const
{
    for (char& c : Text)
        if (static_cast<unsigned char>(c) < ' ')
            c = ' ';
}

std::string ALabel::SerializeAs(const char* tag, const std::string& text) const
{
    const LogFont& f = Font;
    return Format("[%s] %d %d %d %d %d %lX %lX %lX %ld %ld %ld %ld %ld %d %d %d %d %d %d %d %d "
                  "\a%s\a%s",
                  tag, Iconic ? 1 : 0, X, Y, Width, Height, Hex(Background), Hex(FontBackground),
                  Hex(TextColor), long(f.Height), long(f.Width), long(f.Escapement),
                  long(f.Orientation), long(f.Weight), f.Italic, f.Underline, f.StrikeOut,
                  f.CharSet, f.OutPrecision, f.ClipPrecision, f.Quality, f.PitchAndFamily,
                  RecordSafe(f.FaceName).c_str(), text.c_str());
}

std::string ALabel::Serialize() const
{
    CleanText();
    return SerializeAs("LABEL", RecordSafe(Text));
}

std::string ANotes::Serialize() const
{
    return SerializeAs("NOTES", RecordSafe(Text, '\x01'));
}

void ALabel::Build(std::string_view fields, const BuildContext&)
{
    FieldReader r(fields);
    int iconic = 0;
    r.Int(iconic);
    Iconic = iconic != 0;
    r.Long(X);
    r.Long(Y);
    r.Long(Width);
    r.Long(Height);
    r.Hex(Background);
    r.Hex(FontBackground);
    r.Hex(TextColor);
    r.Long(Font.Height, 10000);
    r.Long(Font.Width, 10000);
    r.Int(Font.Escapement);
    r.Int(Font.Orientation);
    r.Long(Font.Weight, 1000);
    r.Int(Font.Italic);
    r.Int(Font.Underline);
    r.Int(Font.StrikeOut);
    r.Int(Font.CharSet);
    r.Int(Font.OutPrecision);
    r.Int(Font.ClipPrecision);
    r.Int(Font.Quality);
    r.Int(Font.PitchAndFamily);
    std::string face = Font.FaceName;
    std::string text = Text;
    ReadStrings(r.Rest(), face, text);
    while (!text.empty() && text.back() == '\r')
        text.pop_back();
    Font.FaceName = face;
    Text = text;
    Complete = true;
    ComputeHandles();
}

void ANotes::Build(std::string_view fields, const BuildContext& context)
{
    ALabel::Build(fields, context);
    std::replace(Text.begin(), Text.end(), '\x01', '\n');
}

QRect ALabel::IconRect(const ViewTransform& view) const
{
    const QPoint tl = view.ToWindow(X, Y);
    const int side = Trunc(40 * view.Zoom);
    return QRect(tl.x(), tl.y(), side, side);
}

bool ALabel::HitTest(const ViewTransform& view, QPoint p) const
{
    if (!Iconic)
        return ARectangle::HitTest(view, p);
    const int t = Trunc(view.Zoom * LineWidth / 2 + 3);
    const QRect r = IconRect(view);
    return p.x() >= r.left() - t && p.x() <= r.left() + r.width() + t && p.y() >= r.top() - t &&
           p.y() <= r.top() + r.height() + t;
}

bool ALabel::HitTestSelected(const ViewTransform& view, QPoint p) const
{
    return Iconic ? HitTest(view, p) : ARectangle::HitTestSelected(view, p);
}

void ALabel::Draw(QPainter& painter, const ViewTransform& view) const
{
    if (Iconic) {
        painter.drawImage(IconRect(view), ResourceBitmap(121));
        return;
    }
    CleanText();
    const QPoint tl = view.ToWindow(X, Y);
    const QRect box(tl.x(), tl.y(), Trunc(Width * view.Zoom + 1), Trunc(Height * view.Zoom + 1));
    painter.save();
    painter.setPen(MakePen(view.Zoom));
    painter.setBrush(ToQColor(Background));
    painter.drawRoundedRect(box, 1, 1);
    painter.setFont(MakeFont(Font, view.Zoom));
    painter.setPen(ToQColor(TextColor));
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(ToQColor(FontBackground));
    painter.drawText(box.adjusted(3, 3, -3, -3), Qt::AlignCenter | Qt::TextSingleLine,
                     TextOf(Text));
    painter.restore();
}

void ANotes::Draw(QPainter& painter, const ViewTransform& view) const
{
    if (Iconic) {
        painter.drawImage(IconRect(view), ResourceBitmap(120));
        return;
    }
    const QPoint tl = view.ToWindow(X, Y);
    const QRect box(tl.x(), tl.y(), Trunc(Width * view.Zoom + 1), Trunc(Height * view.Zoom + 1));
    painter.save();
    painter.setPen(Qt::NoPen);
    // The shadow, 5 pixels right and down: the picture darkened to half. (A checkerboard
    // pattern looks the same from a step away, but pattern fills cost the raster engine some
    // 40 microseconds per note; a translucent solid fill costs almost nothing.)
    const QRect shadow(QPoint(box.left() + 5, box.top() + 5), box.bottomRight());
    FillRoundedRect(painter, shadow, QColor(0, 0, 0, 128));
    const QRect body(box.topLeft(), QPoint(box.right() - 5, box.bottom() - 5));
    FillRoundedRect(painter, body, ToQColor(Background));
    const QRect textBox = body.adjusted(10, 10, -10, -10);
    const QFont font = MakeFont(Font, view.Zoom);
    painter.setPen(ToQColor(TextColor));
    if (FontBackground != Background) {
        painter.setFont(font);
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(ToQColor(FontBackground));
        painter.drawText(textBox, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, TextOf(Text));
    } else if (textBox.width() > 0 && textBox.height() > 0) {
        // The text's background is the body's own colour: the wrapped layout can be kept
        // between paints, which makes repainting many notes cheap.
        const QString text = TextOf(Text).replace(QLatin1Char('\n'), QChar::LineSeparator);
        if (text != Layout.text() || font != LayoutFont || textBox.width() != Layout.textWidth()) {
            Layout = QStaticText(text);
            Layout.setTextFormat(Qt::PlainText);
            Layout.setTextWidth(textBox.width());
            Layout.prepare(QTransform(), font);
            LayoutFont = font;
        }
        painter.setFont(font);
        painter.setClipRect(textBox, Qt::IntersectClip);
        painter.drawStaticText(textBox.topLeft(), Layout);
    }
    painter.restore();
}

// ---- AStamp ------------------------------------------------------------------------------

std::string AStamp::Serialize() const
{
    return Format("[STAMP] %d %d \a%s\a%s", X, Y, RecordSafe(Stamp.Name).c_str(),
                  RecordSafe(Stamp.Text).c_str());
}

void AStamp::Build(std::string_view fields, const BuildContext& context)
{
    FieldReader r(fields);
    r.Long(X);
    r.Long(Y);
    std::string name, text;
    ReadStrings(r.Rest(), name, text);
    while (!text.empty() && text.back() == '\r')
        text.pop_back();
    Complete = true;
    Apply(ResolveStamp(context.StampLibraryPath, name, text, StampClock()), context.Window);
}

void AStamp::Apply(const StampDefinition& definition, QWidget* parent)
{
    Stamp = definition;
    Picture = QImage();
    if (Stamp.Type == 0) {
        Picture = ReadPicture(QString::fromLocal8Bit(Stamp.Text.c_str()));
        if (Picture.isNull())
            UserPrompt::Message(parent, QStringLiteral("Error"),
                                QStringLiteral("Can not load Image"), QMessageBox::Ok,
                                QMessageBox::Critical);
    }
    ComputeSize();
}

void AStamp::ComputeSize()
{
    if (Stamp.Type == 0) {
        if (!Picture.isNull()) {
            Width = Picture.width();
            Height = Picture.height();
        }
    } else {
        const QFontMetrics metrics(MakeFont(Stamp.Font, 1.0));
        Width = metrics.horizontalAdvance(TextOf(Stamp.Text));
        Height = metrics.height();
    }
    ComputeHandles();
}

void AStamp::DrawStamp(QPainter& painter, const ViewTransform& view, bool blackText) const
{
    const QPoint tl = view.ToWindow(X, Y);
    const QRect box(tl.x(), tl.y(), Trunc(Width * view.Zoom + 1), Trunc(Height * view.Zoom + 1));
    if (Stamp.Type == 0) {
        if (!Picture.isNull())
            painter.drawImage(box, Picture);
        return;
    }
    painter.save();
    painter.setFont(MakeFont(Stamp.Font, view.Zoom));
    painter.setPen(blackText ? QColor(Qt::black) : ToQColor(Stamp.Color));
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip,
                     TextOf(Stamp.Text));
    painter.restore();
}

void AStamp::Draw(QPainter& painter, const ViewTransform& view) const
{
    DrawStamp(painter, view, false);
}

void AStamp::DrawInto(QPainter& painter) const
{
    const auto* image = dynamic_cast<const QImage*>(painter.device());
    DrawStamp(painter, ViewTransform{}, image && image->depth() == 1);
}

// ---- ALine, APointer ---------------------------------------------------------------------

std::string ALine::SerializeAs(const char* tag) const
{
    return Format("[%s] %d %d %d %d %d %d %lX", tag, X, Y, Width, Height, LineWidth, LineStyle,
                  Hex(Foreground));
}

std::string ALine::Serialize() const
{
    return SerializeAs("LINE");
}

std::string APointer::Serialize() const
{
    return SerializeAs("POINTER");
}

void ALine::Build(std::string_view fields, const BuildContext&)
{
    FieldReader r(fields);
    r.Long(X);
    r.Long(Y);
    r.Long(Width);
    r.Long(Height);
    r.Long(LineWidth, LineWidthLimit);
    r.Int(LineStyle);
    r.Hex(Foreground);
    Complete = true;
    ComputeHandles();
}

void ALine::ComputeHandles()
{
    Handles[0] = {X, Y, X, Y};
    Handles[1] = {Width, Height, Width, Height};
}

void ALine::Draw(QPainter& painter, const ViewTransform& view) const
{
    painter.setPen(MakePen(view.Zoom));
    painter.drawLine(view.ToWindow(X, Y), view.ToWindow(Width, Height));
}

std::array<QPoint, 2> APointer::ArrowPoints(const ViewTransform& view) const
{
    const QPoint a = view.ToWindow(X, Y);
    const QPoint h = view.ToWindow(Width, Height);
    const double dx = h.x() - a.x();
    const double dy = h.y() - a.y();
    double length = std::sqrt(dx * dx + dy * dy);
    if (length == 0)
        length = 1;
    const double w = LineWidth * view.Zoom;
    const double m = length - 3 * w;
    const double px = a.x() + m / length * dx;
    const double py = a.y() + m / length * dy;
    const double ox = w / length * dy;
    const double oy = w / length * -dx;
    return {QPoint(Trunc(px + ox), Trunc(py + oy)), QPoint(Trunc(px - ox), Trunc(py - oy))};
}

void APointer::Draw(QPainter& painter, const ViewTransform& view) const
{
    ALine::Draw(painter, view);
    const QPoint h = view.ToWindow(Width, Height);
    for (const QPoint& corner : ArrowPoints(view))
        painter.drawLine(h, corner);
}

namespace {

// The segment test shared by the line kinds and the polyline family.
bool NearSegment(QPoint p, QPoint a, QPoint b, int tolerance, QPointF* foot)
{
    const double lx = b.x() - a.x(), ly = b.y() - a.y();
    double length = std::sqrt(lx * lx + ly * ly);
    if (length == 0)
        length = 1;
    const double mx = p.x() - a.x(), my = p.y() - a.y();
    const double nx = p.x() - b.x(), ny = p.y() - b.y();
    const double m2 = mx * mx + my * my;
    const double n2 = nx * nx + ny * ny;
    const double u = (length * length + m2 - n2) / (2 * length);
    const double distance = std::sqrt(std::max(0.0, m2 - u * u));
    if (Trunc(distance) > tolerance)
        return false;
    const double fx = a.x() + u / length * lx;
    const double fy = a.y() + u / length * ly;
    constexpr double eps = 1e-6;
    if (fx < std::min(a.x(), b.x()) - eps || fx > std::max(a.x(), b.x()) + eps ||
        fy < std::min(a.y(), b.y()) - eps || fy > std::max(a.y(), b.y()) + eps)
        return false;
    if (foot)
        *foot = QPointF(fx, fy);
    return true;
}

} // namespace

bool ALine::HitTest(const ViewTransform& view, QPoint p) const
{
    const int t = Trunc(LineWidth * view.Zoom / 2 + 6);
    return NearSegment(p, view.ToWindow(X, Y), view.ToWindow(Width, Height), t, nullptr);
}

QRect ALine::AreaRect(const ViewTransform& view, int margin) const
{
    const int h = LineWidth / 2 + 12 + margin;
    const QRect r = Normalized(view.ToWindow(X, Y), view.ToWindow(Width, Height));
    const int w = Trunc(h * view.Zoom) + 10;
    return r.adjusted(-w, -w, w, w);
}

void ALine::BeginCreate(const ViewTransform& view, QPoint p)
{
    Creating = true;
    Mode = DragMode::Create;
    DragLeft = DragRight = view.ImageX(p.x());
    DragTop = DragBottom = view.ImageY(p.y());
}

void ALine::TrackCreate(const ViewTransform& view, QPoint p)
{
    if (Mode != DragMode::Create)
        return;
    DragRight = view.ImageX(p.x());
    DragBottom = view.ImageY(p.y());
}

void ALine::EndCreate(const ViewTransform& view, QPoint p)
{
    TrackCreate(view, p);
    X = Trunc(DragLeft);
    Y = Trunc(DragTop);
    const QPoint end = view.ToImage(p.x(), p.y());
    Width = end.x();
    Height = end.y();
    Creating = false;
    Complete = true;
    Mode = DragMode::None;
    ComputeHandles();
}

void ALine::BeginMove(const ViewTransform&, QPoint p)
{
    Mode = DragMode::Move;
    Press = p;
    DragLeft = X;
    DragTop = Y;
    DragRight = Width;
    DragBottom = Height;
}

void ALine::TrackMove(const ViewTransform& view, QPoint p)
{
    DragBox(view, p);
}

void ALine::EndMove(const ViewTransform& view, QPoint p)
{
    TrackMove(view, p);
    const double lim = CoordinateLimit;
    X = Trunc(std::clamp(DragLeft, -lim, lim));
    Y = Trunc(std::clamp(DragTop, -lim, lim));
    Width = Trunc(std::clamp(DragRight, -lim, lim));
    Height = Trunc(std::clamp(DragBottom, -lim, lim));
    Mode = DragMode::None;
    ComputeHandles();
}

void ALine::BeginResize(const ViewTransform& view, QPoint p, int handle)
{
    BeginMove(view, p);
    Mode = DragMode::Resize;
    DragHandle = handle;
}

void ALine::TrackResize(const ViewTransform& view, QPoint p)
{
    const double dx = (p.x() - Press.x()) / view.Zoom;
    const double dy = (p.y() - Press.y()) / view.Zoom;
    Press = p;
    if (DragHandle == 1) {
        DragLeft += dx;
        DragTop += dy;
    } else if (DragHandle == 2) {
        DragRight += dx;
        DragBottom += dy;
    }
}

void ALine::EndResize(const ViewTransform& view, QPoint p)
{
    TrackResize(view, p);
    Press = p;
    EndMove(view, p);
    DragHandle = 0;
}

QLine ALine::DragLine(const ViewTransform& view) const
{
    auto w = [&](double x, double y) {
        return QPoint(Trunc((x - view.OriginX) * view.Zoom + view.OffsetX),
                      Trunc((y - view.OriginY) * view.Zoom + view.OffsetY));
    };
    return QLine(w(DragLeft, DragTop), w(DragRight, DragBottom));
}

void ALine::DrawDrag(QPainter& painter, const ViewTransform& view) const
{
    if (Mode == DragMode::None)
        return;
    SetXor(painter);
    QPen pen(Qt::white);
    pen.setWidth(std::max(0, Trunc(LineWidth * view.Zoom)));
    painter.setPen(pen);
    painter.drawLine(DragLine(view));
}

QRect ALine::DragRect(const ViewTransform& view) const
{
    const QLine l = DragLine(view);
    const int w = Trunc(LineWidth * view.Zoom) + 2;
    return Normalized(l.p1(), l.p2()).adjusted(-w, -w, w, w);
}

// ---- APolyline, AFreehand, APolygon ------------------------------------------------------

std::string APolyline::SerializeNodes(std::string head) const
{
    for (const QPoint& n : Nodes)
        head += Format("\a %d %d ", n.x(), n.y());
    return head;
}

std::string APolyline::Serialize() const
{
    return SerializeNodes(Format("[POLYLINE] %d %d %d %lX", int(Nodes.size()), LineWidth, LineStyle,
                                 Hex(Foreground)));
}

std::string AFreehand::Serialize() const
{
    return SerializeNodes(Format("[FREEHAND] %d %d %d %lX", int(Nodes.size()), LineWidth, LineStyle,
                                 Hex(Foreground)));
}

std::string APolygon::Serialize() const
{
    return SerializeNodes(Format("[POLYGON] %d %d %d %d %d %lX %lX", int(Nodes.size()), LineWidth,
                                 LineStyle, FillMode, FillPattern, Hex(Foreground),
                                 Hex(Background)));
}

void APolyline::ReadNodes(std::string_view fields, std::size_t pos, long long count)
{
    Nodes.clear();
    for (long long i = 0; i < count; ++i) {
        const std::size_t bell = fields.find('\a', pos);
        if (bell == std::string_view::npos)
            break; // fewer nodes than counted: keep those present
        FieldReader r(fields.substr(bell + 1));
        int x = 0, y = 0;
        r.Long(x);
        r.Long(y);
        if (!r.Ok())
            break;
        Nodes.emplace_back(x, y);
        pos = bell + 1 + r.Pos();
    }
    Complete = true;
    ComputeBounds();
    ComputeHandles();
}

void APolyline::Build(std::string_view fields, const BuildContext&)
{
    FieldReader r(fields);
    long long count = 0;
    r.Count(count);
    r.Long(LineWidth, LineWidthLimit);
    r.Int(LineStyle);
    r.Hex(Foreground);
    ReadNodes(fields, r.Pos(), r.Ok() ? count : 0);
}

void APolygon::Build(std::string_view fields, const BuildContext&)
{
    FieldReader r(fields);
    long long count = 0;
    r.Count(count);
    r.Long(LineWidth, LineWidthLimit);
    r.Int(LineStyle);
    r.Int(FillMode);
    r.Int(FillPattern);
    r.Hex(Foreground);
    r.Hex(Background);
    ReadNodes(fields, r.Pos(), r.Ok() ? count : 0);
}

void APolyline::ComputeBounds()
{
    if (Nodes.empty()) {
        X = Y = Width = Height = 0;
        return;
    }
    int l = Nodes[0].x(), t = Nodes[0].y(), r = l, b = t;
    for (const QPoint& n : Nodes) {
        l = std::min(l, n.x());
        t = std::min(t, n.y());
        r = std::max(r, n.x());
        b = std::max(b, n.y());
    }
    X = l;
    Y = t;
    Width = r;
    Height = b;
}

void APolyline::ComputeHandles()
{
    // The geometry holds the bounding box as left, top, right, bottom.
    const int h = LineWidth / 2;
    const int l = X, t = Y, r = Width, b = Height;
    Handles[0] = {l - h - 12, t - h - 12, l - h - 2, t - h - 2};
    Handles[1] = {r + h + 2, t - h - 12, r + h + 12, t - h - 2};
    Handles[2] = {r + h + 2, b + h + 2, r + h + 12, b + h + 12};
    Handles[3] = {l - h - 12, b + h + 2, l - h - 2, b + h + 12};
}

QPolygon APolyline::WindowPolygon(const ViewTransform& view) const
{
    QPolygon polygon;
    polygon.reserve(static_cast<qsizetype>(Nodes.size()));
    for (const QPoint& n : Nodes)
        polygon.append(view.ToWindow(n.x(), n.y()));
    return polygon;
}

void APolyline::Draw(QPainter& painter, const ViewTransform& view) const
{
    painter.setPen(MakePen(view.Zoom));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(WindowPolygon(view));
}

void APolygon::Draw(QPainter& painter, const ViewTransform& view) const
{
    const QPolygon polygon = WindowPolygon(view);
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    path.addPolygon(polygon);
    path.closeSubpath();
    FillShape(painter, path, FillMode, FillPattern, Foreground, Background);
    painter.setPen(MakePen(view.Zoom));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(polygon);
}

bool APolyline::SegmentHit(const ViewTransform& view, QPoint p, int* segment, QPointF* foot) const
{
    const int t = Trunc(LineWidth * view.Zoom / 2 + 6);
    const QPolygon w = WindowPolygon(view);
    const int n = static_cast<int>(w.size());
    const int segments = IsClosed() && n >= 3 ? n : n - 1;
    for (int i = 0; i < segments; ++i) {
        if (NearSegment(p, w[i], w[(i + 1) % n], t, foot)) {
            if (segment)
                *segment = i;
            return true;
        }
    }
    if (n == 1 && NearSegment(p, w[0], w[0], t, foot)) {
        if (segment)
            *segment = 0;
        return true;
    }
    return false;
}

bool APolyline::HitTest(const ViewTransform& view, QPoint p) const
{
    return SegmentHit(view, p, nullptr, nullptr);
}

bool APolygon::HitTestSelected(const ViewTransform& view, QPoint p) const
{
    return WindowPolygon(view).containsPoint(p, Qt::OddEvenFill) || HitTest(view, p);
}

bool APolygon::HitTest(const ViewTransform& view, QPoint p) const
{
    const bool filled = !(FillMode != 2 && FillPattern == 100);
    if (filled && Nodes.size() >= 3)
        return WindowPolygon(view).containsPoint(p, Qt::OddEvenFill);
    return APolyline::HitTest(view, p);
}

QRect APolyline::WindowBounds(const ViewTransform& view) const
{
    return Normalized(view.ToWindow(X, Y), view.ToWindow(Width, Height));
}

QRect APolyline::AreaRect(const ViewTransform& view, int margin) const
{
    const int h = LineWidth / 2 + 12 + margin;
    const int w = Trunc(h * view.Zoom) + 10;
    return WindowBounds(view).adjusted(-w, -w, w, w);
}

void APolyline::BeginCreate(const ViewTransform& view, QPoint p)
{
    Creating = true;
    Mode = DragMode::Create;
    Nodes.push_back(view.ToImage(p.x(), p.y()));
    Mouse = p;
    ComputeBounds();
}

void APolyline::TrackCreate(const ViewTransform&, QPoint p)
{
    Mouse = p;
}

void AFreehand::TrackCreate(const ViewTransform& view, QPoint p)
{
    Mouse = p;
    if (Creating)
        Nodes.push_back(view.ToImage(p.x(), p.y()));
    ComputeBounds();
}

void APolyline::EndCreate(const ViewTransform&, QPoint)
{
    Creating = false;
    Complete = true;
    Mode = DragMode::None;
    ComputeBounds();
    ComputeHandles();
}

void APolyline::BeginMove(const ViewTransform&, QPoint p)
{
    Mode = DragMode::Move;
    Press = p;
    Mouse = p;
    MoveCopy = Nodes;
}

void APolyline::TrackMove(const ViewTransform&, QPoint p)
{
    Mouse = p;
}

void APolyline::EndMove(const ViewTransform& view, QPoint p)
{
    const double dx = (p.x() - Press.x()) / view.Zoom;
    const double dy = (p.y() - Press.y()) / view.Zoom;
    const double lim = CoordinateLimit;
    for (std::size_t i = 0; i < Nodes.size() && i < MoveCopy.size(); ++i)
        Nodes[i] = QPoint(Trunc(std::clamp(MoveCopy[i].x() + dx, -lim, lim)),
                          Trunc(std::clamp(MoveCopy[i].y() + dy, -lim, lim)));
    MoveCopy.clear();
    Mode = DragMode::None;
    ComputeBounds();
    ComputeHandles();
}

void APolyline::BeginResize(const ViewTransform&, QPoint p, int handle)
{
    Mode = DragMode::Resize;
    Press = p;
    DragHandle = handle;
    DragLeft = X;
    DragTop = Y;
    DragRight = Width;
    DragBottom = Height;
}

void APolyline::TrackResize(const ViewTransform& view, QPoint p)
{
    DragCorner(view, p);
}

void APolyline::EndResize(const ViewTransform& view, QPoint p)
{
    TrackResize(view, p);
    // Every node keeps its place relative to the corner opposite the dragged handle.
    const double oldW = std::max(1, Width - X);
    const double oldH = std::max(1, Height - Y);
    const double lim = CoordinateLimit;
    for (QPoint& n : Nodes) {
        const double fx = (n.x() - X) / oldW;
        const double fy = (n.y() - Y) / oldH;
        n = QPoint(Trunc(std::clamp(DragLeft + fx * (DragRight - DragLeft), -lim, lim)),
                   Trunc(std::clamp(DragTop + fy * (DragBottom - DragTop), -lim, lim)));
    }
    DragHandle = 0;
    Mode = DragMode::None;
    ComputeBounds();
    ComputeHandles();
}

void APolyline::DrawDrag(QPainter& painter, const ViewTransform& view) const
{
    if (Mode == DragMode::None)
        return;
    SetXor(painter);
    QPen pen(Qt::white);
    pen.setWidth(std::max(0, Trunc(LineWidth * view.Zoom)));
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QPolygon w = WindowPolygon(view);
    if (Mode == DragMode::Create) {
        if (!w.isEmpty() && GetKind() != KindFreehand)
            painter.drawLine(w.last(), Mouse);
    } else if (Mode == DragMode::Move) {
        painter.drawPolyline(w.translated(Mouse - Press));
    } else if (Mode == DragMode::Resize) {
        painter.drawRect(DragRect(view).adjusted(2, 2, -2, -2));
    } else if (Mode == DragMode::NodeDrag && SelectedNode >= 0 && SelectedNode < w.size()) {
        const QPoint moved =
            w[SelectedNode] + QPoint(Trunc(NodeDx * view.Zoom), Trunc(NodeDy * view.Zoom));
        const int n = static_cast<int>(w.size());
        if (SelectedNode > 0 || (IsClosed() && n >= 3))
            painter.drawLine(w[(SelectedNode + n - 1) % n], moved);
        if (SelectedNode < n - 1 || (IsClosed() && n >= 3))
            painter.drawLine(moved, w[(SelectedNode + 1) % n]);
    }
}

QRect APolyline::DragRect(const ViewTransform& view) const
{
    const int w = Trunc(LineWidth * view.Zoom) + 2;
    QRect r = WindowBounds(view);
    if (Mode == DragMode::Create)
        r = r.united(QRect(Mouse, QSize(1, 1)));
    else if (Mode == DragMode::Move)
        r = r.united(r.translated(Mouse - Press));
    else if (Mode == DragMode::Resize) {
        auto win = [&](double x, double y) {
            return QPoint(Trunc((x - view.OriginX) * view.Zoom + view.OffsetX),
                          Trunc((y - view.OriginY) * view.Zoom + view.OffsetY));
        };
        r = Normalized(win(DragLeft, DragTop), win(DragRight, DragBottom));
    } else if (Mode == DragMode::NodeDrag)
        r = r.united(r.translated(Trunc(NodeDx * view.Zoom), Trunc(NodeDy * view.Zoom)));
    return r.adjusted(-w, -w, w, w);
}

void APolyline::DrawNodes(QPainter& painter, const ViewTransform& view) const
{
    const int half = Trunc(view.Zoom * (LineWidth + 5) / 2);
    SetXor(painter);
    painter.setPen(Qt::white);
    painter.setBrush(Qt::NoBrush);
    for (const QPoint& p : WindowPolygon(view))
        painter.drawRect(p.x() - half, p.y() - half, 2 * half, 2 * half);
}

int APolyline::HitNode(const ViewTransform& view, QPoint p)
{
    const double half = view.Zoom * (LineWidth + 10) / 2;
    const QPolygon w = WindowPolygon(view);
    for (int i = 0; i < w.size(); ++i) {
        if (std::abs(p.x() - w[i].x()) <= half && std::abs(p.y() - w[i].y()) <= half) {
            SelectedNode = i;
            return i;
        }
    }
    return -1;
}

int APolyline::HitSegment(const ViewTransform& view, QPoint p)
{
    int segment = -1;
    QPointF foot;
    if (!SegmentHit(view, p, &segment, &foot))
        return -1;
    InsertAfter = segment;
    InsertPoint = QPoint(Trunc(view.ImageX(foot.x())), Trunc(view.ImageY(foot.y())));
    return segment;
}

void APolyline::BeginNodeDrag(const ViewTransform&, QPoint p)
{
    Mode = DragMode::NodeDrag;
    Press = p;
    NodeDx = NodeDy = 0;
}

void APolyline::TrackNodeDrag(const ViewTransform& view, QPoint p)
{
    NodeDx += (p.x() - Press.x()) / view.Zoom;
    NodeDy += (p.y() - Press.y()) / view.Zoom;
    Press = p;
}

void APolyline::EndNodeDrag(const ViewTransform& view, QPoint p)
{
    TrackNodeDrag(view, p);
    if (SelectedNode >= 0 && SelectedNode < static_cast<int>(Nodes.size())) {
        QPoint& n = Nodes[static_cast<std::size_t>(SelectedNode)];
        const double lim = CoordinateLimit;
        n = QPoint(Trunc(std::clamp(n.x() + double(Trunc(NodeDx)), -lim, lim)),
                   Trunc(std::clamp(n.y() + double(Trunc(NodeDy)), -lim, lim)));
    }
    Mode = DragMode::None;
    ComputeBounds();
    ComputeHandles();
}

bool APolyline::DeleteSelectedNode()
{
    if (Nodes.size() < 3)
        return false;
    if (SelectedNode >= 0 && SelectedNode < static_cast<int>(Nodes.size()))
        Nodes.erase(Nodes.begin() + SelectedNode);
    SelectedNode = -1;
    ComputeBounds();
    ComputeHandles();
    return true;
}

void APolyline::AddNodeAtInsertPoint()
{
    if (InsertAfter >= 0 && InsertAfter + 1 < static_cast<int>(Nodes.size()))
        Nodes.insert(Nodes.begin() + InsertAfter + 1, InsertPoint);
    else if (InsertAfter >= 0)
        Nodes.push_back(InsertPoint); // the closing segment of a polygon
    InsertAfter = -1;
    SelectedNode = -1;
    ComputeBounds();
    ComputeHandles();
}

// ---- Factory -----------------------------------------------------------------------------

std::unique_ptr<AObject> MakeObject(Kind kind)
{
    switch (kind) {
    case KindRectangle:
        return std::make_unique<ARectangle>();
    case KindHilite:
        return std::make_unique<AHilite>();
    case KindLine:
        return std::make_unique<ALine>();
    case KindPointer:
        return std::make_unique<APointer>();
    case KindEllipse:
        return std::make_unique<AEllipse>();
    case KindPolyline:
        return std::make_unique<APolyline>();
    case KindFreehand:
        return std::make_unique<AFreehand>();
    case KindPolygon:
        return std::make_unique<APolygon>();
    case KindImage:
        return std::make_unique<AImage>();
    case KindLabel:
        return std::make_unique<ALabel>();
    case KindNotes:
        return std::make_unique<ANotes>();
    case KindStamp:
        return std::make_unique<AStamp>();
    default:
        return nullptr;
    }
}

std::unique_ptr<AObject> BuildObject(std::string_view tag, std::string_view fields,
                                     const BuildContext& context)
{
    std::unique_ptr<AObject> object = MakeObject(KindOfTag(tag));
    if (object)
        object->Build(fields, context);
    return object;
}

namespace {

// The spans of the corner rows of a rounded rectangle with 6 by 6 corners, measured once from
// the raster engine's own fill so that the rows match it pixel for pixel.
struct CornerRows
{
    static constexpr int Count = 3;
    // Per row from the edge inwards: how many pixels the row lacks on the left and right.
    int TopLeft[Count], TopRight[Count], BottomLeft[Count], BottomRight[Count];
};

const CornerRows& RoundedCorners()
{
    static const CornerRows rows = [] {
        constexpr int side = 24;
        QImage probe(side, side, QImage::Format_ARGB32_Premultiplied);
        probe.fill(Qt::transparent);
        {
            QPainter p(&probe);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::black);
            p.drawRoundedRect(QRect(0, 0, side, side), 3, 3);
        }
        const auto inset = [&](int y, bool fromLeft) {
            int n = 0;
            while (n < side && qAlpha(probe.pixel(fromLeft ? n : side - 1 - n, y)) == 0)
                ++n;
            return n;
        };
        CornerRows r{};
        for (int i = 0; i < CornerRows::Count; ++i) {
            r.TopLeft[i] = inset(i, true);
            r.TopRight[i] = inset(i, false);
            r.BottomLeft[i] = inset(side - 1 - i, true);
            r.BottomRight[i] = inset(side - 1 - i, false);
        }
        return r;
    }();
    return rows;
}

} // namespace

void FillRoundedRect(QPainter& painter, const QRect& rect, const QColor& color)
{
    constexpr int corner = CornerRows::Count;
    // Small boxes, where the corners meet, and scaled or rotated painters take the general way.
    if (rect.width() < 4 * corner || rect.height() < 4 * corner ||
        painter.transform().type() > QTransform::TxTranslate) {
        painter.save();
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawRoundedRect(rect, 3, 3);
        painter.restore();
        return;
    }
    const CornerRows& rows = RoundedCorners();
    for (int i = 0; i < corner; ++i) {
        painter.fillRect(QRect(rect.left() + rows.TopLeft[i], rect.top() + i,
                               rect.width() - rows.TopLeft[i] - rows.TopRight[i], 1),
                         color);
        painter.fillRect(QRect(rect.left() + rows.BottomLeft[i], rect.bottom() - i,
                               rect.width() - rows.BottomLeft[i] - rows.BottomRight[i], 1),
                         color);
    }
    // The middle in bands short enough for the engine to fill on this thread.
    constexpr int band = 64;
    for (int y = rect.top() + corner; y <= rect.bottom() - corner; y += band)
        painter.fillRect(
            QRect(rect.left(), y, rect.width(), std::min(band, rect.bottom() - corner + 1 - y)),
            color);
}

QImage ResourceBitmap(int id)
{
    if (id == 1) {
        // A checkerboard: every other pixel dark, for shadows.
        QImage image(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                image.setPixel(x, y, (x + y) % 2 ? 0xFFFFFFFF : 0xFF000000);
        return image;
    }
    if (id != 120 && id != 121)
        return QImage();
    static QImage cache[2];
    QImage& icon = cache[id == 121];
    if (!icon.isNull())
        return icon;
    icon = QImage(40, 40, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    if (id == 120) {
        // A yellow note with a folded corner and lines of text.
        QPolygon sheet(
            {QPoint(4, 2), QPoint(28, 2), QPoint(36, 10), QPoint(36, 38), QPoint(4, 38)});
        p.setBrush(QColor(255, 255, 0));
        p.drawPolygon(sheet);
        p.drawPolyline(QPolygon({QPoint(28, 2), QPoint(28, 10), QPoint(36, 10)}));
        for (int y = 16; y <= 32; y += 6)
            p.drawLine(9, y, 31, y);
    } else {
        // A tag with a hole and a string.
        QPolygon tag({QPoint(10, 6), QPoint(36, 6), QPoint(36, 34), QPoint(10, 34), QPoint(2, 20)});
        p.setBrush(QColor(255, 0, 128));
        p.drawPolygon(tag);
        p.setBrush(Qt::white);
        p.drawEllipse(QPoint(11, 20), 3, 3);
        p.drawLine(16, 16, 32, 16);
        p.drawLine(16, 24, 32, 24);
    }
    return icon;
}

} // namespace Tonlyra::Glosa
