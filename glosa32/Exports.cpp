// The library's exported entry points: each finds the caller's instance by key and hands the
// work to it. Nothing may throw out of here.

#include "glosa32/glosa32.h"

#include "glosa32/Container.h"
#include "glosa32/Instance.h"

#include <QFile>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

using namespace Tonlyra::Glosa;

namespace {

int SetIndex(int32_t value)
{
    return value & 0xFFFF;
}

QPoint PointOf(int32_t lParam)
{
    const auto x = static_cast<std::int16_t>(lParam & 0xFFFF);
    const auto y = static_cast<std::int16_t>((static_cast<std::uint32_t>(lParam) >> 16) & 0xFFFF);
    return {x, y};
}

std::string Str(const char* s)
{
    return s ? std::string(s) : std::string();
}

// The text in a host buffer: up to its NUL, never beyond size bytes.
std::string_view BufferText(const char* buffer, int32_t size)
{
    if (!buffer || size <= 0)
        return {};
    const void* nul = std::memchr(buffer, 0, static_cast<std::size_t>(size));
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - buffer)
            : static_cast<std::size_t>(size);
    return std::string_view(buffer, length);
}

// Writes text into a host buffer with its NUL; when it does not fit the buffer stays as it was
// and the result is the negated room needed.
int32_t PutBuffer(char* buffer, int32_t size, const std::string& text)
{
    const long long needed = static_cast<long long>(text.size()) + 1;
    if (needed > 0x7FFFFFFF)
        return -0x7FFFFFFF;
    if (!buffer || needed > size)
        return static_cast<int32_t>(-needed);
    std::memcpy(buffer, text.c_str(), static_cast<std::size_t>(needed));
    return static_cast<int32_t>(text.size());
}

int32_t Length(const std::string& text)
{
    return static_cast<int32_t>(std::min<std::size_t>(text.size(), 0x7FFFFFFF));
}

// Makes an object from a record text, as loading does, shifting positions into the picture.
int32_t Create(intptr_t key, const std::string& fields, Kind kind)
{
    AnnotationInstance* instance = FindInstance(key);
    if (!instance)
        return 0;
    if (instance->Count() >= MaxObjects)
        return -1;
    std::unique_ptr<AObject> object = BuildObject(TagOf(kind), fields, instance->Context());
    if (!object)
        return 0;
    const int id = instance->Add(std::move(object));
    instance->UpdateAll();
    return id;
}

// Window to image coordinates, held within 32 bits.
int Shifted(long long v)
{
    return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

int ShiftX(intptr_t key, int x)
{
    const AnnotationInstance* i = FindInstance(key);
    return i ? Shifted(0LL + x + i->View.OriginX - i->View.OffsetX) : x;
}

int ShiftY(intptr_t key, int y)
{
    const AnnotationInstance* i = FindInstance(key);
    return i ? Shifted(0LL + y + i->View.OriginY - i->View.OffsetY) : y;
}

std::string Nodes(intptr_t key, const int32_t* xs, const int32_t* ys, int32_t count)
{
    std::string nodes;
    if (!xs || !ys)
        return nodes;
    for (int32_t i = 0; i < count; ++i)
        nodes += Format("\a %d %d ", ShiftX(key, xs[i]), ShiftY(key, ys[i]));
    return nodes;
}

// A polyline or freehand line: both are stored the same way.
int32_t CreateOpenNodes(intptr_t key, const int32_t* xs, const int32_t* ys, int32_t count,
                        int32_t lineWidth, int32_t lineStyle, uint32_t foregroundColour, Kind kind)
{
    count = (xs && ys) ? std::max(count, 0) : 0;
    return Create(key,
                  Format("%d %d %d %X ", count, lineWidth, lineStyle, foregroundColour) +
                      Nodes(key, xs, ys, count),
                  kind);
}

// Container operations on a file or buffer.
template <typename Operation>
int32_t OnFile(intptr_t key, const char* fileName, Operation operation)
{
    const AnnotationInstance* instance = FindInstance(key);
    if (!instance || !fileName)
        return 0;
    std::string text;
    if (ReadContainerFile(fileName, text, instance->Window) != FileRead::Done ||
        text.size() < MinContainerLength)
        return 0;
    SetList sets = ReadContainer(text);
    if (sets.empty())
        return 0;
    operation(sets);
    if (sets.empty())
        return 0; // the last set is gone: the file is left as it was
    const std::string out = WriteContainer(sets);
    if (!WriteContainerFile(fileName, out))
        return -1;
    return Length(out);
}

template <typename Operation>
int32_t OnBuffer(intptr_t key, char* buffer, int32_t size, Operation operation)
{
    if (!FindInstance(key))
        return 0;
    const std::string_view text = BufferText(buffer, size);
    if (text.size() < MinContainerLength)
        return 0;
    SetList sets = ReadContainer(text);
    if (sets.empty())
        return 0;
    operation(sets);
    if (sets.empty())
        return 0;
    return PutBuffer(buffer, size, WriteContainer(sets));
}

} // namespace

