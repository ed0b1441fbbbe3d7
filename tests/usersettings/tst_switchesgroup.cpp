// The group "Brytare" of the user settings window: the switches' inputs learnt from the
// keyboard alone, from a mouse button and from a joystick button, Esc cancelling, "Ta bort",
// the "Prova" square lighting for either switch, and the scan progress box.

#include "tests/support/ApplicationUnderTest.h"
#include "tests/usersettings/AdvancedView.h"
#include "tests/support/TestSupport.h"
#include "usersettings/UserSettingsFormUnit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace Tonlyra;
using Tonlyra::Test::ChangeAppliedSettings;
using Tonlyra::Test::Open;
using Tonlyra::Test::ScriptedPrompts;

namespace {

// A key as the keyboard sends it to the widget with the focus.
void Key(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* focus = QApplication::focusWidget();
    ASSERT_TRUE(focus);
    QTest::keyClick(focus, Qt::Key(qtKey), modifiers);
}

// Tab until the widget has the focus, as a carer without a mouse does.
void TabTo(QWidget* widget)
{
    for (int k = 0; k < 200 && QApplication::focusWidget() != widget; ++k)
        Key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), widget);
}

QStringList Items(const QListWidget* list)
{
    QStringList items;
    for (int k = 0; k < list->count(); ++k)
        items.append(list->item(k)->text());
    return items;
}

bool Lit(const TUserSettingsForm& w)
{
    return w.PressTestSquare->palette().color(QPalette::Window) == QColor(Qt::red);
}

} // namespace

TEST(SwitchesGroup, LearntByKeyboardMouseAndJoystickAndRemoved)
{
    Tonlyra::Session session;
    TUserSettingsForm form(session);
    ChangeAppliedSettings(form.Session,
                          [](UserSettings& s) { s.ControlMode = ControlMode::TwoSwitchControl; });
    const bool accepted = Open(form, [](TUserSettingsForm& w) {
        EXPECT_TRUE(w.SwitchesGroupBox->isVisible());
        EXPECT_EQ(Items(w.SwitchLists[0]),
                  QStringList{TUserSettingsForm::SwitchInputCaption(DefaultSwitch1()[0])});
        EXPECT_EQ(Items(w.SwitchLists[1]),
                  QStringList{TUserSettingsForm::SwitchInputCaption(DefaultSwitch2()[0])});
        EXPECT_TRUE(Items(w.SwitchLists[0])[0].startsWith(QStringLiteral("Tangent ")));

        // Keyboard only: to "Lägg till..." of switch 1, the space bar presses it, F5 is learnt.
        TabTo(w.AddSwitchButtons[0]);
        Key(Qt::Key_Space);
        EXPECT_EQ(w.LearningSwitch, 1);
        EXPECT_TRUE(w.SwitchHint->text().startsWith(QStringLiteral("Tryck på brytaren nu")));
        Key(Qt::Key_F5);
        EXPECT_EQ(w.LearningSwitch, 0);
        EXPECT_TRUE(w.SwitchHint->text().isEmpty());
        EXPECT_EQ(w.EditedSettings.Switch1,
                  ParseSwitchInputs(QStringLiteral("key:Space;key:F5")));
        EXPECT_EQ(QApplication::focusWidget(), w.AddSwitchButtons[0]);
        EXPECT_TRUE(w.ChangedInWindow);

        // Esc cancels; the keypad's 1 is learnt for switch 2, and Enter, chosen for switch 1,
        // leaves switch 2.
        Key(Qt::Key_Space);
        Key(Qt::Key_Escape);
        EXPECT_EQ(w.LearningSwitch, 0);
        EXPECT_EQ(w.EditedSettings.Switch1.size(), 2);
        w.AddSwitchButtons[1]->click();
        Key(Qt::Key_1, Qt::KeypadModifier);
        w.AddSwitchButtons[0]->click();
        Key(Qt::Key_Return);
        EXPECT_EQ(w.EditedSettings.Switch2, ParseSwitchInputs(QStringLiteral("key:Num+1")));
        EXPECT_EQ(Items(w.SwitchLists[1]),
                  QStringList{QStringLiteral("Tangent 1 på numeriska tangentbordet")});

        // A click on the window's own button is a click; one elsewhere, the right button, is
        // learnt. A joystick button is learnt for any joystick.
        w.AddSwitchButtons[1]->click();
        QTest::mouseClick(w.RemoveSwitchButtons[0], Qt::LeftButton);
        EXPECT_EQ(w.LearningSwitch, 2);
        QTest::mouseClick(w.SwitchLists[1]->viewport(), Qt::RightButton);
        EXPECT_EQ(w.LearningSwitch, 0);
        w.AddSwitchButtons[1]->click();
        w.JoystickButton(SwitchInput::OfJoystick(3, QStringLiteral("Platta")), 0x100003, true);
        EXPECT_EQ(w.EditedSettings.Switch2,
                  ParseSwitchInputs(QStringLiteral("key:Num+1;mouse:right;joystick:3")));
        EXPECT_EQ(Items(w.SwitchLists[1]).last(), QStringLiteral("Styrspak, knapp 3"));

        // "Ta bort" takes the selected input away.
        w.SwitchLists[0]->setCurrentRow(0);
        w.RemoveSwitchButtons[0]->click();
        EXPECT_EQ(w.EditedSettings.Switch1, ParseSwitchInputs(QStringLiteral("key:F5;key:Return")));

        // The "Prova" square lights for either switch, not for the space bar any more.
        w.PressTestSquare->setFocus();
        QTest::keyClick(w.PressTestSquare, Qt::Key_Space);
        EXPECT_FALSE(Lit(w));
        QTest::keyClick(w.PressTestSquare, Qt::Key_1, Qt::KeypadModifier);
        EXPECT_TRUE(Lit(w));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Lit(w); }, 2000));
        w.JoystickButton(SwitchInput::OfJoystick(3, QStringLiteral("Platta")), 0x100003, true);
        EXPECT_TRUE(Lit(w));
        w.JoystickButton(SwitchInput::OfJoystick(3, QStringLiteral("Platta")), 0x100003, false);

        w.ScanProgressCheckBox->click();
        return true;
    });
    ASSERT_TRUE(accepted);
    const UserSettings& s = form.UserSettings();
    EXPECT_EQ(FormatSwitchInputs(s.Switch1), QStringLiteral("key:F5;key:Return"));
    EXPECT_EQ(FormatSwitchInputs(s.Switch2), QStringLiteral("key:Num+1;mouse:right;joystick:3"));
    EXPECT_TRUE(s.ShowScanProgress);
}
