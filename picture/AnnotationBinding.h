#pragma once

// The annotation layer of the picture component, bound at run time to the annotation library
// "libglosa32.so" (loaded by name, never linked).

#include "glosa32/glosa32.h"
#include "picture/AnnotationLayer.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace Tonlyra {

// The library's entry points, typed from its header. Each is null when the library lacks it;
// a missing entry is skipped wherever it would be called.
struct GlosaEntries
{
    decltype(&::MouseMon) MouseMon = nullptr;
    decltype(&::IsAnnotation) IsAnnotation = nullptr;
    decltype(&::InitAnnotation) InitAnnotation = nullptr;
    decltype(&::DestroyAnnotation) DestroyAnnotation = nullptr;
    decltype(&::DrawAnnotation) DrawAnnotation = nullptr;
    decltype(&::HardDrawAnnotation) HardDrawAnnotation = nullptr;
    decltype(&::MenuMsg) MenuMsg = nullptr;
    decltype(&::LoadAnnotation) LoadAnnotation = nullptr;
    decltype(&::SaveAnnotation) SaveAnnotation = nullptr;
    decltype(&::ClearAnnotation) ClearAnnotation = nullptr;
    decltype(&::RubberBandOFF) RubberBandOFF = nullptr;
    decltype(&::StreamSaveAnnotation) StreamSaveAnnotation = nullptr;
    decltype(&::StreamLoadAnnotation) StreamLoadAnnotation = nullptr;
    decltype(&::CreateRectangle) CreateRectangle = nullptr;
    decltype(&::CreateEllipse) CreateEllipse = nullptr;
    decltype(&::CreateHilite) CreateHilite = nullptr;
    decltype(&::CreateLine) CreateLine = nullptr;
    decltype(&::CreatePointer) CreatePointer = nullptr;
    decltype(&::CreatePolyline) CreatePolyline = nullptr;
    decltype(&::CreateFreehand) CreateFreehand = nullptr;
    decltype(&::CreatePolygon) CreatePolygon = nullptr;
    decltype(&::CreateImage) CreateImage = nullptr;
    decltype(&::CreateLabel) CreateLabel = nullptr;
    decltype(&::CreateNotes) CreateNotes = nullptr;
    decltype(&::CreateStamp) CreateStamp = nullptr;
    decltype(&::RemoveAnnotation) RemoveAnnotation = nullptr;
    decltype(&::StreamRemoveAnnotation) StreamRemoveAnnotation = nullptr;
    decltype(&::InsertAnnotation) InsertAnnotation = nullptr;
    decltype(&::StreamInsertAnnotation) StreamInsertAnnotation = nullptr;
    decltype(&::ExchangeAnnotation) ExchangeAnnotation = nullptr;
    decltype(&::StreamExchangeAnnotation) StreamExchangeAnnotation = nullptr;
    decltype(&::CopyAnnotation) CopyAnnotation = nullptr;
    decltype(&::StreamCopyAnnotation) StreamCopyAnnotation = nullptr;
    decltype(&::DeleteByIndex) DeleteByIndex = nullptr;
};

// One loaded copy of the annotation library. The handle is closed when the last holder lets
// go; the process keeps its one shared copy (Shared) for the whole run.
class GlosaLibrary
{
public:
    // The file name of the library.
    static constexpr const char* DefaultFileName = "libglosa32.so";

    // Loads fileName through the system's normal library search, else from the first of
    // folders that holds it, and fetches the entry points. A library that cannot be loaded,
    // and each entry it lacks, is reported to the user; the result is then a library without
    // (some) entry points, never null.
    static std::shared_ptr<const GlosaLibrary> Open(const QString& fileName,
                                                    const QStringList& folders);
    // The process's library: DefaultFileName searched normally, then in SystemFolders(), then
    // in the program's own folder. Loaded (and any failure reported) once, at the first call.
    static std::shared_ptr<const GlosaLibrary> Shared();

    ~GlosaLibrary();
    GlosaLibrary(const GlosaLibrary&) = delete;
    GlosaLibrary& operator=(const GlosaLibrary&) = delete;

    bool IsLoaded() const { return Handle != nullptr; }
    // The file that was loaded (or the name asked for, when none was).
    QString FileName() const { return File; }
    const GlosaEntries& Entries() const { return Fn; }

    // The texts shown when the library or one of its entries is missing.
    static QString MissingLibraryMessage(const QString& fileName);
    static QString MissingEntryMessage(const QString& entryName, const QString& fileName);

private:
    GlosaLibrary() = default;
    void* Handle = nullptr;
    QString File;
    GlosaEntries Fn;
};

// The annotation file of a picture: annoFileName when it is set; else the picture's file name
// cut before its first "." with ".ant" appended, in the picture's folder; else "default.ant".
QString AnnotationFileFor(const QString& annoFileName, const QString& imageName);

// The layer every picture component carries: one instance of the annotation library, keyed by
// the component. It draws the annotations over the picture, forwards mouse and menu messages
// while the component's EditAnnotat is on, and loads and saves the annotation set of each
// picture as AutoLoadAnno and AutoSaveAnno ask.
class GlosaAnnotationLayer : public PictureAnnotationLayer
{
public:
    GlosaAnnotationLayer(TPMultiImage* image, std::shared_ptr<const GlosaLibrary> library);
    ~GlosaAnnotationLayer() override;

    // The factory TPMultiImage installs by default: every component binds the shared library.
    static AnnotationLayerFactory DefaultFactory();

    // The instance key (the component's identity) and the library's entries, for hosts that
    // call the library directly (creating objects from values, the container functions).
    intptr_t Key() const { return reinterpret_cast<intptr_t>(Image); }
    const GlosaLibrary& Library() const { return *Lib; }
    const GlosaEntries& Entries() const { return Lib->Entries(); }

    // The number of annotations (0 without the library).
    int Count() const;
    void Clear();
    // Set TiffPage of the current picture's annotation file; results as the library's, or -1
    // when the library lacks the entry.
    int Save() const;
    int Load();
    QString AnnotationFile() const;

    void Initialize(TPMultiImage* image) override;
    void Paint(QPainter& painter, const PictureView& view) override;
    void MousePressed(QMouseEvent* event) override;
    void MouseMoved(QMouseEvent* event) override;
    void MouseReleased(QMouseEvent* event) override;
    void PictureChanging(const QString& oldImageName) override;
    void PictureLoaded(const QString& imageName) override;
    void EditingEnded() override;
    void MenuCommand(int commandId) override;
    void Destroying() override;

private:
    void SaveTo(const QString& imageName) const;
    void Forward(int message, QMouseEvent* event);
    static void Notified(intptr_t notifyValue);

    TPMultiImage* Image;
    std::shared_ptr<const GlosaLibrary> Lib;
    bool Registered = false;
};

} // namespace Tonlyra
