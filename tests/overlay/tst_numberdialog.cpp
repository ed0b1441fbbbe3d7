// The number dialog: the up-down and typed digits, while Execute runs (offscreen).

#include "overlay/NumberDialogUnit.h"
#include "overlay/UpDown.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using Tonlyra::Test::ScriptedPrompts;

TEST(NumberDialog, SetNumberTakesOnly1To99)
{
    TNumberDialog dialog;
    dialog.SetNumber(12);
    for (int ignored : {0, 100, -3})
        dialog.SetNumber(ignored);
    EXPECT_EQ(dialog.Number, 12);
    dialog.SetNumber(99);
    EXPECT_EQ(dialog.Number, 99);
}

// Characters typed one after the other, from a start of 7.
TEST(NumberDialog, TypedDigitsRule)
{
    struct Case
    {
        const char* Typed;
        int Number;
    } cases[] = {
        {"12", 12},  {"456", 6}, {"0", 7}, {"05", 5}, {"a3", 3},
        {"120", 12}, {"99", 99}, {"x", 7}, {"1a", 1}, {"1234", 34},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Typed);
        TNumberDialog dialog;
        dialog.SetNumber(7);
        ScriptedPrompts prompts;
        prompts.Dialog([&](QDialog&) {
            for (const char* p = c.Typed; *p; ++p)
                dialog.TypeCharacter(QChar::fromLatin1(*p));
            return true;
        });
        ASSERT_TRUE(dialog.Execute());
        EXPECT_EQ(dialog.Number, c.Number);
        EXPECT_EQ(dialog.TracksPanel->text(), QString::number(c.Number));
        EXPECT_EQ(dialog.TracksUpDown->Position(), c.Number);
    }
}

// Keys reach the dialog whichever control has the focus; Execute starts afresh each time.
TEST(NumberDialog, KeysAnywhereAndTheUpDown)
{
    TNumberDialog dialog;
    dialog.SetNumber(98);
    ScriptedPrompts prompts;
    prompts.Dialog([&](QDialog& shown) {
        EXPECT_EQ(shown.windowTitle(), "Välj nummer");
        EXPECT_TRUE(QTest::qWaitForWindowActive(&shown));
        EXPECT_EQ(QApplication::focusWidget(), dialog.TracksUpDown);
        EXPECT_EQ(dialog.TracksPanel->text(), "98");
        QTest::keyClick(dialog.TracksUpDown, Qt::Key_Right);
        QTest::keyClick(dialog.TracksUpDown, Qt::Key_Right); // stops at 99
        EXPECT_EQ(dialog.Number, 99);
        dialog.TracksUpDown->DownButton->click();
        EXPECT_EQ(dialog.TracksPanel->text(), "98");
        dialog.OKButton->setFocus();
        QTest::keyClicks(dialog.OKButton, "4");
        EXPECT_EQ(dialog.Number, 4);
        return false;
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.TypedDigits, "4");

    prompts.Dialog([&](QDialog& shown) {
        EXPECT_TRUE(dialog.TypedDigits.isEmpty());
        EXPECT_TRUE(QTest::qWaitForWindowActive(&shown));
        EXPECT_EQ(QApplication::focusWidget(), dialog.TracksUpDown);
        QTest::keyClicks(dialog.TracksUpDown, "3");
        QTest::keyClick(dialog.TracksUpDown, Qt::Key_Return);
        return false; // not reached: Enter chose OK
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Number, 3);
}
