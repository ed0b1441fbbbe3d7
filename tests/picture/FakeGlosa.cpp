// A stand-in for the annotation library that lacks LoadAnnotation and records the calls it
// gets, so that tests can see what the picture component sends it.

#include "glosa32/glosa32.h"

#include <string>

namespace {
std::string Log;
void Record(const std::string& call)
{
    Log += call;
    Log += '\n';
}
} // namespace

GLOSA32_EXPORT const char* FakeGlosaLog()
{
    return Log.c_str();
}
GLOSA32_EXPORT void FakeGlosaReset()
{
    Log.clear();
}

GLOSA32_EXPORT void InitAnnotation(intptr_t, GlosaWindow, intptr_t, GlosaNotify, const char*)
{
    Record("InitAnnotation");
}
GLOSA32_EXPORT void DestroyAnnotation(intptr_t)
{
    Record("DestroyAnnotation");
}
GLOSA32_EXPORT void ClearAnnotation(intptr_t)
{
    Record("ClearAnnotation");
}
GLOSA32_EXPORT int32_t IsAnnotation(intptr_t)
{
    return 0;
}
GLOSA32_EXPORT void DrawAnnotation(intptr_t, double, int32_t, int32_t, int32_t, int32_t, int32_t,
                                   GlosaPainter)
{}
GLOSA32_EXPORT void HardDrawAnnotation(intptr_t, GlosaBitmap) {}
GLOSA32_EXPORT void MouseMon(intptr_t, int32_t message, int32_t, int32_t lParam)
{
    Record("MouseMon " + std::to_string(message) + " " + std::to_string(lParam & 0xFFFF) + "," +
           std::to_string((lParam >> 16) & 0xFFFF));
}
GLOSA32_EXPORT void MenuMsg(intptr_t, int32_t commandId)
{
    Record("MenuMsg " + std::to_string(commandId));
}
GLOSA32_EXPORT void RubberBandOFF(intptr_t)
{
    Record("RubberBandOFF");
}
GLOSA32_EXPORT void DeleteByIndex(intptr_t, int32_t) {}
GLOSA32_EXPORT int32_t SaveAnnotation(intptr_t, int32_t, const char* fileName)
{
    Record(std::string("SaveAnnotation ") + fileName);
    return 0;
}
GLOSA32_EXPORT int32_t StreamSaveAnnotation(intptr_t, int32_t, char*, int32_t)
{
    return 0;
}
GLOSA32_EXPORT int32_t StreamLoadAnnotation(intptr_t, int32_t, const char*, int32_t)
{
    return 0;
}
GLOSA32_EXPORT int32_t RemoveAnnotation(intptr_t, int32_t, const char*)
{
    return 0;
}
GLOSA32_EXPORT int32_t StreamRemoveAnnotation(intptr_t, int32_t, char*, int32_t)
{
    return 0;
}
GLOSA32_EXPORT int32_t InsertAnnotation(intptr_t, int32_t, const char*)
{
    return 0;
}
GLOSA32_EXPORT int32_t StreamInsertAnnotation(intptr_t, int32_t, char*, int32_t)
{
    return 0;
}
GLOSA32_EXPORT int32_t ExchangeAnnotation(intptr_t, int32_t, int32_t, const char*)
{
    return 0;
}
GLOSA32_EXPORT int32_t StreamExchangeAnnotation(intptr_t, int32_t, int32_t, char*, int32_t)
{
    return 0;
}
GLOSA32_EXPORT int32_t CopyAnnotation(intptr_t, int32_t, const char*, int32_t, const char*)
{
    return 0;
}
GLOSA32_EXPORT int32_t StreamCopyAnnotation(intptr_t, int32_t, const char*, int32_t, int32_t, char*,
                                            int32_t)
{
    return 0;
}
GLOSA32_EXPORT int32_t CreateRectangle(intptr_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                       int32_t, int32_t, int32_t, uint32_t, uint32_t)
{
    return 0;
}
GLOSA32_EXPORT int32_t CreateEllipse(intptr_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                     int32_t, int32_t, uint32_t, uint32_t)
{
    return 0;
}
GLOSA32_EXPORT int32_t CreateHilite(intptr_t, int32_t, int32_t, int32_t, int32_t, uint32_t)
{
    return 0;
}
GLOSA32_EXPORT int32_t CreateLine(intptr_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                  uint32_t)
{
    return 0;
}
GLOSA32_EXPORT int32_t CreatePointer(intptr_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                     uint32_t)
{
    return 0;
}
GLOSA32_EXPORT int32_t CreatePolyline(intptr_t, const int32_t*, const int32_t*, int32_t, int32_t,
                                      int32_t, uint32_t)
{
    return 0;
}
GLOSA32_EXPORT int32_t CreateFreehand(intptr_t, const int32_t*, const int32_t*, int32_t, int32_t,
                                      int32_t, uint32_t)
{
    return 0;
}
GLOSA32_EXPORT int32_t CreatePolygon(intptr_t, const int32_t*, const int32_t*, int32_t, int32_t,
                                     int32_t, int32_t, int32_t, uint32_t, uint32_t)
{
    return 0;
}
GLOSA32_EXPORT int32_t CreateImage(intptr_t, int32_t, int32_t, int32_t, int32_t, uint32_t,
                                   const char*)
{
    return 0;
}
GLOSA32_EXPORT int32_t CreateLabel(intptr_t, const char*, int32_t, int32_t, int32_t, int32_t,
                                   uint32_t, uint32_t, uint32_t, const char*, int32_t)
{
    return 0;
}
GLOSA32_EXPORT int32_t CreateNotes(intptr_t, const char*, int32_t, int32_t, int32_t, int32_t,
                                   uint32_t, uint32_t, uint32_t, const char*, int32_t)
{
    return 0;
}
GLOSA32_EXPORT int32_t CreateStamp(intptr_t, int32_t, int32_t, const char*)
{
    return 0;
}
