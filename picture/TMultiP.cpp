#include "picture/TMultiP.h"

#include "picture/AnnotationBinding.h"

#include "platform/ThumbnailCache.h"
#include "platform/UserPrompt.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QStaticText>
#include <QThreadPool>

#include <cmath>
#include <utility>

using Tonlyra::PictureData;

namespace {

// A reader that failed by throwing rather than by returning a code.
constexpr int ReaderException = -1000;
// Files shorter than this hold no picture worth decoding.
constexpr qint64 MinimumPictureBytes = 50;
// A bitmap this many pixels smaller than its drawn size is still good enough to draw.
constexpr int ResolutionSlack = 2;
constexpr int MessageTickMs = 10;

Tonlyra::AnnotationLayerFactory& LayerFactory()
{
    static Tonlyra::AnnotationLayerFactory factory =
        Tonlyra::GlosaAnnotationLayer::DefaultFactory();
    return factory;
}

QString UpperSuffix(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot).toUpper();
}

QImage ReduceColors(const QImage& image, int depth)
{
    switch (depth) {
    case 1:
        return image.convertToFormat(QImage::Format_Mono, Qt::DiffuseDither);
    case 4: {
        static const QList<QRgb> sixteen = {
            qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
        return image.convertToFormat(QImage::Format_Indexed8, sixteen, Qt::DiffuseDither);
    }
    case 8:
        if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
            image.format() == QImage::Format_MonoLSB)
            return image;
        return image.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
    default:
        return image;
    }
}

} // namespace

TPMultiImage::TPMultiImage(QWidget* parent) : QFrame(parent)
{
    resize(105, 105);
    FColor = palette().color(QPalette::Button);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFrameStyle(QFrame::NoFrame);
    FMessageTimer.setInterval(MessageTickMs);
    connect(&FMessageTimer, &QTimer::timeout, this, &TPMultiImage::MessageTick);
    if (LayerFactory())
        FAnnotation = LayerFactory()(this);
    if (FAnnotation)
        FAnnotation->Initialize(this);
}

TPMultiImage::~TPMultiImage()
{
    if (FAnnotation) {
        FAnnotation->Destroying();
        FAnnotation.reset();
    }
}

Tonlyra::AnnotationLayerFactory
TPMultiImage::SetAnnotationLayerFactory(Tonlyra::AnnotationLayerFactory factory)
{
    return std::exchange(LayerFactory(), std::move(factory));
}

void TPMultiImage::SetEditAnnotat(bool on)
{
    const bool ended = FEditAnnotat && !on;
    FEditAnnotat = on;
    if (ended && FAnnotation)
        FAnnotation->EditingEnded();
    update();
}

void TPMultiImage::AnnotationCommand(int commandId)
{
    if (FEditAnnotat && FAnnotation)
        FAnnotation->MenuCommand(commandId);
}

int TPMultiImage::ColorDepthOf(TImageReadRes res, int screenDepth)
{
    switch (res) {
    case lDefault:
        return 0;
    case lColor2:
        return 1;
    case lColor16:
        return 4;
    case lColor256:
        return 8;
    case lTrueColor:
        return 24;
    case lAutoMatic:
        break;
    }
    if (screenDepth <= 4)
        return 4;
    return screenDepth < 16 ? 8 : 24;
}

// --- Properties ---------------------------------------------------------------------------

void TPMultiImage::SetStretch(bool on)
{
    FStretch = on;
    if (on && FStretchRatio) {
        FStretchRatio = false;
        FZoom = 1.0;
    }
    update();
}

void TPMultiImage::SetStretchRatio(bool on)
{
    FStretchRatio = on;
    if (on)
        FStretch = false;
    ComputeZoom();
    update();
}

void TPMultiImage::SetCenter(bool on)
{
    FCenter = on;
    update();
}

void TPMultiImage::SetColor(const QColor& color)
{
    FColor = color;
    update();
}

void TPMultiImage::SetBorderStyle(TBorderStyle style)
{
    FBorderStyle = style;
    if (style == bsSingle) {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    } else {
        setFrameStyle(QFrame::NoFrame);
    }
    ComputeZoom();
    update();
}