GLOSA32_EXPORT void InitAnnotation(intptr_t key, GlosaWindow window, intptr_t notifyValue,
                                   GlosaNotify notify, const char* stampLibraryPath)
{
    AnnotationInstance* instance = RegisterInstance(key);
    if (!instance)
        return;
    instance->Window = window;
    instance->NotifyValue = notifyValue;
    instance->Notify = notify;
    instance->StampLibraryPath = Str(stampLibraryPath);
}

GLOSA32_EXPORT void DestroyAnnotation(intptr_t key)
{
    UnregisterInstance(key);
}

GLOSA32_EXPORT void ClearAnnotation(intptr_t key)
{
    if (AnnotationInstance* instance = FindInstance(key))
        instance->Clear(true);
}

GLOSA32_EXPORT int32_t IsAnnotation(intptr_t key)
{
    const AnnotationInstance* instance = FindInstance(key);
    return instance ? instance->Count() : 0;
}

GLOSA32_EXPORT void DrawAnnotation(intptr_t key, double zoom, int32_t originX, int32_t originY,
                                   int32_t offsetX, int32_t offsetY, int32_t clipInset,
                                   GlosaPainter painter)
{
    AnnotationInstance* instance = FindInstance(key);
    if (!instance)
        return;
    // A zoom that is not a positive number would divide by zero on the way back.
    instance->View.Zoom = zoom > 1e-6 && zoom < 1e6 ? zoom : 1.0;
    instance->View.OriginX = originX;
    instance->View.OriginY = originY;
    instance->View.OffsetX = offsetX & 0xFFFF;
    instance->View.OffsetY = offsetY & 0xFFFF;
    instance->ClipInset = clipInset;
    if (painter)
        instance->Draw(*painter);
    else
        instance->UpdateAll();
}

GLOSA32_EXPORT void HardDrawAnnotation(intptr_t key, GlosaBitmap bitmap)
{
    AnnotationInstance* instance = FindInstance(key);
    if (instance && bitmap && !bitmap->isNull())
        instance->DrawInto(*bitmap);
}

GLOSA32_EXPORT void MouseMon(intptr_t key, int32_t message, int32_t, int32_t lParam)
{
    // Ending a creation may open a dialog: keep the instance while it runs.
    if (const std::shared_ptr<AnnotationInstance> instance = HoldInstance(key))
        instance->Mouse(message, PointOf(lParam));
}

GLOSA32_EXPORT void MenuMsg(intptr_t key, int32_t commandId)
{
    DispatchMenuCommand(key, commandId);
}

GLOSA32_EXPORT void RubberBandOFF(intptr_t key)
{
    if (AnnotationInstance* instance = FindInstance(key))
        instance->EndRubberBand();
}

GLOSA32_EXPORT void DeleteByIndex(intptr_t key, int32_t id)
{
    if (AnnotationInstance* instance = FindInstance(key))
        instance->DeleteAt(instance->IndexOfId(id));
}

