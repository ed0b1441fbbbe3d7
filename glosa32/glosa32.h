#pragma once

// glosa32: annotations over a picture shown in a host window.
//
// The library is loaded by name at run time (dlopen "libglosa32.so") and its entry points are
// fetched by name (dlsym); nothing else is exported. Every function is called on the host's GUI
// thread, and calls must not overlap.
//
// Instances. A host registers one instance per window with InitAnnotation under a key of its
// choosing (usually its own address) and passes that key first to every other call. A key that
// is not registered makes every function do nothing and return 0. At most 10 instances live at
// once.
//
// Coordinates. Objects live in picture ("image") coordinates. The view transform given to
// DrawAnnotation maps image point (X, Y) to the window point
// (trunc((X - originX) * zoom + offsetX), trunc((Y - originY) * zoom + offsetY)).
//
// Containers. Annotation sets are kept in a text container, one set per picture page (set
// index 0..99), either in a file (lines end in CR LF on disk) or in a character buffer owned by
// the host (lines end in LF). The Stream functions take the buffer's size in bytes, the final
// NUL included: they never read or write beyond it. When the new text would not fit, the buffer
// is left untouched and the result is the negated number of bytes needed (NUL included), so the
// host can grow the buffer and call again.
//
// Types: the host's window is a QWidget*, a drawing surface a QPainter*, a bitmap a QImage*;
// C callers see them as void*.

#include <stdint.h>

#if defined(__cplusplus)
class QWidget;
class QPainter;
class QImage;
using GlosaWindow = QWidget*;
using GlosaPainter = QPainter*;
using GlosaBitmap = QImage*;
#define GLOSA32_EXTERN_C extern "C"
#else
typedef void* GlosaWindow;
typedef void* GlosaPainter;
typedef void* GlosaBitmap;
#define GLOSA32_EXTERN_C
#endif

#define GLOSA32_EXPORT GLOSA32_EXTERN_C __attribute__((visibility("default")))

// Called with the notify value each time the user finishes creating an object with the mouse.
typedef void (*GlosaNotify)(intptr_t notifyValue);

// --- Instances -------------------------------------------------------------------------------

// Registers an instance for key. window may be null: then everything but drawing and menus
// works. stampLibraryPath is the stamp library file (copied). A key that is already registered
// is reset (its objects are deleted) and takes the new arguments. With 10 instances live,
// nothing is registered.
GLOSA32_EXPORT void InitAnnotation(intptr_t key, GlosaWindow window, intptr_t notifyValue,
                                   GlosaNotify notify, const char* stampLibraryPath);
// Deletes the instance's objects and frees its slot.
GLOSA32_EXPORT void DestroyAnnotation(intptr_t key);
// Deletes every object and repaints the window.
GLOSA32_EXPORT void ClearAnnotation(intptr_t key);
// The number of objects of the instance.
GLOSA32_EXPORT int32_t IsAnnotation(intptr_t key);

// --- Drawing ---------------------------------------------------------------------------------

// Stores the view transform and draws every object, bottom first, with the selection handles,
// node markers and drag outlines over them. Call from the window's paint event after the
// picture, with the painter of that paint. A null painter asks the window to repaint. The
// window area right and below of (width - clipInset, height - clipInset) is not drawn on.
// Only the low 16 bits of offsetX and offsetY are used.
GLOSA32_EXPORT void DrawAnnotation(intptr_t key, double zoom, int32_t originX, int32_t originY,
                                   int32_t offsetX, int32_t offsetY, int32_t clipInset,
                                   GlosaPainter painter);
// Draws every object into bitmap at picture scale (no zoom, no origin).
GLOSA32_EXPORT void HardDrawAnnotation(intptr_t key, GlosaBitmap bitmap);

// --- Interaction -----------------------------------------------------------------------------

// A mouse message of the window: 512 move, 513 left down, 514 left up, 516 right down,
// 517 right up; lParam holds x in its low and y in its high 16 bits (window coordinates).
GLOSA32_EXPORT void MouseMon(intptr_t key, int32_t message, int32_t wParam, int32_t lParam);
// A command of the library's popup menus (the menus deliver their commands here themselves).
GLOSA32_EXPORT void MenuMsg(intptr_t key, int32_t commandId);
// Ends the selection (the host leaves editing).
GLOSA32_EXPORT void RubberBandOFF(intptr_t key);
// Deletes the object with the given id.
GLOSA32_EXPORT void DeleteByIndex(intptr_t key, int32_t id);

// --- Containers ------------------------------------------------------------------------------

// Writes the objects as set setIndex of the file, keeping its other sets. Returns the length
// of the container text; 0 when no set is left (the file is then deleted); -1 when the file
// cannot be read or written.
GLOSA32_EXPORT int32_t SaveAnnotation(intptr_t key, int32_t setIndex, const char* fileName);
// Replaces the objects by those of set setIndex of the file. Returns the number of objects.
GLOSA32_EXPORT int32_t LoadAnnotation(intptr_t key, int32_t setIndex, const char* fileName);
GLOSA32_EXPORT int32_t StreamSaveAnnotation(intptr_t key, int32_t setIndex, char* buffer,
                                            int32_t bufferSize);
