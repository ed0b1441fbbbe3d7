// Mouse interaction and menus, driven through a plain widget host on the offscreen platform.

#include "GlosaTestHost.h"

#include "glosa32/Instance.h"
#include "glosa32/TextTable.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QMenu>

#include <gtest/gtest.h>

using namespace Tonlyra::Glosa;
using GlosaTest::Host;

namespace {

class Interaction : public ::testing::Test
{
protected:
    AnnotationInstance& Instance() { return *FindInstance(H.Key()); }
    AObject& At(int i) { return *Instance().Entries[std::size_t(i)].Object; }
    // The texts of the last popup menu's actions, submenus included, with their ids.
    std::vector<std::pair<QString, int>> MenuItems()
    {
        std::vector<std::pair<QString, int>> items;
        if (!Instance().LastMenu)
            return items;
        for (QAction* a : Instance().LastMenu->findChildren<QAction*>())
            if (a->data().isValid())
                items.emplace_back(a->text(), a->data().toInt());
        return items;
    }
    void Trigger(int id)
    {
        ASSERT_TRUE(Instance().LastMenu);
        for (QAction* a : Instance().LastMenu->findChildren<QAction*>())
            if (a->data().isValid() && a->data().toInt() == id) {
                a->trigger();
                return;
            }
        FAIL() << "no menu item " << id;
    }

