#pragma once

#include "picture/AnnotationLayer.h"
#include "picture/ScrollingMessage.h"
#include "platform/PictureReader.h"

#include <QFrame>
#include <QImage>
#include <QList>
#include <QStaticText>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

// The picture component: shows one picture file (or a moving text message) on a background
// colour, drawn at its own size, stretched to the client area, or scaled by one factor to fit
// it, and carries an annotation layer.
//
// Pictures are decoded at the size they are drawn at, not at their own size: a 4000 x 3000
// photo in a 120 x 90 cell costs a 120 x 90 bitmap, read through the desktop's thumbnail cache
// (platform/ThumbnailCache.h). When the component later grows (a cell enlarged to the whole
// grid), the picture is decoded again at the new size in the background, and drawn enlarged
// from the bitmap at hand until it comes. A grid should lay out
// its cells first and then load all pictures with a Tonlyra::PictureLoader, which decodes them
// in the background at their final sizes.
namespace Tonlyra {
class PictureLoader;
}

class TPMultiImage : public QFrame
{
    Q_OBJECT

public:
    enum TBorderStyle
    {
        bsNone,
        bsSingle
    };
    // The colour depth asked of the readers: 0 (the file's own), 1, 4, 8 or 24 bits, or the
    // screen's depth mapped to 4, 8 or 24.
    enum TImageReadRes
    {
        lDefault,
        lColor2,
        lColor16,
        lColor256,
        lTrueColor,
        lAutoMatic
    };

    explicit TPMultiImage(QWidget* parent = nullptr);
    ~TPMultiImage() override;

    // Setting it loads the picture: a missing file (or an empty name) clears the picture
    // silently; a file the readers refuse clears it and raises OnPictorumError or, when that
    // is not set, shows the error in a message box.
    QString ImageName() const { return FImageName; }
    void SetImageName(const QString& name);

