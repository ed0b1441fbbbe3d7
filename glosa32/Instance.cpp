#include "glosa32/Instance.h"

#include "glosa32/Container.h"
#include "glosa32/Dialogs.h"
#include "glosa32/TextTable.h"
#include "platform/UserPrompt.h"

#include <QDir>
#include <QMenu>
#include <QPainter>

#include <algorithm>
#include <array>

namespace Tonlyra::Glosa {

namespace {

struct Slot
{
    bool InUse = false;
    intptr_t Key = 0;
    std::shared_ptr<AnnotationInstance> Instance;
};

std::array<Slot, MaxInstances>& Slots()
{
    static std::array<Slot, MaxInstances> table;
    return table;
}

const char* MenuKey(Kind kind)
{
    static const char* names[] = {"",        "Rectangle", "Hilite",     "Line",    "Pointer",
                                  "Ellipse", "Polyline",  "Freehand",   "Polygon", "Image",
                                  "Label",   "Notes",     "RubberStamp"};
    return kind >= 1 && kind <= 12 ? names[kind] : "";
}

APolyline* AsPoly(AObject* object)
{
    return object && object->IsPolyFamily() ? static_cast<APolyline*>(object) : nullptr;
}

ALabel* AsLabel(AObject* object)
{
    return object && (object->GetKind() == KindLabel || object->GetKind() == KindNotes)
               ? static_cast<ALabel*>(object)
               : nullptr;
}

} // namespace

AnnotationInstance* FindInstance(intptr_t key)
{
    for (Slot& s : Slots())
        if (s.InUse && s.Key == key)
            return s.Instance.get();
    return nullptr;
}

AnnotationInstance* RegisterInstance(intptr_t key)
{
    Slot* slot = nullptr;
    for (Slot& s : Slots()) {
        if (s.InUse && s.Key == key) {
            // Registering a key again starts it afresh.
            s.Instance->Clear(false);
            slot = &s;
            break;
        }
    }
    if (!slot) {
        for (Slot& s : Slots()) {
            if (!s.InUse) {
                slot = &s;
                break;
            }
        }
    }
    if (!slot)
        return nullptr;
    slot->InUse = true;
    slot->Key = key;
    slot->Instance = std::make_shared<AnnotationInstance>();
    slot->Instance->Key = key;
    return slot->Instance.get();
}

std::shared_ptr<AnnotationInstance> HoldInstance(intptr_t key)
{
    for (Slot& s : Slots())
        if (s.InUse && s.Key == key)
            return s.Instance;
    return nullptr;
}

void UnregisterInstance(intptr_t key)
{
    for (Slot& s : Slots()) {
        if (s.InUse && s.Key == key) {
            s.Instance->Clear(false);
            if (s.Instance->LastMenu)
                s.Instance->LastMenu->deleteLater();
            s.Instance.reset();
            s.InUse = false;
            s.Key = 0;
            return;
        }
    }
}

void DispatchMenuCommand(intptr_t key, int id)
{
    if (const std::shared_ptr<AnnotationInstance> instance = HoldInstance(key))
        instance->Command(id & 0xFFFF);
}

// ---- Objects -----------------------------------------------------------------------------

int AnnotationInstance::Add(std::unique_ptr<AObject> object)
{
    if (!object || Count() >= MaxObjects)
        return -1;
    int id = 0;
    for (const AnnotationEntry& e : Entries)
        id = std::max(id, e.Id + 1);
    const Kind kind = object->GetKind();
    Entries.push_back({std::move(object), kind, id});
    return id;
}

int AnnotationInstance::IndexOf(const AObject* object) const
{
    for (int i = 0; i < Count(); ++i)
        if (Entries[static_cast<std::size_t>(i)].Object.get() == object)
            return i;
    return -1;
}

int AnnotationInstance::IndexOfId(int id) const
{
    for (int i = 0; i < Count(); ++i)
        if (Entries[static_cast<std::size_t>(i)].Id == id)
            return i;
    return -1;
}

void AnnotationInstance::EndSelection()
{
    Selected = nullptr;
    MoveKind = ResizeKind = NodeEditKind = KindNone;
    NodeDrag = false;
}

void AnnotationInstance::DeleteAt(int index)
{
    if (index < 0 || index >= Count())
        return;
    AObject* object = Entries[static_cast<std::size_t>(index)].Object.get();
    if (object == Selected)
        EndSelection();
    if (object == CreationObject) {
        CreationObject = nullptr;
        CreationKind = KindNone;
        if (SavedCursor && Window)
            Window->setCursor(*SavedCursor);
        SavedCursor.reset();
    }
    Entries.erase(Entries.begin() + index);
    UpdateAll();
}

void AnnotationInstance::Clear(bool repaint)
{
    while (!Entries.empty()) {
        AnnotationEntry& e = Entries.back();
        e.Object->Complete = false;
        UpdateObject(e.Object.get());
        Entries.pop_back();
    }
    if (SavedCursor && Window)
        Window->setCursor(*SavedCursor);
    SavedCursor.reset();
    CreationKind = KindNone;
    CreationObject = nullptr;
    EndSelection();
    if (repaint)
        UpdateAll();
}

void AnnotationInstance::BringToFront()
{
    const int i = IndexOf(Selected);
    if (i < 0)
        return;
    std::rotate(Entries.begin() + i, Entries.begin() + i + 1, Entries.end());
    UpdateAll();
}

void AnnotationInstance::SendToBack()
{
    const int i = IndexOf(Selected);
    if (i < 0)
        return;
    std::rotate(Entries.begin(), Entries.begin() + i, Entries.begin() + i + 1);
    UpdateAll();
}

std::string AnnotationInstance::Block() const
{
    std::string block;
    for (const AnnotationEntry& e : Entries)
        block += BlockLine(e.Object->Serialize());
    return block;
}

int AnnotationInstance::LoadBlock(std::string_view block)
{
    int added = 0;
    const BuildContext context = Context();
    for (const Record& r : ParseBlock(block)) {
        if (Count() >= MaxObjects)
            break;
        std::unique_ptr<AObject> object = BuildObject(r.Tag, r.Fields, context);
        if (!object)
            continue; // an unknown tag is skipped
        if (Add(std::move(object)) >= 0)
            ++added;
    }
    return added;
}

// ---- Drawing -----------------------------------------------------------------------------

void AnnotationInstance::Update(const QRect& rect)
{
    if (Window && !rect.isEmpty())
        Window->update(rect);
}

void AnnotationInstance::UpdateAll()
{
    if (Window)
        Window->update();
}

void AnnotationInstance::UpdateObject(const AObject* object, int margin)
{
    if (object)
        Update(object->AreaRect(View, margin));
}

void AnnotationInstance::Draw(QPainter& painter)
{
    painter.save();
    if (Window) {
        const QSize size = Window->frameGeometry().size();
        painter.setClipRect(QRect(0, 0, size.width() - ClipInset, size.height() - ClipInset));
    }
    for (const AnnotationEntry& e : Entries) {
        // A box or line still being placed shows only its drag outline.
        if (e.Object->Complete || e.Object->IsPolyFamily()) {
            painter.save();
            e.Object->Draw(painter, View);
            painter.restore();
        }
        if (e.Object.get() != Selected)
            continue;
        painter.save();
        if (NodeEditKind != KindNone && AsPoly(Selected)) {
            AsPoly(Selected)->DrawNodes(painter, View);
        } else {
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            for (const QRect& square : Selected->HandleSquares(View))
                painter.fillRect(square, Qt::white);
        }
        painter.restore();
    }
    for (AObject* dragged : {CreationObject, Selected}) {
        if (dragged && dragged->Mode != DragMode::None) {
            painter.save();
            dragged->DrawDrag(painter, View);
            painter.restore();
        }
    }
    painter.restore();
}

void AnnotationInstance::DrawInto(QImage& bitmap)
{
    QPainter painter(&bitmap);
    for (const AnnotationEntry& e : Entries) {
        painter.save();
        e.Object->DrawInto(painter);
        painter.restore();
    }
}

// ---- Interaction -------------------------------------------------------------------------

void AnnotationInstance::SetCursor(Qt::CursorShape shape)
{
    if (Window)
        Window->setCursor(shape);
}

void AnnotationInstance::StartCreation(Kind kind)
{
    if (CreationKind != KindNone)
        return;
    std::unique_ptr<AObject> object = MakeObject(kind);
    if (!object)
        return;
    AObject* raw = object.get();
    if (Add(std::move(object)) < 0)
        return;
    if (Window)
        SavedCursor = Window->cursor();
    SetCursor(Qt::CrossCursor);
    CreationKind = kind;
    CreationObject = raw;
}

void AnnotationInstance::EndCreation(QPoint p)
{
    AObject* object = CreationObject;
    const QRect old = object->DragRect(View);
    object->EndCreate(View, p);
    CreationKind = KindNone;
    CreationObject = nullptr;
    Update(old);
    if (object->GetKind() == KindImage) {
        const QString file = UserPrompt::OpenFileName(Window, QStringLiteral("Picture"),
                                                      ImageFileFilter(), QStringLiteral("BMP"),
                                                      QDir::currentPath(), QStringLiteral("*.bmp"));
        if (!file.isEmpty() && Alive(object)) {
            auto* image = static_cast<AImage*>(object);
            image->FileName = file.toLocal8Bit().toStdString();
            image->LoadPicture(Window, "Can not load BitMap");
        }
    } else if (object->GetKind() == KindStamp) {
        const std::optional<StampDefinition> chosen = RunStampDialog(Window, StampLibraryPath);
        if (chosen && Alive(object)) {
            static_cast<AStamp*>(object)->Apply(*chosen, Window);
        } else if (Alive(object)) {
            // No stamp chosen: an empty stamp would be invisible, so it is not kept.
            DeleteAt(IndexOf(object));
        }
    }
    if (Alive(object))
        UpdateObject(object);
    if (SavedCursor && Window)
        Window->setCursor(*SavedCursor);
    SavedCursor.reset();
    if (Notify)
        Notify(NotifyValue);
}

void AnnotationInstance::Mouse(int message, QPoint p)
{
    // 1. Editing the nodes of the selected polyline, freehand or polygon.
    if (NodeEditKind != KindNone) {
        if (APolyline* poly = AsPoly(Selected)) {
            if (NodeDrag) {
                const QRect old = poly->DragRect(View);
                if (message == MouseMove) {
                    SetCursor(Qt::CrossCursor);
                    poly->TrackNodeDrag(View, p);
                    Update(old.united(poly->DragRect(View)));
                } else if (message == LeftUp) {
                    const QRect area = poly->AreaRect(View, 0);
                    poly->EndNodeDrag(View, p);
                    NodeDrag = false;
                    Update(old.united(area).united(poly->AreaRect(View, 0)));
                }
                return;
            }
            if (message == LeftDown && poly->HitNode(View, p) >= 0) {
                poly->BeginNodeDrag(View, p);
                NodeDrag = true;
                Update(poly->DragRect(View));
                return;
            }
            if (message == RightDown) {
                if (poly->HitNode(View, p) >= 0) {
                    ShowNodeMenu(p, true);
                    return;
                }
                if (poly->HitSegment(View, p) >= 0) {
                    ShowNodeMenu(p, false);
                    return;
                }
            }
        }
    }

    // 2. Creating an object.
    if (CreationKind != KindNone && CreationObject) {
        AObject* object = CreationObject;
        const bool clickToEnd = CreationKind == KindPolyline || CreationKind == KindPolygon;
        const QRect old = object->DragRect(View);
        if (message == MouseMove) {
            object->TrackCreate(View, p);
        } else if (message == LeftDown) {
            object->BeginCreate(View, p);
        } else if ((clickToEnd && message == RightDown) || (!clickToEnd && message == LeftUp)) {
            // A release without a press (the menu's own click) does not end anything.
            if (object->Creating)
                EndCreation(p);
            return;
        } else {
            return;
        }
        Update(old.united(object->DragRect(View)));
        return;
    }

    // 3. and 4. Moving or resizing the selected object.
    if (Selected && (MoveKind != KindNone || ResizeKind != KindNone)) {
        const bool moving = MoveKind != KindNone;
        const QRect old = Selected->DragRect(View);
        if (message == MouseMove) {
            SetCursor(Qt::CrossCursor);
            if (moving)
                Selected->TrackMove(View, p);
            else
                Selected->TrackResize(View, p);
            Update(old.united(Selected->DragRect(View)));
        } else if (message == LeftUp) {
            UpdateObject(Selected);
            if (moving)
                Selected->EndMove(View, p);
            else
                Selected->EndResize(View, p);
            MoveKind = ResizeKind = KindNone;
            Update(old);
            UpdateObject(Selected);
        }
        return;
    }

    // 5. An object is selected.
    if (Selected) {
        const int handle = Selected->HitHandle(View, p);
        if (message == MouseMove && handle > 0) {
            SetCursor(Qt::CrossCursor);
            return;
        }
        if (message == LeftDown) {
            if (handle > 0) {
                const bool fixed =
                    Selected->GetKind() == KindStamp || (AsLabel(Selected) && Selected->Iconic);
                if (!fixed) {
                    SetCursor(Qt::CrossCursor);
                    ResizeKind = Selected->GetKind();
                    Selected->BeginResize(View, p, handle);
                    Update(Selected->DragRect(View));
                }
                return;
            }
            if (Selected->HitTestSelected(View, p)) {
                SetCursor(Qt::CrossCursor);
                MoveKind = Selected->GetKind();
                Selected->BeginMove(View, p);
                Update(Selected->DragRect(View));
                return;
            }
            AObject* was = Selected;
            EndSelection();
            UpdateObject(was);
            return;
        }
        if (message == RightDown) {
            if (Selected->HitTestSelected(View, p)) {
                MenuKind = Selected->GetKind();
                ShowObjectMenu(p);
            }
            return;
        }
    }

    // 6. Nothing selected.
    SetCursor(Qt::ArrowCursor);
    if (message == LeftDown) {
        for (int i = Count() - 1; i >= 0; --i) {
            AObject* object = Entries[static_cast<std::size_t>(i)].Object.get();
            if (object->HitTest(View, p)) {
                Selected = object;
                object->ComputeHandles();
                UpdateObject(object);
                return;
            }
        }
    } else if (message == RightDown) {
        ShowNewMenu(p);
    }
}

void AnnotationInstance::EndRubberBand()
{
    if (!Selected)
        return;
    AObject* was = Selected;
    EndSelection();
    UpdateObject(was);
}

// ---- Menus -------------------------------------------------------------------------------

void AnnotationInstance::PopUp(QMenu* menu, QPoint p)
{
    if (LastMenu)
        LastMenu->deleteLater();
    LastMenu = menu;
    LastMenuPoint = p;
    const intptr_t key = Key;
    for (QAction* action : menu->findChildren<QAction*>()) {
        if (action->data().isValid())
            QObject::connect(action, &QAction::triggered, menu,
                             [key, id = action->data().toInt()] { DispatchMenuCommand(key, id); });
    }
    menu->popup(Window->mapToGlobal(p));
}

static QAction* AddItem(QMenu* menu, const QString& text, int id)
{
    QAction* action = menu->addAction(text);
    action->setData(id);
    return action;
}

void AnnotationInstance::ShowNewMenu(QPoint p)
{
    if (!Window)
        return;
    auto* menu = new QMenu(Window);
    QMenu* sub = menu->addMenu(MenuText("New"));
    for (int k = 1; k <= 12; ++k)
        AddItem(sub, MenuText(MenuKey(Kind(k))), k);
    PopUp(menu, p);
}

void AnnotationInstance::ShowNodeMenu(QPoint p, bool onNode)
{
    if (!Window)
        return;
    auto* menu = new QMenu(Window);
    if (onNode)
        AddItem(menu, MenuText("DeleteNode"), 522);
    else
        AddItem(menu, MenuText("AddNode"), 523);
    PopUp(menu, p);
}

void AnnotationInstance::ShowObjectMenu(QPoint p)
{
    if (!Window || !Selected)
        return;
    const Kind kind = Selected->GetKind();
    auto* menu = new QMenu(Window);
    if (AsLabel(Selected) && Selected->Iconic) {
        AddItem(menu, MenuText(kind == KindLabel ? "OpenLabel" : "OpenNote"), 123);
        PopUp(menu, p);
        return;
    }
    if (kind == KindPolygon || kind == KindPolyline || kind == KindFreehand) {
        AddItem(menu, MenuText("EditShape"), 521);
        menu->addSeparator();
    }
    const QString name = QString::fromLatin1(MenuKey(kind));
    AddItem(menu, MenuText(("Delete" + name).toLatin1().constData()), 228);
    menu->addSeparator();
    AddItem(menu, MenuText("BringToFront"), 514);
    AddItem(menu, MenuText("SendToBack"), 515);
    menu->addSeparator();
    if (kind == KindStamp) {
        AddItem(menu, MenuText("ChangeStamp"), 231);
        PopUp(menu, p);
        return;
    }
    QMenu* props = menu->addMenu(MenuText((name + "Properties").toLatin1().constData()));
    switch (kind) {
    case KindRectangle:
    case KindEllipse:
    case KindPolygon:
        AddItem(props, MenuText("LineMenu"), 510);
        AddItem(props, MenuText("Fill"), 511);
        AddItem(props, MenuText("ForegroundColor"), 512);
        AddItem(props, MenuText("BackgroundColor"), 513);
        break;
    case KindLine:
    case KindPointer:
    case KindPolyline:
    case KindFreehand:
        AddItem(props, MenuText("LineMenu"), 510);
        AddItem(props, MenuText("ForegroundColor"), 512);
        break;
    case KindHilite:
        AddItem(props, MenuText("BackgroundColor"), 513);
        break;
    case KindImage:
        AddItem(props, MenuText("Picture"), 513);
        break;
    case KindLabel:
    case KindNotes:
        AddItem(props, MenuText("TextMenu"), 101);
        AddItem(props, MenuText("Color"), 513);
        AddItem(props, MenuText("FontMenu"), 229);
        AddItem(props, MenuText("FontBackgroundColor"), 520);
        menu->addSeparator();
        AddItem(menu, MenuText("ViewIconic"), 122);
        break;
    default:
        break;
    }
    PopUp(menu, p);
}

// ---- Commands ----------------------------------------------------------------------------

std::optional<ColorRef> AnnotationInstance::ChooseColor(ColorRef current)
{
    PromptRequest request;
    request.What = PromptRequest::Kind::Color;
    request.InitialColor = ToQColor(current);
    const PromptAnswer answer = UserPrompt::Ask(Window, request);
    if (!answer.Accepted || !answer.Color.isValid())
        return std::nullopt;
    return FromQColor(answer.Color);
}

void AnnotationInstance::Command(int id)
{
    if (id >= 1 && id <= 12) {
        StartCreation(Kind(id));
        return;
    }
    if (!Selected)
        return;
    ObjectCommand(id);
}

void AnnotationInstance::ObjectCommand(int id)
{
    AObject* object = Selected;
    switch (id) {
    case 228:
        UpdateObject(object);
        DeleteAt(IndexOf(object));
        return;
    case 514:
        BringToFront();
        return;
    case 515:
        SendToBack();
        return;
    case 521:
        if (AsPoly(object)) {
            NodeEditKind = object->GetKind();
            UpdateObject(object);
        }
        return;
    case 522:
    case 523:
        if (APolyline* poly = AsPoly(object)) {
            const QRect old = poly->AreaRect(View, 0);
            if (id == 522 && !poly->DeleteSelectedNode()) {
                UserPrompt::Message(Window,
                                    object->GetKind() == KindPolygon ? QStringLiteral("Polygon")
                                                                     : QStringLiteral("PolyLine"),
                                    QStringLiteral("Must be at least two nodes"));
                return;
            }
            if (id == 523)
                poly->AddNodeAtInsertPoint();
            Update(old);
            UpdateObject(poly);
        }
        return;
    case 512:
        if (const auto colour = ChooseColor(object->Foreground); colour && Alive(object)) {
            object->Foreground = *colour;
            UpdateObject(object);
        }
        return;
    case 513:
        if (object->GetKind() == KindImage) {
            const QString file = UserPrompt::OpenFileName(
                Window, QStringLiteral("Picture"), ImageFileFilter(), QStringLiteral("BMP"),
                QDir::currentPath(), QStringLiteral("*.bmp"));
            if (!file.isEmpty() && Alive(object)) {
                auto* image = static_cast<AImage*>(object);
                image->Picture = QImage();
                image->FileName = file.toLocal8Bit().toStdString();
                image->LoadPicture(Window, "Can not load BitMap");
                if (Alive(object))
                    UpdateObject(object);
            }
        } else if (const auto colour = ChooseColor(object->Background); colour && Alive(object)) {
            // A label's or note's text background follows a changed background.
            if (AsLabel(object) && *colour != object->Background)
                AsLabel(object)->FontBackground = *colour;
            object->Background = *colour;
            UpdateObject(object);
        }
        return;
    case 520:
        if (ALabel* label = AsLabel(object)) {
            if (const auto colour = ChooseColor(label->FontBackground); colour && Alive(object)) {
                label->FontBackground = *colour;
                UpdateObject(object);
            }
        }
        return;
    case 229:
        if (ALabel* label = AsLabel(object)) {
            PromptRequest request;
            request.What = PromptRequest::Kind::Font;
            request.InitialFont = MakeFont(label->Font, 1.0);
            request.InitialFontColor = ToQColor(label->TextColor);
            const PromptAnswer answer = UserPrompt::Ask(Window, request);
            if (answer.Accepted && Alive(object)) {
                label->Font = FromQFont(answer.Font, label->Font);
                if (answer.Color.isValid())
                    label->TextColor = FromQColor(answer.Color);
                UpdateObject(object);
            }
        }
        return;
    case 122:
    case 123:
        if (AsLabel(object)) {
            UpdateObject(object);
            object->Iconic = id == 122;
            object->ComputeHandles();
            UpdateObject(object);
        }
        return;
    case 510:
    case 511: {
        const int oldWidth = object->LineWidth;
        int first = id == 510 ? object->LineWidth : object->FillMode;
        int second = id == 510 ? object->LineStyle : object->FillPattern;
        const bool changed =
            id == 510 ? RunLineDialog(Window, first, second) : RunFillDialog(Window, first, second);
        if (!changed || !Alive(object))
            return;
        UpdateObject(object);
        if (id == 510) {
            object->LineWidth = first;
            object->LineStyle = second;
        } else {
            object->FillMode = first;
            object->FillPattern = second;
        }
        if (APolyline* poly = AsPoly(object))
            poly->ComputeBounds();
        object->ComputeHandles();
        UpdateObject(object, object->LineWidth < oldWidth ? oldWidth + 2 : 0);
        return;
    }
    case 101:
        if (ALabel* label = AsLabel(object)) {
            std::string text = label->Text;
            LogFont font = label->Font;
            ColorRef textColor = label->TextColor;
            if (RunTextDialog(Window, text, font, textColor) && Alive(object)) {
                label->Text = text;
                label->Font = font;
                label->TextColor = textColor;
                UpdateObject(object);
            }
        }
        return;
    case 231:
        if (object->GetKind() == KindStamp) {
            const std::optional<StampDefinition> chosen = RunStampDialog(Window, StampLibraryPath);
            if (chosen && Alive(object)) {
                UpdateObject(object);
                static_cast<AStamp*>(object)->Apply(*chosen, Window);
                UpdateObject(object);
            }
        }
        return;
    default:
        return; // ids an object does not know are ignored
    }
}

} // namespace Tonlyra::Glosa
