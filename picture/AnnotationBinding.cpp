#include "picture/AnnotationBinding.h"

#include "picture/TMultiP.h"
#include "platform/Logging.h"
#include "platform/SystemFolder.h"
#include "platform/UserPrompt.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>

#include <dlfcn.h>

namespace Tonlyra {

namespace {

// The library's mouse messages.
enum : int32_t
{
    MouseMove = 512,
    LeftDown = 513,
    LeftUp = 514,
    RightDown = 516,
    RightUp = 517
};

int32_t PackPoint(QPoint p)
{
    return static_cast<int32_t>((static_cast<uint32_t>(p.y() & 0xFFFF) << 16) |
                                static_cast<uint32_t>(p.x() & 0xFFFF));
}

QByteArray Encoded(const QString& path)
{
    return QFile::encodeName(path);
}

// Libraries stay mapped until the process ends (RTLD_NODELETE): Qt may still run code of
// the library after its last user has gone (a menu deleted later, a queued call), so closing
// a handle only drops our reference.
void* OpenHandle(const QString& path)
{
    dlerror();
    void* handle = dlopen(Encoded(path).constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) {
        const char* why = dlerror();
        qCInfo(Log::Picture, "annotation library %s: %s", qPrintable(path),
               why ? why : "not loaded");
    }
    return handle;
}

} // namespace

QString GlosaLibrary::MissingLibraryMessage(const QString& fileName)
{
    return QStringLiteral("Can't load ") + fileName +
           QStringLiteral(". Make sure its located in the application's searchpath.");
}

QString GlosaLibrary::MissingEntryMessage(const QString& entryName, const QString& fileName)
{
    return QStringLiteral("Error. Could not get a procaddress for ") + entryName +
           QStringLiteral(". This could be") +
           QStringLiteral("related to a dll name or version missmatch of ") + fileName;
}

std::shared_ptr<const GlosaLibrary> GlosaLibrary::Open(const QString& fileName,
                                                       const QStringList& folders)
{
    std::shared_ptr<GlosaLibrary> lib(new GlosaLibrary);
    lib->File = fileName;
    // The normal search first (the program's run path, LD_LIBRARY_PATH, the system's
    // libraries), then the given folders in order.
    lib->Handle = OpenHandle(fileName);
    for (const QString& folder : folders) {
        if (lib->Handle || folder.isEmpty())
            break;
        const QString path = QDir(folder).filePath(fileName);
        if (QFileInfo(path).isFile()) {
            lib->Handle = OpenHandle(path);
            if (lib->Handle)
                lib->File = path;
        }
    }
    if (!lib->Handle) {
        UserPrompt::ShowError(nullptr, MissingLibraryMessage(fileName));
        return lib;
    }

    const QString shownName = QFileInfo(fileName).fileName();
    GlosaEntries& fn = lib->Fn;
    const auto fetch = [&](auto& entry, const char* name, const char* shown) {
        entry =
            reinterpret_cast<std::remove_reference_t<decltype(entry)>>(dlsym(lib->Handle, name));
        if (!entry)
            UserPrompt::Message(nullptr, QCoreApplication::applicationName(),
                                MissingEntryMessage(QString::fromLatin1(shown), shownName),
                                QMessageBox::Ok, QMessageBox::Critical);
    };
#define TONLYRA_GLOSA_FETCH(name) fetch(fn.name, #name, #name)
    TONLYRA_GLOSA_FETCH(MouseMon);
    TONLYRA_GLOSA_FETCH(IsAnnotation);
    TONLYRA_GLOSA_FETCH(InitAnnotation);
    TONLYRA_GLOSA_FETCH(DestroyAnnotation);
    TONLYRA_GLOSA_FETCH(DrawAnnotation);
    TONLYRA_GLOSA_FETCH(HardDrawAnnotation);
    TONLYRA_GLOSA_FETCH(MenuMsg);
    // Known to its users under its old internal name.
    fetch(fn.LoadAnnotation, "LoadAnnotation", "FLoadAnnotation");
    TONLYRA_GLOSA_FETCH(SaveAnnotation);
    TONLYRA_GLOSA_FETCH(ClearAnnotation);
    TONLYRA_GLOSA_FETCH(RubberBandOFF);
    TONLYRA_GLOSA_FETCH(StreamSaveAnnotation);
    TONLYRA_GLOSA_FETCH(StreamLoadAnnotation);
    TONLYRA_GLOSA_FETCH(CreateRectangle);
    TONLYRA_GLOSA_FETCH(CreateEllipse);
    TONLYRA_GLOSA_FETCH(CreateHilite);
    TONLYRA_GLOSA_FETCH(CreateLine);
    TONLYRA_GLOSA_FETCH(CreatePointer);
    TONLYRA_GLOSA_FETCH(CreatePolyline);
    TONLYRA_GLOSA_FETCH(CreateFreehand);
    TONLYRA_GLOSA_FETCH(CreatePolygon);
    TONLYRA_GLOSA_FETCH(CreateImage);
    TONLYRA_GLOSA_FETCH(CreateLabel);
    TONLYRA_GLOSA_FETCH(CreateNotes);
    TONLYRA_GLOSA_FETCH(CreateStamp);
    TONLYRA_GLOSA_FETCH(RemoveAnnotation);
    TONLYRA_GLOSA_FETCH(StreamRemoveAnnotation);
    TONLYRA_GLOSA_FETCH(InsertAnnotation);
    TONLYRA_GLOSA_FETCH(StreamInsertAnnotation);
    TONLYRA_GLOSA_FETCH(ExchangeAnnotation);
    TONLYRA_GLOSA_FETCH(StreamExchangeAnnotation);
    TONLYRA_GLOSA_FETCH(CopyAnnotation);
    TONLYRA_GLOSA_FETCH(StreamCopyAnnotation);
    TONLYRA_GLOSA_FETCH(DeleteByIndex);
#undef TONLYRA_GLOSA_FETCH
    return lib;
}

std::shared_ptr<const GlosaLibrary> GlosaLibrary::Shared()
{
    static const std::shared_ptr<const GlosaLibrary> shared =
        Open(QString::fromLatin1(DefaultFileName), SystemFolders()
                                                       << QCoreApplication::applicationDirPath());
    return shared;
}

GlosaLibrary::~GlosaLibrary()
{
    if (Handle)
        dlclose(Handle);
}

QString AnnotationFileFor(const QString& annoFileName, const QString& imageName)
{
    if (!annoFileName.isEmpty())
        return annoFileName;
    if (imageName.isEmpty())
        return QStringLiteral("default.ant");
    // Only the file's own name is cut, so that a dot in a folder name ("album.2024/")
    // does not send the annotations of every picture in it to one file beside the folder.
    const qsizetype slash = imageName.lastIndexOf(u'/');
    const qsizetype dot = imageName.indexOf(u'.', slash + 1);
    return (dot < 0 ? imageName : imageName.left(dot)) + QStringLiteral(".ant");
}

// --- The layer ----------------------------------------------------------------------------

GlosaAnnotationLayer::GlosaAnnotationLayer(TPMultiImage* image,
                                           std::shared_ptr<const GlosaLibrary> library)
    : Image(image), Lib(std::move(library))
{}

GlosaAnnotationLayer::~GlosaAnnotationLayer()
{
    // A layer dropped without Destroying (a component that failed half way) still frees its
    // slot in the library.
    if (Registered && Entries().DestroyAnnotation)
        Entries().DestroyAnnotation(Key());
}

AnnotationLayerFactory GlosaAnnotationLayer::DefaultFactory()
{
    return [](TPMultiImage* image) {
        return std::make_unique<GlosaAnnotationLayer>(image, GlosaLibrary::Shared());
    };
}

void GlosaAnnotationLayer::Initialize(TPMultiImage*)
{
    if (!Entries().InitAnnotation)
        return;
    const QByteArray stamps = Encoded(SystemFilePath(QStringLiteral("glosa_anno.ini")));
    Entries().InitAnnotation(Key(), Image, Key(), &GlosaAnnotationLayer::Notified,
                             stamps.constData());
    Registered = true;
}

void GlosaAnnotationLayer::Notified(intptr_t notifyValue)
{
    auto* image = reinterpret_cast<TPMultiImage*>(notifyValue);
    if (image && image->OnAnnoDone) {
        const auto handler = image->OnAnnoDone;
        handler(image);
    }
}

int GlosaAnnotationLayer::Count() const
{
    return Entries().IsAnnotation ? Entries().IsAnnotation(Key()) : 0;
}

void GlosaAnnotationLayer::Clear()
{
    if (Entries().ClearAnnotation)
        Entries().ClearAnnotation(Key());
}

QString GlosaAnnotationLayer::AnnotationFile() const
{
    return AnnotationFileFor(Image->AnnoFileName(), Image->ImageName());
}

int GlosaAnnotationLayer::Save() const
{
    if (!Entries().SaveAnnotation)
        return -1;
    return Entries().SaveAnnotation(Key(), Image->TiffPage(),
                                    Encoded(AnnotationFile()).constData());
}

int GlosaAnnotationLayer::Load()
{
    if (!Entries().LoadAnnotation)
        return -1;
    return Entries().LoadAnnotation(Key(), Image->TiffPage(),
                                    Encoded(AnnotationFile()).constData());
}

void GlosaAnnotationLayer::SaveTo(const QString& imageName) const
{
    if (!Entries().SaveAnnotation)
        return;
    // Without a picture and without annotations there is no set to keep; saving the empty
    // set would delete a set of the fallback file that belongs to someone else.
    if (imageName.isEmpty() && Count() == 0)
        return;
    const QString file = AnnotationFileFor(Image->AnnoFileName(), imageName);
    if (Entries().SaveAnnotation(Key(), Image->TiffPage(), Encoded(file).constData()) < 0)
        qCWarning(Log::Picture, "annotations could not be saved to %s", qPrintable(file));
}

void GlosaAnnotationLayer::Paint(QPainter& painter, const PictureView& view)
{
    if (!Entries().DrawAnnotation)
        return;
    // The library works in the component's coordinates: the picture starts at the client
    // area's corner plus the centring offset.
    const QPoint offset = Image->contentsRect().topLeft() + view.CenterOffset;
    painter.save();
    Entries().DrawAnnotation(Key(), view.Zoom, view.ScrollOrigin.x(), view.ScrollOrigin.y(),
                             offset.x(), offset.y(), view.ClipInset, &painter);
    painter.restore();
}

void GlosaAnnotationLayer::Forward(int message, QMouseEvent* event)
{
    if (!Image->EditAnnotat() || !Entries().MouseMon)
        return;
    // The library may open a dialog here, during which the component can go: nothing of
    // this layer is touched after the call.
    Entries().MouseMon(Key(), message, 0, PackPoint(event->position().toPoint()));
}

void GlosaAnnotationLayer::MousePressed(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Forward(LeftDown, event);
    else if (event->button() == Qt::RightButton)
        Forward(RightDown, event);
}

void GlosaAnnotationLayer::MouseMoved(QMouseEvent* event)
{
    Forward(MouseMove, event);
}

void GlosaAnnotationLayer::MouseReleased(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Forward(LeftUp, event);
    else if (event->button() == Qt::RightButton)
        Forward(RightUp, event);
}

void GlosaAnnotationLayer::MenuCommand(int commandId)
{
    if (Image->EditAnnotat() && Entries().MenuMsg)
        Entries().MenuMsg(Key(), commandId);
}

void GlosaAnnotationLayer::EditingEnded()
{
    if (Entries().RubberBandOFF)
        Entries().RubberBandOFF(Key());
}

void GlosaAnnotationLayer::PictureChanging(const QString& oldImageName)
{
    if (Image->AutoSaveAnno())
        SaveTo(oldImageName);
    // The annotations belong to the picture that is going.
    Clear();
}

void GlosaAnnotationLayer::PictureLoaded(const QString&)
{
    if (!Image->AutoLoadAnno() || !Entries().LoadAnnotation)
        return;
    if (QFileInfo(AnnotationFile()).isFile())
        Load();
}

void GlosaAnnotationLayer::Destroying()
{
    if (Image->AutoSaveAnno())
        SaveTo(Image->ImageName());
    if (Registered && Entries().DestroyAnnotation)
        Entries().DestroyAnnotation(Key());
    Registered = false;
}

} // namespace Tonlyra