    Host H;
};

TEST_F(Interaction, RectangleByMouseAndNotify)
{
    const int before = Host::Notifications;
    H.Zoom = 2.0;
    H.OriginX = 10;
    DrawAnnotation(H.Key(), 2.0, 10, 0, 0, 0, 0, nullptr);
    MenuMsg(H.Key(), KindRectangle);
    EXPECT_EQ(IsAnnotation(H.Key()), 1);
    EXPECT_EQ(H.cursor().shape(), Qt::CrossCursor);
    H.LeftUp(5, 5); // the menu's own release ends nothing
    H.Move(100, 100);
    H.LeftDown(100, 80);
    H.Move(40, 20);
    H.grab(); // the inverted outline is drawn in the paint
    H.LeftUp(40, 20);
    EXPECT_EQ(At(0).Serialize(), "[RECTANGLE] 30 10 30 30 1 0 1 100 0 FFFFFF");
    EXPECT_EQ(Host::Notifications, before + 1);
    EXPECT_EQ(Host::LastNotifyValue, H.Key());
    EXPECT_EQ(Instance().CreationKind, KindNone);
    // A creation command during a creation is ignored.
    MenuMsg(H.Key(), KindLine);
    MenuMsg(H.Key(), KindEllipse);
    EXPECT_EQ(IsAnnotation(H.Key()), 2);
}

TEST_F(Interaction, RightClickEndsAPolylineOnce)
{
    const int before = Host::Notifications;
    MenuMsg(H.Key(), KindPolyline);
    H.LeftDown(10, 10);
    H.Move(50, 10);
    H.LeftDown(50, 10);
    H.LeftDown(50, 60);
    H.RightDown(70, 70);
    EXPECT_EQ(Host::Notifications, before + 1);
    EXPECT_EQ(At(0).Serialize(), "[POLYLINE] 3 1 0 0\a 10 10 \a 50 10 \a 50 60 ");
    H.RightDown(70, 70); // now opens the "New" menu, no second end
    EXPECT_EQ(Host::Notifications, before + 1);
    ASSERT_EQ(MenuItems().size(), 12u);
    EXPECT_EQ(MenuItems()[0], std::make_pair(QString("Rectangle"), 1));
    EXPECT_EQ(MenuItems()[11], std::make_pair(QString("Rubber Stamp"), 12));
}

TEST_F(Interaction, FreehandAndLineByMouse)
{
    MenuMsg(H.Key(), KindFreehand);
    H.LeftDown(0, 0);
    H.Move(5, 1);
    H.Move(9, 4);
    H.LeftUp(9, 4);
    EXPECT_EQ(At(0).Serialize(), "[FREEHAND] 3 1 0 0\a 0 0 \a 5 1 \a 9 4 ");
    MenuMsg(H.Key(), KindPointer);
    H.Drag(10, 20, 110, 20);
    EXPECT_EQ(At(1).Serialize(), "[POINTER] 10 20 110 20 1 0 0");
}

TEST_F(Interaction, SelectionMoveAndClickOutside)
{
    CreateRectangle(H.Key(), 10, 10, 100, 50, 1, 0, 2, 100, 0, 0);
    CreateRectangle(H.Key(), 60, 30, 100, 50, 1, 0, 2, 100, 0, 0);
    H.LeftDown(80, 40); // on the overlap: the upper one
    H.LeftUp(80, 40);
    EXPECT_EQ(Instance().Selected, &At(1));
    H.grab();
    H.Drag(80, 40, 90, 45); // moves it
    EXPECT_EQ(At(1).X, 70);
    EXPECT_EQ(At(1).Y, 35);
    EXPECT_EQ(Instance().Selected, &At(1));
    H.LeftDown(300, 250); // away: only ends the selection
    EXPECT_EQ(Instance().Selected, nullptr);
    H.LeftDown(300, 250);
    EXPECT_EQ(Instance().Selected, nullptr);
    H.LeftDown(20, 20); // the lower one alone
    EXPECT_EQ(Instance().Selected, &At(0));
    RubberBandOFF(H.Key());
    EXPECT_EQ(Instance().Selected, nullptr);
}

TEST_F(Interaction, ResizingPastTheOppositeCorner)
{
    CreateRectangle(H.Key(), 50, 50, 100, 50, 1, 0, 2, 100, 0, 0);
    H.LeftDown(60, 60);
    // The top-left handle: centre (50 - 7, 50 - 7).
    H.Drag(43, 43, 73, 63);
    EXPECT_EQ(At(0).Serialize(), "[RECTANGLE] 80 70 70 30 1 0 2 100 0 0");
    H.Drag(73, 63, 73 + 200, 63 + 100);
    const AObject& r = At(0);
    EXPECT_EQ(r.X, 150);
    EXPECT_EQ(r.Y, 100);
    EXPECT_EQ(r.Width, 130);
    EXPECT_EQ(r.Height, 70);
}

TEST_F(Interaction, StampHandlesDoNotResize)
{
    CreateStamp(H.Key(), 50, 50, "X");
    AObject& stamp = At(0);
    const int width = stamp.Width;
    H.LeftDown(52, 52);
    const QRect handle = stamp.HandleSquares(Instance().View)[0];
    H.Drag(handle.center().x(), handle.center().y(), handle.center().x() + 20,
           handle.center().y() + 20);
    EXPECT_EQ(stamp.Width, width);
    EXPECT_EQ(stamp.X, 50);
    H.Drag(52, 52, 62, 72);
    EXPECT_EQ(stamp.X, 60);
    EXPECT_EQ(stamp.Y, 70);
}

TEST_F(Interaction, NodeEditing)
{
    Tonlyra::Test::ScriptedPrompts prompts;
    const int32_t xs[] = {10, 100};
    const int32_t ys[] = {10, 10};
    CreatePolyline(H.Key(), xs, ys, 2, 1, 0, 0);
    H.LeftDown(50, 10);
    H.LeftUp(50, 10);
    H.RightDown(50, 10);
    EXPECT_EQ(MenuItems().front(), std::make_pair(QString("Edit Shape"), 521));
    Trigger(521);
    EXPECT_EQ(Instance().NodeEditKind, KindPolyline);
    H.grab();

    // "Delete Node" on two nodes refuses.
    prompts.Button(QMessageBox::Ok);
    H.RightDown(100, 10);
    ASSERT_EQ(MenuItems().size(), 1u);
    EXPECT_EQ(MenuItems()[0], std::make_pair(QString("Delete Node"), 522));
    Trigger(522);
    ASSERT_EQ(prompts.Asked().size(), 1u);
    EXPECT_EQ(prompts.Asked()[0].Text, "Must be at least two nodes");
    EXPECT_EQ(prompts.Asked()[0].Caption, "PolyLine");
    EXPECT_EQ(static_cast<APolyline&>(At(0)).Nodes.size(), 2u);

    // "Add Node" on the segment, then drag the new node.
    H.RightDown(40, 12);
    EXPECT_EQ(MenuItems()[0], std::make_pair(QString("Add Node"), 523));
    Trigger(523);
    EXPECT_EQ(At(0).Serialize(), "[POLYLINE] 3 1 0 0\a 10 10 \a 40 10 \a 100 10 ");
    H.Drag(40, 10, 45, 60);
    EXPECT_EQ(At(0).Serialize(), "[POLYLINE] 3 1 0 0\a 10 10 \a 45 60 \a 100 10 ");
    EXPECT_EQ(At(0).Height, 60); // bounds follow
    H.RightDown(45, 60);
    Trigger(522);
    EXPECT_EQ(At(0).Serialize(), "[POLYLINE] 2 1 0 0\a 10 10 \a 100 10 ");
}

TEST_F(Interaction, ContextMenusPerKind)
{
    CreateLabel(H.Key(), "Hi", 10, 10, 80, 30, 0xFF, 0xFF, 0, "Arial", 14);
    H.LeftDown(20, 20);
    H.RightDown(20, 20);
    std::vector<int> ids;
    for (const auto& item : MenuItems())
        ids.push_back(item.second);
    EXPECT_EQ(ids, (std::vector<int>{228, 514, 515, 101, 513, 229, 520, 122}));
    EXPECT_EQ(MenuItems()[0].first, "Delete Label");
    Trigger(122);
    EXPECT_TRUE(At(0).Iconic);
    H.RightDown(20, 20);
    ASSERT_EQ(MenuItems().size(), 1u);
    EXPECT_EQ(MenuItems()[0], std::make_pair(QString("Open Label"), 123));
    Trigger(123);
    EXPECT_FALSE(At(0).Iconic);
    H.RightDown(20, 20);
    Trigger(228);
    EXPECT_EQ(IsAnnotation(H.Key()), 0);
}

TEST_F(Interaction, ColourCommandsUseTheChooser)
{
    Tonlyra::Test::ScriptedPrompts prompts;
    CreateRectangle(H.Key(), 10, 10, 80, 30, 1, 0, 2, 100, 0, 0xFFFFFF);
    H.LeftDown(20, 20);
    prompts.Color(QColor(0x12, 0x34, 0x56)).Cancel();
    MenuMsg(H.Key(), 512);
    MenuMsg(H.Key(), 513); // cancelled: nothing changes
    EXPECT_EQ(At(0).Foreground, 0x563412u);
    EXPECT_EQ(At(0).Background, 0xFFFFFFu);
}

} // namespace

namespace {

TEST(TextTable, MenuTextsComeFromTheSystemFolder)
{
    Tonlyra::Test::TempDir dir;
    QFile file(dir.File("glosa_txt.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Menus]\r\nRectangle=Rektangel\r\nNew=Ny ...\r\n");
    file.close();
    const QByteArray old = qgetenv("TONLYRA_SYSTEM_DIR");
    qputenv("TONLYRA_SYSTEM_DIR", dir.Path().toLocal8Bit());
    ReloadTextTable();
    {
        Host h;
        h.RightDown(10, 10);
        QMenu* menu = FindInstance(h.Key())->LastMenu;
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->actions().at(0)->text(), "Ny ...");
        EXPECT_EQ(menu->actions().at(0)->menu()->actions().at(0)->text(), "Rektangel");
        EXPECT_EQ(menu->actions().at(0)->menu()->actions().at(1)->text(), "Hilite");
    }
    if (old.isEmpty())
        qunsetenv("TONLYRA_SYSTEM_DIR");
    else
        qputenv("TONLYRA_SYSTEM_DIR", old);
    ReloadTextTable();
}

} // namespace