void TPMultiImage::SetScrolling(bool on)
{
    FScrolling = on;
    update();
}

void TPMultiImage::ComputeZoom()
{
    FZoom = 1.0;
    if (!FStretchRatio || FOriginalSize.isEmpty())
        return;
    const QSize client = contentsRect().size();
    FZoom = std::min(double(client.height()) / FOriginalSize.height(),
                     double(client.width()) / FOriginalSize.width());
}

QPoint TPMultiImage::CenterOffset() const
{
    if (!FCenter || FStretch || FOriginalSize.isEmpty())
        return QPoint();
    const QSize client = contentsRect().size();
    const int w = int(std::lround(FOriginalSize.width() * FZoom));
    const int h = int(std::lround(FOriginalSize.height() * FZoom));
    // Integer division rounds toward zero, also when the picture is the larger.
    return QPoint((client.width() - w) / 2, (client.height() - h) / 2);
}

QRect TPMultiImage::PictureRect() const
{
    const QRect client = contentsRect();
    if (FOriginalSize.isEmpty() || FMessageShown)
        return QRect();
    if (FStretch)
        return client;
    const QSize size(int(std::lround(FOriginalSize.width() * FZoom)),
                     int(std::lround(FOriginalSize.height() * FZoom)));
    const QPoint scrolled(int(std::lround(FScrollOrigin.x() * FZoom)),
                          int(std::lround(FScrollOrigin.y() * FZoom)));
    return QRect(client.topLeft() + CenterOffset() - scrolled, size);
}

// --- Loading ------------------------------------------------------------------------------

bool TPMultiImage::IsMessageName(const QString& name) const
{
    const QString ext = UpperSuffix(name);
    return ext == QLatin1String(".SCM") || ext == QLatin1String(".CMS");
}

TPMultiImage::DecodeRequest TPMultiImage::RequestFor(const QString& name, QSize box) const
{
    DecodeRequest r;
    r.Path = name;
    const QString ext = UpperSuffix(name);
    r.Page = (ext == QLatin1String(".TIF") || ext == QLatin1String(".TIFF")) ? FTiffPage : 0;
    const QScreen* screen = QGuiApplication::primaryScreen();
    r.Depth = ColorDepthOf(FImageReadRes, screen ? screen->depth() : 24);
    if (box.isValid()) {
        r.Box = box;
    } else if (FStretch) {
        r.Box = contentsRect().size();
        r.Mode = Qt::KeepAspectRatioByExpanding;
    } else if (FStretchRatio) {
        r.Box = contentsRect().size();
    }
    return r;
}

PictureData TPMultiImage::Decode(const DecodeRequest& request)
{
    try {
        if (QFileInfo(request.Path).size() < MinimumPictureBytes) {
            PictureData d;
            d.Code = Tonlyra::PictureTooShort;
            d.Error = Tonlyra::PictureErrorText(d.Code);
            return d;
        }
        Tonlyra::Thumbnails::PendingThumbnail thumbnail;
        PictureData d = Tonlyra::Thumbnails::ReadPicture(request.Path, request.Box, request.Page,
                                                         request.Mode, &thumbnail);
        Tonlyra::Thumbnails::SaveInBackground(thumbnail);
        if (d.Ok())
            d.Image = ReduceColors(d.Image, request.Depth);
        return d;
    } catch (...) {
        PictureData d;
        d.Code = ReaderException;
        return d;
    }
}

void TPMultiImage::SetImageName(const QString& name)
{
    DecodeRequest request;
    if (BeginLoad(name, QSize(), &request))
        FinishLoad(request, Decode(request));
}

bool TPMultiImage::BeginLoad(const QString& name, QSize box, DecodeRequest* request)
{
    const QString oldName = FImageName;
    FImageName = name;
    ++FLoadSerial;
    if (!QFileInfo(name).isFile()) {
        // No file (or no name): an empty picture, without a word.
        ClearPicture();
        update();
        return false;
    }
    if (FAnnotation)
        FAnnotation->PictureChanging(oldName);
    ClearPicture();
    FScrollOrigin = QPoint();
    update();

    if (IsMessageName(name)) {
        ShowMessage(Tonlyra::ScrollingMessage::FromFile(name));
        return false;
    }
    *request = RequestFor(name, box);
    return true;
}