GLOSA32_EXPORT int32_t SaveAnnotation(intptr_t key, int32_t setIndex, const char* fileName)
{
    AnnotationInstance* instance = FindInstance(key);
    if (!instance)
        return 0;
    if (!fileName || !*fileName)
        return -1;
    std::string text;
    const FileRead read = ReadContainerFile(fileName, text, instance->Window);
    if (read == FileRead::Failed)
        return -1;
    const bool exists = read == FileRead::Done;
    SetList sets = ReadContainer(text);
    const int index = SetIndex(setIndex);
    if (instance->Count() > 0) {
        PutSet(sets, index, instance->Block());
    } else {
        DropSet(sets, index);
        if (sets.empty()) {
            if (exists && !QFile::remove(QString::fromLocal8Bit(fileName)))
                return -1;
            return 0;
        }
    }
    const std::string out = WriteContainer(sets);
    if (!WriteContainerFile(fileName, out))
        return -1;
    return Length(out);
}

GLOSA32_EXPORT int32_t LoadAnnotation(intptr_t key, int32_t setIndex, const char* fileName)
{
    AnnotationInstance* instance = FindInstance(key);
    if (!instance)
        return 0;
    instance->Clear(false);
    std::string text;
    if (fileName && ReadContainerFile(fileName, text, instance->Window) == FileRead::Done) {
        const int index = SetIndex(setIndex);
        for (const SetEntry& s : ReadContainer(text))
            if (s.Index == index)
                instance->LoadBlock(s.Block);
    }
    instance->UpdateAll();
    return instance->Count();
}

GLOSA32_EXPORT int32_t StreamSaveAnnotation(intptr_t key, int32_t setIndex, char* buffer,
                                            int32_t bufferSize)
{
    AnnotationInstance* instance = FindInstance(key);
    if (!instance)
        return 0;
    SetList sets = ReadContainer(BufferText(buffer, bufferSize));
    const int index = SetIndex(setIndex);
    if (instance->Count() > 0)
        PutSet(sets, index, instance->Block());
    else
        DropSet(sets, index);
    if (sets.empty())
        return 0;
    return PutBuffer(buffer, bufferSize, WriteContainer(sets));
}

GLOSA32_EXPORT int32_t StreamLoadAnnotation(intptr_t key, int32_t setIndex, const char* buffer,
                                            int32_t bufferSize)
{
    AnnotationInstance* instance = FindInstance(key);
    if (!instance)
        return 0;
    const int index = SetIndex(setIndex);
    for (const SetEntry& s : ReadContainer(BufferText(buffer, bufferSize)))
        if (s.Index == index)
            instance->LoadBlock(s.Block);
    instance->UpdateAll();
    return instance->Count();
}

GLOSA32_EXPORT int32_t RemoveAnnotation(intptr_t key, int32_t setIndex, const char* fileName)
{
    return OnFile(key, fileName, [&](SetList& sets) { RemoveSet(sets, SetIndex(setIndex)); });
}

GLOSA32_EXPORT int32_t StreamRemoveAnnotation(intptr_t key, int32_t setIndex, char* buffer,
                                              int32_t bufferSize)
{
    return OnBuffer(key, buffer, bufferSize,
                    [&](SetList& sets) { RemoveSet(sets, SetIndex(setIndex)); });
}

GLOSA32_EXPORT int32_t InsertAnnotation(intptr_t key, int32_t setIndex, const char* fileName)
{
    return OnFile(key, fileName, [&](SetList& sets) { InsertRoom(sets, SetIndex(setIndex)); });
}

GLOSA32_EXPORT int32_t StreamInsertAnnotation(intptr_t key, int32_t setIndex, char* buffer,
                                              int32_t bufferSize)
{
    return OnBuffer(key, buffer, bufferSize,
                    [&](SetList& sets) { InsertRoom(sets, SetIndex(setIndex)); });
}

GLOSA32_EXPORT int32_t ExchangeAnnotation(intptr_t key, int32_t setIndex1, int32_t setIndex2,
                                          const char* fileName)
{
    return OnFile(key, fileName, [&](SetList& sets) {
        ExchangeSets(sets, SetIndex(setIndex1), SetIndex(setIndex2));
    });
}

GLOSA32_EXPORT int32_t StreamExchangeAnnotation(intptr_t key, int32_t setIndex1, int32_t setIndex2,
                                                char* buffer, int32_t bufferSize)
{
    return OnBuffer(key, buffer, bufferSize, [&](SetList& sets) {
        ExchangeSets(sets, SetIndex(setIndex1), SetIndex(setIndex2));
    });
}