// Appends the objects of set setIndex of the buffer to the instance's objects.
GLOSA32_EXPORT int32_t StreamLoadAnnotation(intptr_t key, int32_t setIndex, const char* buffer,
                                            int32_t bufferSize);
// Deletes set setIndex; the sets above it move down by one. Returns the new length, 0 when the
// container holds no set or none is left.
GLOSA32_EXPORT int32_t RemoveAnnotation(intptr_t key, int32_t setIndex, const char* fileName);
GLOSA32_EXPORT int32_t StreamRemoveAnnotation(intptr_t key, int32_t setIndex, char* buffer,
                                              int32_t bufferSize);
// Makes room at setIndex: the sets at or above it move up by one.
GLOSA32_EXPORT int32_t InsertAnnotation(intptr_t key, int32_t setIndex, const char* fileName);
GLOSA32_EXPORT int32_t StreamInsertAnnotation(intptr_t key, int32_t setIndex, char* buffer,
                                              int32_t bufferSize);
// Swaps the indexes of two sets.
GLOSA32_EXPORT int32_t ExchangeAnnotation(intptr_t key, int32_t setIndex1, int32_t setIndex2,
                                          const char* fileName);
GLOSA32_EXPORT int32_t StreamExchangeAnnotation(intptr_t key, int32_t setIndex1, int32_t setIndex2,
                                                char* buffer, int32_t bufferSize);
// Inserts a copy of a set of one container into another at targetIndex.
GLOSA32_EXPORT int32_t CopyAnnotation(intptr_t key, int32_t sourceIndex, const char* sourceFileName,
                                      int32_t targetIndex, const char* targetFileName);
GLOSA32_EXPORT int32_t StreamCopyAnnotation(intptr_t key, int32_t sourceIndex,
                                            const char* sourceBuffer, int32_t sourceSize,
                                            int32_t targetIndex, char* targetBuffer,
                                            int32_t targetSize);

// --- Making objects from values ----------------------------------------------------------------
// Positions are window coordinates shifted into the picture by the origin and offset of the
// last DrawAnnotation (no zoom applied); sizes are taken as given. Colours are 0x00BBGGRR.
// Each returns the new object's id (ids start at 0), 0 for an unknown key, and -1 when the
// instance already holds 300 objects.

GLOSA32_EXPORT int32_t CreateRectangle(intptr_t key, int32_t x, int32_t y, int32_t width,
                                       int32_t height, int32_t lineWidth, int32_t lineStyle,
                                       int32_t fillMode, int32_t fillPattern,
                                       uint32_t foregroundColour, uint32_t backgroundColour);
GLOSA32_EXPORT int32_t CreateEllipse(intptr_t key, int32_t x, int32_t y, int32_t width,
                                     int32_t height, int32_t lineWidth, int32_t lineStyle,
                                     int32_t fillMode, int32_t fillPattern,
                                     uint32_t foregroundColour, uint32_t backgroundColour);
GLOSA32_EXPORT int32_t CreateHilite(intptr_t key, int32_t x, int32_t y, int32_t width,
                                    int32_t height, uint32_t colour);
GLOSA32_EXPORT int32_t CreateLine(intptr_t key, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                  int32_t lineWidth, int32_t lineStyle, uint32_t foregroundColour);
GLOSA32_EXPORT int32_t CreatePointer(intptr_t key, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                     int32_t lineWidth, int32_t lineStyle,
                                     uint32_t foregroundColour);
GLOSA32_EXPORT int32_t CreatePolyline(intptr_t key, const int32_t* xs, const int32_t* ys,
                                      int32_t count, int32_t lineWidth, int32_t lineStyle,
                                      uint32_t foregroundColour);
GLOSA32_EXPORT int32_t CreateFreehand(intptr_t key, const int32_t* xs, const int32_t* ys,
                                      int32_t count, int32_t lineWidth, int32_t lineStyle,
                                      uint32_t foregroundColour);
GLOSA32_EXPORT int32_t CreatePolygon(intptr_t key, const int32_t* xs, const int32_t* ys,
                                     int32_t count, int32_t lineWidth, int32_t lineStyle,
                                     int32_t fillMode, int32_t fillPattern,
                                     uint32_t foregroundColour, uint32_t backgroundColour);
GLOSA32_EXPORT int32_t CreateImage(intptr_t key, int32_t x, int32_t y, int32_t width,
                                   int32_t height, uint32_t colour, const char* imageFileName);
GLOSA32_EXPORT int32_t CreateLabel(intptr_t key, const char* text, int32_t x, int32_t y,
                                   int32_t width, int32_t height, uint32_t backgroundColour,
                                   uint32_t fontBackgroundColour, uint32_t textColour,
                                   const char* faceName, int32_t fontHeight);
GLOSA32_EXPORT int32_t CreateNotes(intptr_t key, const char* text, int32_t x, int32_t y,
                                   int32_t width, int32_t height, uint32_t backgroundColour,
                                   uint32_t fontBackgroundColour, uint32_t textColour,
                                   const char* faceName, int32_t fontHeight);
GLOSA32_EXPORT int32_t CreateStamp(intptr_t key, int32_t x, int32_t y, const char* stampName);
