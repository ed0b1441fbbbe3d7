#pragma once

#include <QPoint>
#include <QString>

#include <functional>
#include <memory>

class QMouseEvent;
class QPainter;
class TPMultiImage;

namespace Tonlyra {

// How the picture is drawn at the moment of a paint: what annotations need to map picture
// coordinates onto the component.
struct PictureView
{
    double Zoom = 1.0;   // component pixels per picture pixel
    QPoint ScrollOrigin; // picture pixel at the top-left of the visible part
    QPoint CenterOffset; // where the picture's top-left lies, from the client area's
    int ClipInset = 0;   // pixels along the right and bottom edge taken by scroll bars
};

// The annotation layer that every picture component carries. The component owns one layer,
// made by the factory installed with TPMultiImage::SetAnnotationLayerFactory, and calls it at
// each point of its life. Every hook does nothing by default.
class PictureAnnotationLayer
{
public:
    virtual ~PictureAnnotationLayer() = default;

    // The component has been built and its properties set.
    virtual void Initialize(TPMultiImage* image) { (void)image; }
    // After the picture has been drawn, in the ratio-scaled and the unscaled modes.
    virtual void Paint(QPainter& painter, const PictureView& view)
    {
        (void)painter;
        (void)view;
    }
    // After the component's own mouse events have been raised.
    virtual void MousePressed(QMouseEvent* event) { (void)event; }
    virtual void MouseMoved(QMouseEvent* event) { (void)event; }
    virtual void MouseReleased(QMouseEvent* event) { (void)event; }
    // A new picture file is about to replace the picture named oldImageName (which may be
    // empty); called only when the new file exists.
    virtual void PictureChanging(const QString& oldImageName) { (void)oldImageName; }
    // The picture named imageName has been loaded and is shown.
    virtual void PictureLoaded(const QString& imageName) { (void)imageName; }
    // Annotation editing has been switched off (EditAnnotat turned false).
    virtual void EditingEnded() {}
    // A command of an annotation menu reached the component while editing is on.
    virtual void MenuCommand(int commandId) { (void)commandId; }
    // The component is being destroyed; the layer is deleted right after.
    virtual void Destroying() {}
};

using AnnotationLayerFactory =
    std::function<std::unique_ptr<PictureAnnotationLayer>(TPMultiImage*)>;

} // namespace Tonlyra
