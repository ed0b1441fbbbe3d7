// The rows-and-columns dialog, worked through its controls while Execute runs (offscreen).

#include "overlay/RowsColsDialogUnit.h"
#include "overlay/UpDown.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using Tonlyra::Test::ScriptedPrompts;

namespace {

struct Seen
{
    int Rows = 0, Cols = 0, Panels = 0;
    QString Count;
};

// Runs Execute, notes what the dialog shows, and closes it with ok.
Seen ExecuteAndLook(TRowsColsDialog& dialog, bool ok, bool* result = nullptr)
{
    Seen seen;
    ScriptedPrompts prompts;
    prompts.Dialog([&](QDialog&) {
        seen = {dialog.RowsUpDown->Position(), dialog.ColsUpDown->Position(),
                static_cast<int>(dialog.CellPanels.size()), dialog.CountPanel->text()};
        return ok;
    });
    const bool r = dialog.Execute();
    if (result)
        *result = r;
    return seen;
}

} // namespace

TEST(RowsColsDialog, SetRowsAndColsAndWhatExecuteShows)
{
    TRowsColsDialog dialog;
    struct Case
    {
        int Rows, Cols, ShownRows, ShownCols;
    } cases[] = {{11, 3, 1, 3}, {10, 10, 10, 10}, {4, 11, 4, 1}, {0, 2, 1, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Rows << "x" << c.Cols);
        dialog.SetRows(c.Rows);
        dialog.SetCols(c.Cols);
        bool ok = false;
        const Seen seen = ExecuteAndLook(dialog, true, &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(seen.Rows, c.ShownRows);
        EXPECT_EQ(seen.Cols, c.ShownCols);
        EXPECT_EQ(seen.Panels, c.ShownRows * c.ShownCols);
        EXPECT_EQ(seen.Count, QString::number(c.ShownRows * c.ShownCols));
        EXPECT_EQ(dialog.Rows, c.ShownRows);
        EXPECT_EQ(dialog.Cols, c.ShownCols);
    }
}

TEST(RowsColsDialog, PreviewLaysOutTheCells)
{
    TRowsColsDialog dialog;
    dialog.SetRows(3);
    dialog.SetCols(4);
    ExecuteAndLook(dialog, false);
    ASSERT_EQ(dialog.CellPanels.size(), 12u);
    EXPECT_EQ(dialog.CountPanel->text(), "12");
    EXPECT_EQ(dialog.RowsPanel->text(), "3");
    EXPECT_EQ(dialog.ColsPanel->text(), "4");
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(dialog.CellPanels[i]->geometry(),
                  QRect((i % 4) * 32 + 2, (i / 4) * 32 + 2, 32, 32))
            << i;
    EXPECT_EQ(dialog.RowsColsPanel->size(), QSize(4 * 32 + 4, 3 * 32 + 4));
    EXPECT_EQ(dialog.CellPanels[0]->lineWidth(), 2);

    // Sizes that do not divide: 96 div 7 and 128 div 3.
    dialog.SetRows(7);
    dialog.SetCols(3);
    ExecuteAndLook(dialog, false);
    EXPECT_EQ(dialog.CellPanels.back()->geometry(), QRect(2 * 42 + 2, 6 * 13 + 2, 42, 13));
    EXPECT_EQ(dialog.RowsColsPanel->size(), QSize(3 * 42 + 4, 7 * 13 + 4));
}

// The user's way: arrow keys on the focused up-down, the arrow buttons, the accelerators and
// Tab; the up-downs stop at 1 and 10.
TEST(RowsColsDialog, UpDownsKeysAndAccelerators)
{
    TRowsColsDialog dialog;
    dialog.SetRows(9);
    dialog.SetCols(2);
    ScriptedPrompts prompts;
    prompts.Dialog([&](QDialog& shown) {
        EXPECT_EQ(shown.windowTitle(), "Rader och kolumner");
        EXPECT_TRUE(QTest::qWaitForWindowActive(&shown));
        EXPECT_EQ(QApplication::focusWidget(), dialog.RowsUpDown);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(dialog.RowsUpDown, Qt::Key_Right);
        EXPECT_EQ(dialog.RowsPanel->text(), "10");
        EXPECT_EQ(dialog.CellPanels.size(), 20u);
        dialog.ColsUpDown->DownButton->click();
        dialog.ColsUpDown->DownButton->click();
        EXPECT_EQ(dialog.ColsPanel->text(), "1");
        EXPECT_EQ(dialog.CountPanel->text(), "10");

        QTest::keyClick(&shown, Qt::Key_K, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), dialog.ColsUpDown);
        QTest::keyClick(dialog.ColsUpDown, Qt::Key_Up);
        EXPECT_EQ(dialog.ColsPanel->text(), "2");
        QTest::keyClick(&shown, Qt::Key_R, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), dialog.RowsUpDown);
        // Only the rows up-down is a tab stop.
        QTest::keyClick(dialog.RowsUpDown, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), dialog.OKButton);
        QTest::keyClick(dialog.OKButton, Qt::Key_Return);
        return false; // not reached: Enter chose OK
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Rows, 10);
    EXPECT_EQ(dialog.Cols, 2);

    prompts.Dialog([&](QDialog& shown) {
        EXPECT_TRUE(QTest::qWaitForWindowActive(&shown));
        EXPECT_EQ(QApplication::focusWidget(), dialog.RowsUpDown);
        QTest::keyClick(dialog.RowsUpDown, Qt::Key_Left);
        QTest::keyClick(dialog.RowsUpDown, Qt::Key_Escape);
        EXPECT_FALSE(shown.isVisible());
        return true;
    });
    EXPECT_FALSE(dialog.Execute());
}

TEST(RowsColsDialog, CentredOnTheScreen)
{
    TRowsColsDialog dialog;
    QPoint centre;
    ScriptedPrompts prompts;
    prompts.Dialog([&](QDialog& shown) {
        centre = shown.frameGeometry().center();
        return false;
    });
    dialog.Execute();
    const QPoint screen = QGuiApplication::primaryScreen()->geometry().center();
    EXPECT_LE((centre - screen).manhattanLength(), 2);
}
