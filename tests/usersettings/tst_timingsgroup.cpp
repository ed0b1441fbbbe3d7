// The group "Tider och uppläsning" of the user settings window: its boxes show and edit the
// switch timings and spoken cells, are enabled where they apply, and the demonstration squares
// and the test square follow the times being edited.

#include "tests/support/ManualClock.h"
#include "tests/support/ApplicationUnderTest.h"
#include "tests/usersettings/AdvancedView.h"
#include "tests/support/TestSupport.h"
#include "usersettings/UserSettingsFormUnit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGroupBox>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using Tonlyra::Test::ManualClock;
using Tonlyra::Test::Open;
using Tonlyra::Test::ScriptedPrompts;
using Tonlyra::Test::TempDir;

using Tonlyra::Test::ChangeAppliedSettings;

namespace {

bool Lit(const TUserSettingsForm& w)
{
    return w.PressTestSquare->palette().color(QPalette::Window) == QColor(Qt::red);
}

} // namespace

class TimingsGroupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        OldCurrent = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(Dir.Path()));
    }
    void TearDown() override { QDir::setCurrent(OldCurrent); }
    TempDir Dir;
    QString OldCurrent;
};

TEST_F(TimingsGroupTest, ShowsEditsAndAppliesTheTimingsWhereTheyApply)
{
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.ControlMode = ControlMode::TwoSwitchScanControl; });
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.AcceptanceTime = 150; });
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.ScanRounds = 3; });
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.PlaySound = true; });
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.SpeakCells = true; });
    const bool accepted = Open(form, [](TUserSettingsForm& w) {
        EXPECT_TRUE(w.TimingGroupBox->isVisible());
        EXPECT_EQ(w.TimingGroupBox->title(), QString::fromUtf8("Tider &och uppläsning"));
        EXPECT_DOUBLE_EQ(w.AcceptanceTimeSpinBox->value(), 0.15);
        EXPECT_EQ(w.ScanRoundsSpinBox->value(), 3);
        EXPECT_TRUE(w.SpeakCellsCheckBox->isChecked());
        EXPECT_FALSE(w.ChangedInWindow);

        // The press timings apply in every mode; rounds and the first step only where the
        // frame scans by itself; speech only with "Spela ljud".
        EXPECT_TRUE(w.AcceptanceTimeSpinBox->isEnabled());
        EXPECT_FALSE(w.ScanRoundsSpinBox->isEnabled());
        EXPECT_FALSE(w.FirstStepExtraTimeSpinBox->isEnabled());
        EXPECT_TRUE(w.SpeakCellsCheckBox->isEnabled());
        w.OneSwitchScanControlRadioButton->click();
        EXPECT_TRUE(w.ScanRoundsSpinBox->isEnabled());
        EXPECT_TRUE(w.FirstStepExtraTimeSpinBox->isEnabled());
        w.SoundCheckBox->click();
        EXPECT_FALSE(w.SpeakCellsCheckBox->isEnabled());
        w.SoundCheckBox->click();
        EXPECT_TRUE(w.SpeakCellsCheckBox->isEnabled());
        EXPECT_TRUE(w.SpeakCellsCheckBox->isChecked());

        w.IgnoreRepeatTimeSpinBox->setValue(0.3);
        w.PauseAfterChoiceSpinBox->setValue(2.5);
        w.FirstStepExtraTimeSpinBox->setValue(0.75);
        w.ScanRoundsSpinBox->setValue(0);
        EXPECT_EQ(w.ScanRoundsSpinBox->text(), QStringLiteral("aldrig"));
        w.SpeakCellsCheckBox->click();
        EXPECT_TRUE(w.ChangedInWindow);
        return true;
    });
    ASSERT_TRUE(accepted);
    const UserSettings& s = form.UserSettings();
    EXPECT_EQ(s.AcceptanceTime, 150);
    EXPECT_EQ(s.IgnoreRepeatTime, 300);
    EXPECT_EQ(s.PauseAfterChoice, 2500);
    EXPECT_EQ(s.FirstStepExtraTime, 750);
    EXPECT_EQ(s.ScanRounds, 0);
    EXPECT_FALSE(s.SpeakCells);
    EXPECT_TRUE(form.ChangedOutside());
}