void TPMultiImage::FinishLoad(const DecodeRequest& request, const PictureData& d)
{
    if (!d.Ok()) {
        update();
        ReportError(d.Code, d.Error);
        return;
    }
    FBitmap = d.Image;
    FOriginalSize = d.OriginalSize;
    FDecodedPath = request.Path;
    FDecodedPage = request.Page;
    ComputeZoom();
    update();
    if (FAnnotation)
        FAnnotation->PictureLoaded(request.Path);
}

void TPMultiImage::ClearPicture()
{
    StopMessage();
    FBitmap = QImage();
    FScaled = QImage();
    FOriginalSize = QSize();
    FDecodedPath.clear();
    FDecodedPage = 0;
    FRefusedSize = QSize();
    FSharpening = QSize();
    FZoom = 1.0;
}

void TPMultiImage::ReportError(int code, const QString& text)
{
    if (code == ReaderException) {
        const QString message =
            QStringLiteral("An exception error occured in the Pictorum dll. We recommend to "
                           "exit the application and to restart it by clicking its icon!");
        // A host that takes the reader errors itself (the player, which never puts a box in
        // front of its user) takes this one too.
        if (OnPictorumError)
            OnPictorumError(this, code, message);
        else
            Tonlyra::UserPrompt::ShowError(this, message);
        return;
    }
    if (OnPictorumError) {
        const auto handler = OnPictorumError; // the handler may replace itself
        handler(this, code, text);
    } else {
        Tonlyra::UserPrompt::ShowError(this, text);
    }
}

void TPMultiImage::EnsureResolution(QSize target)
{
    if (FDecodedPath.isEmpty() || FBitmap.isNull())
        return;
    const QSize want = target.boundedTo(FOriginalSize);
    auto covered = [&want](QSize size, int slack) {
        return size.isValid() && size.width() + slack >= want.width() &&
               size.height() + slack >= want.height();
    };
    if (covered(FBitmap.size(), ResolutionSlack) || covered(FRefusedSize, 0) ||
        covered(FSharpening, 0))
        return;
    // Decoded in the background (a cell enlarged to the whole grid must not hold up the sound
    // it plays); until then the bitmap at hand is drawn enlarged.
    DecodeRequest r = RequestFor(FDecodedPath, QSize());
    r.Page = FDecodedPage;
    r.Box = target;
    r.Mode = Qt::KeepAspectRatioByExpanding;
    FSharpening = want;
    QThreadPool::globalInstance()->start(
        [self = QPointer<TPMultiImage>(this), serial = FLoadSerial, r, want] {
            const PictureData d = Decode(r);
            // Handed over on the interface thread, where the component is looked at; the
            // application outlives the thread pool's work.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, serial, d, want] {
                    if (!self || self->FLoadSerial != serial || self->FSharpening != want)
                        return;
                    self->FSharpening = QSize();
                    if (d.Ok() && d.OriginalSize == self->FOriginalSize) {
                        self->FBitmap = d.Image;
                        self->FScaled = QImage();
                        self->update();
                    } else {
                        // The file changed or went away: keep drawing what we have.
                        self->FRefusedSize = want;
                    }
                },
                Qt::QueuedConnection);
        });
}

// --- Messages -----------------------------------------------------------------------------

void TPMultiImage::ShowMessage(const Tonlyra::ScrollingMessage& message)
{
    FMessage = message;
    FMessageShown = true;
    FMessageTexts.clear();
    const QFont font = FMessage.Font();
    QList<int> extents;
    for (const QString& text : std::as_const(FMessage.Text)) {
        QStaticText s(text);
        s.setTextFormat(Qt::PlainText);
        s.setPerformanceHint(QStaticText::AggressiveCaching);
        s.prepare(QTransform(), font);
        FMessageTexts.append(s);
        extents.append(FMessage.Motion == Tonlyra::ScrollingMessage::Band
                           ? int(std::ceil(s.size().width()))
                           : int(std::ceil(s.size().height())));
    }
    FMotion.Start(FMessage.Motion, FMessage.Speed, extents, contentsRect().size());
    FMessageTimer.start();
    update();
}