GLOSA32_EXPORT int32_t CopyAnnotation(intptr_t key, int32_t sourceIndex, const char* sourceFileName,
                                      int32_t targetIndex, const char* targetFileName)
{
    const AnnotationInstance* instance = FindInstance(key);
    if (!instance || !sourceFileName || !targetFileName ||
        std::strcmp(sourceFileName, targetFileName) == 0)
        return 0;
    std::string source, target;
    if (ReadContainerFile(sourceFileName, source, instance->Window) != FileRead::Done ||
        source.size() < MinContainerLength ||
        ReadContainerFile(targetFileName, target, instance->Window) != FileRead::Done ||
        target.size() < MinContainerLength)
        return 0;
    const SetList from = ReadContainer(source);
    SetList to = ReadContainer(target);
    if (!CopySet(from, SetIndex(sourceIndex), to, SetIndex(targetIndex)))
        return 0;
    const std::string out = WriteContainer(to);
    if (!WriteContainerFile(targetFileName, out))
        return -1;
    return Length(out);
}

GLOSA32_EXPORT int32_t StreamCopyAnnotation(intptr_t key, int32_t sourceIndex,
                                            const char* sourceBuffer, int32_t sourceSize,
                                            int32_t targetIndex, char* targetBuffer,
                                            int32_t targetSize)
{
    if (!FindInstance(key))
        return 0;
    const std::string_view source = BufferText(sourceBuffer, sourceSize);
    const std::string_view target = BufferText(targetBuffer, targetSize);
    if (source.size() < MinContainerLength || target.size() < MinContainerLength)
        return 0;
    const SetList from = ReadContainer(source);
    SetList to = ReadContainer(target);
    if (!CopySet(from, SetIndex(sourceIndex), to, SetIndex(targetIndex)))
        return 0;
    return PutBuffer(targetBuffer, targetSize, WriteContainer(to));
}

GLOSA32_EXPORT int32_t CreateRectangle(intptr_t key, int32_t x, int32_t y, int32_t width,
                                       int32_t height, int32_t lineWidth, int32_t lineStyle,
                                       int32_t fillMode, int32_t fillPattern,
                                       uint32_t foregroundColour, uint32_t backgroundColour)
{
    return Create(key,
                  Format("%d %d %d %d %d %d %d %d %X %X", ShiftX(key, x), ShiftY(key, y), width,
                         height, lineWidth, lineStyle, fillMode, fillPattern, foregroundColour,
                         backgroundColour),
                  KindRectangle);
}

GLOSA32_EXPORT int32_t CreateEllipse(intptr_t key, int32_t x, int32_t y, int32_t width,
                                     int32_t height, int32_t lineWidth, int32_t lineStyle,
                                     int32_t fillMode, int32_t fillPattern,
                                     uint32_t foregroundColour, uint32_t backgroundColour)
{
    return Create(key,
                  Format("%d %d %d %d %d %d %d %d %X %X", ShiftX(key, x), ShiftY(key, y), width,
                         height, lineWidth, lineStyle, fillMode, fillPattern, foregroundColour,
                         backgroundColour),
                  KindEllipse);
}

GLOSA32_EXPORT int32_t CreateHilite(intptr_t key, int32_t x, int32_t y, int32_t width,
                                    int32_t height, uint32_t colour)
{
    return Create(key,
                  Format("%d %d %d %d %X", ShiftX(key, x), ShiftY(key, y), width, height, colour),
                  KindHilite);
}

GLOSA32_EXPORT int32_t CreateLine(intptr_t key, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                  int32_t lineWidth, int32_t lineStyle, uint32_t foregroundColour)
{
    return Create(key,
                  Format("%d %d %d %d %d %d %X", ShiftX(key, x1), ShiftY(key, y1), ShiftX(key, x2),
                         ShiftY(key, y2), lineWidth, lineStyle, foregroundColour),
                  KindLine);
}

GLOSA32_EXPORT int32_t CreatePointer(intptr_t key, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                     int32_t lineWidth, int32_t lineStyle,
                                     uint32_t foregroundColour)
{
    return Create(key,
                  Format("%d %d %d %d %d %d %X", ShiftX(key, x1), ShiftY(key, y1), ShiftX(key, x2),
                         ShiftY(key, y2), lineWidth, lineStyle, foregroundColour),
                  KindPointer);
}