    bool Stretch() const { return FStretch; }
    void SetStretch(bool on);
    bool StretchRatio() const { return FStretchRatio; }
    void SetStretchRatio(bool on);
    bool Center() const { return FCenter; }
    void SetCenter(bool on);
    QColor Color() const { return FColor; }
    void SetColor(const QColor& color);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle style);
    bool Scrolling() const { return FScrolling; }
    void SetScrolling(bool on);
    TImageReadRes ImageReadRes() const { return FImageReadRes; }
    void SetImageReadRes(TImageReadRes res) { FImageReadRes = res; }
    int TiffPage() const { return FTiffPage; }
    void SetTiffPage(int page) { FTiffPage = page < 0 ? 0 : page; }

    int Tag = 0;

    // The annotation layer. With EditAnnotat on, the mouse and annotation menu commands go to
    // the layer (turning it off ends a selection in progress). AutoLoadAnno loads the
    // annotations of each picture loaded, AutoSaveAnno saves them before another picture
    // replaces it and when the component goes. AnnoFileName names the annotation file; when
    // empty, it follows from ImageName.
    bool EditAnnotat() const { return FEditAnnotat; }
    void SetEditAnnotat(bool on);
    bool AutoLoadAnno() const { return FAutoLoadAnno; }
    void SetAutoLoadAnno(bool on) { FAutoLoadAnno = on; }
    bool AutoSaveAnno() const { return FAutoSaveAnno; }
    void SetAutoSaveAnno(bool on) { FAutoSaveAnno = on; }
    QString AnnoFileName() const { return FAnnoFileName; }
    void SetAnnoFileName(const QString& name) { FAnnoFileName = name; }
    // A command of an annotation menu; goes to the layer while EditAnnotat is on.
    void AnnotationCommand(int commandId);

    // The loaded picture's own size in pixels (whatever size it was decoded at); 0 without a
    // picture and while a message is shown.
    int PictureWidth() const { return std::max(0, FOriginalSize.width()); }
    int PictureHeight() const { return std::max(0, FOriginalSize.height()); }
    bool HasPicture() const { return !FBitmap.isNull(); }
    // The bitmap as decoded (possibly smaller than the picture's own size).
    const QImage& Bitmap() const { return FBitmap; }
    // True while a sharper bitmap for the larger size the picture is drawn at now is decoded
    // in the background.
    bool IsSharpening() const { return FSharpening.isValid(); }
    bool ShowsMessage() const { return FMessageShown; }

    // What the annotation layer receives: the zoom (1.0 but in the ratio-scaled mode), the
    // scroll origin and the centring offsets of the last layout.
    double Zoom() const { return FZoom; }
    QPoint ScrollOrigin() const { return FScrollOrigin; }
    QPoint CenterOffset() const;
    // Where the picture is drawn, in component coordinates.
    QRect PictureRect() const;
    // The message's position: x of the band, or y of the current line, and that line.
    int MessageOffset() const { return FMotion.Offset(); }
    int MessageLine() const { return FMotion.CurrentLine(); }

    // Events; each is raised only when set.
    std::function<void(TPMultiImage* sender, int code, const QString& text)> OnPictorumError;
    std::function<void(TPMultiImage*sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                       int x, int y)>
        OnMouseDown, OnMouseUp;
    std::function<void(TPMultiImage* sender, Qt::KeyboardModifiers shift, int x, int y)>
        OnMouseMove;
    // The user has finished making an annotation with the mouse.
    std::function<void(TPMultiImage* sender)> OnAnnoDone;

    // The factory that gives each new component its annotation layer. By default every
    // component binds the annotation library (Tonlyra::GlosaAnnotationLayer); components made
    // while an empty factory is installed carry no layer. Returns the previous factory.
    static Tonlyra::AnnotationLayerFactory
    SetAnnotationLayerFactory(Tonlyra::AnnotationLayerFactory factory);
    Tonlyra::PictureAnnotationLayer* AnnotationLayer() const { return FAnnotation.get(); }

    // The bits per pixel asked of the readers for a setting on a screen of screenDepth bits.
    static int ColorDepthOf(TImageReadRes res, int screenDepth);

    QSize sizeHint() const override { return QSize(105, 105); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    friend class Tonlyra::PictureLoader;

    struct DecodeRequest
    {
        QString Path;
        QSize Box;
        Qt::AspectRatioMode Mode = Qt::KeepAspectRatio;
        int Page = 0;
        int Depth = 0;

        bool operator==(const DecodeRequest&) const = default;
    };
    // Decodes on any thread, through the thumbnail cache; a thumbnail it makes is saved later,
    // in the background.
    static Tonlyra::PictureData Decode(const DecodeRequest& request);

    DecodeRequest RequestFor(const QString& name, QSize box) const;
    bool IsMessageName(const QString& name) const;
    // Setting ImageName in two halves, so that the decoding between them may run elsewhere.
    // BeginLoad does at once what does not need the picture: the name is taken, the old
    // picture goes, a missing file or a message is dealt with. It returns true, with what to
    // decode (fitted into box when valid), when the picture is still to come; FinishLoad then
    // takes it or its error, raising the same events as SetImageName would.
    bool BeginLoad(const QString& name, QSize box, DecodeRequest* request);
    void FinishLoad(const DecodeRequest& request, const Tonlyra::PictureData& decoded);
    // Counts BeginLoad: a picture decoded for an earlier name is not taken.
    quint64 FLoadSerial = 0;
    void ClearPicture();
    void ReportError(int code, const QString& text);
    void ComputeZoom();
    void EnsureResolution(QSize target);
    void ShowMessage(const Tonlyra::ScrollingMessage& message);
    void StopMessage();
    void MessageTick();
    void PaintMessage(QPainter& painter, const QRect& client);

    QString FImageName;
    bool FStretch = false;
    bool FStretchRatio = false;
    bool FCenter = false;
    QColor FColor;
    TBorderStyle FBorderStyle = bsNone;
    bool FScrolling = true;
    TImageReadRes FImageReadRes = lAutoMatic;
    int FTiffPage = 0;
    bool FEditAnnotat = false;
    bool FAutoLoadAnno = false;
    bool FAutoSaveAnno = false;
    QString FAnnoFileName;

    QImage FBitmap;
    QSize FOriginalSize;
    QString FDecodedPath; // the file FBitmap came from, for decoding again at a larger size
    int FDecodedPage = 0;
    QSize FRefusedSize; // a larger decode that failed; not tried again for that size
    QSize FSharpening;  // the size a sharper bitmap is being decoded for, in the background
    QImage FScaled;     // FBitmap at the size last drawn, ready to copy
    double FZoom = 1.0;
    QPoint FScrollOrigin;

    bool FMessageShown = false;
    Tonlyra::ScrollingMessage FMessage;
    QList<QStaticText> FMessageTexts; // the band, or one text per line, laid out once
    Tonlyra::MessageMotion FMotion;
    QTimer FMessageTimer;

    std::unique_ptr<Tonlyra::PictureAnnotationLayer> FAnnotation;
};