void TPMultiImage::StopMessage()
{
    FMessageTimer.stop();
    FMessageShown = false;
    FMessageTexts.clear();
}

void TPMultiImage::MessageTick()
{
    if (FMessageShown && FMotion.Tick(contentsRect().size()))
        update();
}

void TPMultiImage::PaintMessage(QPainter& painter, const QRect& client)
{
    painter.fillRect(client, FMessage.Background);
    if (FMessageTexts.isEmpty())
        return;
    painter.setClipRect(client);
    painter.setFont(FMessage.Font());
    painter.setPen(FMessage.FontColor);
    if (FMessage.Motion == Tonlyra::ScrollingMessage::Band) {
        const QStaticText& band = FMessageTexts.constFirst();
        const int y = client.top() + (client.height() - int(band.size().height())) / 2;
        painter.drawStaticText(client.left() + FMotion.Offset(), y, band);
    } else {
        const QStaticText& line = FMessageTexts.at(FMotion.CurrentLine() % FMessageTexts.size());
        const int x = client.left() + (client.width() - int(line.size().width())) / 2;
        painter.drawStaticText(x, client.top() + FMotion.Offset(), line);
    }
    painter.setClipping(false);
}

// --- Painting and the mouse ---------------------------------------------------------------

void TPMultiImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect client = contentsRect();
    if (FMessageShown) {
        PaintMessage(painter, client);
    } else {
        const QRect target = PictureRect();
        if (FBitmap.isNull() || target.isEmpty()) {
            painter.fillRect(client, FColor);
        } else {
            EnsureResolution(target.size());
            painter.setClipRect(client);
            if (!target.contains(client) || FBitmap.hasAlphaChannel())
                painter.fillRect(client, FColor);
            if (FBitmap.size() == target.size()) {
                painter.drawImage(target.topLeft(), FBitmap);
            } else {
                // Scaled once per size, so that a repaint (a scanning frame moving over the
                // grid) only copies pixels.
                if (FScaled.size() != target.size())
                    FScaled =
                        FBitmap
                            .scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(FBitmap.hasAlphaChannel()
                                                 ? QImage::Format_ARGB32_Premultiplied
                                                 : QImage::Format_RGB32);
                painter.drawImage(target.topLeft(), FScaled);
            }
            if (FAnnotation && !FStretch && (FStretchRatio || FScrolling)) {
                Tonlyra::PictureView view;
                view.Zoom = FZoom;
                view.ScrollOrigin = FScrollOrigin;
                view.CenterOffset = CenterOffset();
                view.ClipInset = 0; // no scroll bars are shown
                FAnnotation->Paint(painter, view);
            }
            painter.setClipping(false);
        }
    }
    drawFrame(&painter);
}

void TPMultiImage::mousePressEvent(QMouseEvent* event)
{
    const QPointer<TPMultiImage> self(this);
    if (OnMouseDown) {
        const auto handler = OnMouseDown;
        handler(this, event->button(), event->modifiers(), int(event->position().x()),
                int(event->position().y()));
    }
    if (self && FAnnotation)
        FAnnotation->MousePressed(event);
    event->accept();
}

void TPMultiImage::mouseMoveEvent(QMouseEvent* event)
{
    const QPointer<TPMultiImage> self(this);
    if (OnMouseMove) {
        const auto handler = OnMouseMove;
        handler(this, event->modifiers(), int(event->position().x()), int(event->position().y()));
    }
    if (self && FAnnotation)
        FAnnotation->MouseMoved(event);
    event->accept();
}

void TPMultiImage::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointer<TPMultiImage> self(this);
    if (OnMouseUp) {
        const auto handler = OnMouseUp;
        handler(this, event->button(), event->modifiers(), int(event->position().x()),
                int(event->position().y()));
    }
    if (self && FAnnotation)
        FAnnotation->MouseReleased(event);
    event->accept();
}
