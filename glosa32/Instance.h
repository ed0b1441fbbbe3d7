#pragma once

// One host window's annotation layer: its objects in stacking order, the view transform, and
// the state of the mouse interaction. Instances are kept in a table of 10 slots by key.

#include "glosa32/Objects.h"
#include "glosa32/glosa32.h"

#include <QCursor>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QMenu;

namespace Tonlyra::Glosa {

constexpr int MaxObjects = 300;
constexpr int MaxInstances = 10;

// Mouse messages and their lParam packing.
constexpr int MouseMove = 512;
constexpr int LeftDown = 513;
constexpr int LeftUp = 514;
constexpr int RightDown = 516;
constexpr int RightUp = 517;

struct AnnotationEntry
{
    std::unique_ptr<AObject> Object;
    Kind ObjectKind = KindNone;
    int Id = 0;
};

class AnnotationInstance
{
public:
    intptr_t Key = 0;
    QPointer<QWidget> Window;
    intptr_t NotifyValue = 0;
    GlosaNotify Notify = nullptr;
    std::string StampLibraryPath;

    // Interaction state.
    Kind CreationKind = KindNone;
    AObject* CreationObject = nullptr;
    std::optional<QCursor> SavedCursor;
    AObject* Selected = nullptr;
    Kind MoveKind = KindNone;
    Kind ResizeKind = KindNone;
    Kind NodeEditKind = KindNone;
    bool NodeDrag = false;
    Kind MenuKind = KindNone;
    QPointer<QMenu> LastMenu;
    QPoint LastMenuPoint;

    std::vector<AnnotationEntry> Entries;
    ViewTransform View;
    int ClipInset = 0;

    // Objects.
    int Count() const { return static_cast<int>(Entries.size()); }
    // Appends an object on top with a new id; -1 when the list is full.
    int Add(std::unique_ptr<AObject> object);
    int IndexOf(const AObject* object) const;
    int IndexOfId(int id) const;
    void DeleteAt(int index);
    // Deletes every object; repaint asks the window to repaint afterwards.
    void Clear(bool repaint);
    void BringToFront();
    void SendToBack();
    void EndSelection();
    BuildContext Context() const { return {StampLibraryPath, Window.data()}; }

    // Containers: the block of the current objects, and building objects from a block
    // (appended; returns how many were added).
    std::string Block() const;
    int LoadBlock(std::string_view block);

    // Drawing.
    void Draw(QPainter& painter);
    void DrawInto(QImage& bitmap);
    void Update(const QRect& rect);
    void UpdateAll();
    void UpdateObject(const AObject* object, int margin = 0);

    // Interaction.
    void Mouse(int message, QPoint p);
    void Command(int id);
    void EndRubberBand();

private:
    void EndCreation(QPoint p);
    void StartCreation(Kind kind);
    void SetCursor(Qt::CursorShape shape);
    void ShowObjectMenu(QPoint p);
    void ShowNodeMenu(QPoint p, bool onNode);
    void ShowNewMenu(QPoint p);
    void PopUp(QMenu* menu, QPoint p);
    QMenu* NewMenu();
    // The colour chooser; nothing when cancelled.
    std::optional<ColorRef> ChooseColor(ColorRef current);
    bool Alive(const AObject* object) const { return IndexOf(object) >= 0; }
    void ObjectCommand(int id);
};

// The instance registered for key, or null.
AnnotationInstance* FindInstance(intptr_t key);
// The same, kept alive for a call that may run a modal dialog (during which the host may
// destroy the instance: its objects are then gone and the call changes nothing).
std::shared_ptr<AnnotationInstance> HoldInstance(intptr_t key);
// Registers key (resetting an existing registration); null when all slots are taken.
AnnotationInstance* RegisterInstance(intptr_t key);
void UnregisterInstance(intptr_t key);

// Menu commands come back here from the popup menus.
void DispatchMenuCommand(intptr_t key, int id);

} // namespace Tonlyra::Glosa