GLOSA32_EXPORT int32_t CreatePolyline(intptr_t key, const int32_t* xs, const int32_t* ys,
                                      int32_t count, int32_t lineWidth, int32_t lineStyle,
                                      uint32_t foregroundColour)
{
    return CreateOpenNodes(key, xs, ys, count, lineWidth, lineStyle, foregroundColour,
                           KindPolyline);
}

GLOSA32_EXPORT int32_t CreateFreehand(intptr_t key, const int32_t* xs, const int32_t* ys,
                                      int32_t count, int32_t lineWidth, int32_t lineStyle,
                                      uint32_t foregroundColour)
{
    return CreateOpenNodes(key, xs, ys, count, lineWidth, lineStyle, foregroundColour,
                           KindFreehand);
}

GLOSA32_EXPORT int32_t CreatePolygon(intptr_t key, const int32_t* xs, const int32_t* ys,
                                     int32_t count, int32_t lineWidth, int32_t lineStyle,
                                     int32_t fillMode, int32_t fillPattern,
                                     uint32_t foregroundColour, uint32_t backgroundColour)
{
    count = (xs && ys) ? std::max(count, 0) : 0;
    return Create(key,
                  Format("%d %d %d %d %d %X %X ", count, lineWidth, lineStyle, fillMode,
                         fillPattern, foregroundColour, backgroundColour) +
                      Nodes(key, xs, ys, count),
                  KindPolygon);
}

GLOSA32_EXPORT int32_t CreateImage(intptr_t key, int32_t x, int32_t y, int32_t width,
                                   int32_t height, uint32_t colour, const char* imageFileName)
{
    return Create(key,
                  Format("%d %d %d %d %X %s", ShiftX(key, x), ShiftY(key, y), width, height, colour,
                         Str(imageFileName).c_str()),
                  KindImage);
}

namespace {

int32_t CreateText(intptr_t key, Kind kind, const char* text, int32_t x, int32_t y, int32_t width,
                   int32_t height, uint32_t background, uint32_t fontBackground,
                   uint32_t textColour, const char* faceName, int32_t fontHeight)
{
    std::string t = Str(text);
    for (char& c : t) {
        if (c == '\n')
            c = kind == KindNotes ? '\x01' : ' ';
        else if (c == '\r' || c == '\a')
            c = ' ';
    }
    std::string face = Str(faceName);
    for (char& c : face)
        if (c == '\n' || c == '\r' || c == '\a')
            c = ' ';
    return Create(key,
                  Format("0 %d %d %d %d %X %X %X %d 0 0 0 0 0 0 0 0 0 0 0 0 \a%s\a%s",
                         ShiftX(key, x), ShiftY(key, y), width, height, background, fontBackground,
                         textColour, fontHeight, face.c_str(), t.c_str()),
                  kind);
}

} // namespace

GLOSA32_EXPORT int32_t CreateLabel(intptr_t key, const char* text, int32_t x, int32_t y,
                                   int32_t width, int32_t height, uint32_t backgroundColour,
                                   uint32_t fontBackgroundColour, uint32_t textColour,
                                   const char* faceName, int32_t fontHeight)
{
    return CreateText(key, KindLabel, text, x, y, width, height, backgroundColour,
                      fontBackgroundColour, textColour, faceName, fontHeight);
}

GLOSA32_EXPORT int32_t CreateNotes(intptr_t key, const char* text, int32_t x, int32_t y,
                                   int32_t width, int32_t height, uint32_t backgroundColour,
                                   uint32_t fontBackgroundColour, uint32_t textColour,
                                   const char* faceName, int32_t fontHeight)
{
    return CreateText(key, KindNotes, text, x, y, width, height, backgroundColour,
                      fontBackgroundColour, textColour, faceName, fontHeight);
}

GLOSA32_EXPORT int32_t CreateStamp(intptr_t key, int32_t x, int32_t y, const char* stampName)
{
    std::string name = Str(stampName);
    for (char& c : name)
        if (c == '\n' || c == '\r' || c == '\a')
            c = ' ';
    return Create(key, Format("%d %d \a%s\a", ShiftX(key, x), ShiftY(key, y), name.c_str()),
                  KindStamp);
}