TEST_F(TimingsGroupTest, ScanSquaresHoldTheFirstStepLongerAndStopAfterTheRounds)
{
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.ControlMode = ControlMode::OneSwitchScanControl; });
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.ScanDelayTime = 200; });
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.FirstStepExtraTime = 300; });
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.ScanRounds = 2; });
    Open(form, [](TUserSettingsForm& w) {
        // The left square is each round's first step.
        EXPECT_TRUE(w.Indikering1->isVisible());
        EXPECT_EQ(w.ScanTimer->interval(), 500);
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.Indikering2->isVisible(); }, 3000));
        EXPECT_EQ(w.ScanTimer->interval(), 200);
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.Indikering1->isVisible(); }, 3000));
        EXPECT_EQ(w.ScanTimer->interval(), 500);
        // After two rounds both squares go.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !w.ScanTimer->isActive(); }, 5000));
        EXPECT_FALSE(w.Indikering1->isVisible() || w.Indikering2->isVisible());
        // A press on the test square starts them again.
        w.PressTestSquare->setFocus();
        QTest::keyClick(w.PressTestSquare, Qt::Key_Space);
        EXPECT_TRUE(w.ScanTimer->isActive());
        EXPECT_TRUE(w.Indikering1->isVisible());
        return false;
    });
}

TEST_F(TimingsGroupTest, TheTestSquareLightsOnlyForPressesThatCount)
{
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.ControlMode = ControlMode::TwoSwitchControl; });
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.AcceptanceTime = 150; });
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.PauseAfterChoice = 1000; });
    Open(form, [](TUserSettingsForm& w) {
        ManualClock clock;
        w.PressTestPresses.SetClock(&clock);
        w.PressTestSquare->setFocus();
        QTest::keyPress(w.PressTestSquare, Qt::Key_Space);
        clock.AdvanceTo(100);
        QTest::keyRelease(w.PressTestSquare, Qt::Key_Space);
        clock.AdvanceTo(300);
        EXPECT_FALSE(Lit(w)); // too short
        QTest::mousePress(w.PressTestSquare, Qt::LeftButton);
        clock.AdvanceTo(449);
        EXPECT_FALSE(Lit(w));
        clock.AdvanceTo(450);
        EXPECT_TRUE(Lit(w)); // held for the acceptance time
        QTest::mouseRelease(w.PressTestSquare, Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Lit(w); }, 3000));
        // Within the pause after that "choice" nothing counts.
        QTest::keyPress(w.PressTestSquare, Qt::Key_Return);
        clock.AdvanceTo(800);
        QTest::keyRelease(w.PressTestSquare, Qt::Key_Return);
        EXPECT_FALSE(Lit(w));
        w.PressTestPresses.SetClock(nullptr);
        return false;
    });
}

// A switch that bounces: a 50 ms press, then one held for 400 ms. The desktop hands the second
// press of the mouse over as a double click only; the square counts it, as the grid does.
TEST_F(TimingsGroupTest, TheTestSquareCountsAPressAfterABounce)
{
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.ControlMode = ControlMode::TwoSwitchControl; });
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.AcceptanceTime = 100; });
    Open(form, [](TUserSettingsForm& w) {
        ManualClock clock;
        w.PressTestPresses.SetClock(&clock);
        QWidget* square = w.PressTestSquare;
        const QPoint at(5, 5);
        QTest::mousePress(square, Qt::LeftButton, Qt::NoModifier, at);
        clock.AdvanceTo(50);
        QTest::mouseRelease(square, Qt::LeftButton, Qt::NoModifier, at);
        QMouseEvent second(QEvent::MouseButtonDblClick, QPointF(at),
                           square->mapToGlobal(QPointF(at)), Qt::LeftButton, Qt::LeftButton,
                           Qt::NoModifier);
        QApplication::sendEvent(square, &second);
        clock.AdvanceTo(149);
        EXPECT_FALSE(Lit(w));
        clock.AdvanceTo(150);
        EXPECT_TRUE(Lit(w));
        clock.AdvanceTo(450);
        QTest::mouseRelease(square, Qt::LeftButton, Qt::NoModifier, at);
        w.PressTestPresses.SetClock(nullptr);
        return false;
    });
}
