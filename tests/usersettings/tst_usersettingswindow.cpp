// The user settings window, driven offscreen as a carer works it: the mode and repeat rules,
// the scanning period, the demonstration squares, font and colours, the views, the keyboard,
// and what accepting and cancelling do to the settings.

#include "help/HelpWindow.h"
#include "tests/support/ApplicationUnderTest.h"
#include "tests/support/TestSupport.h"
#include "usersettings/UserSettingsFormUnit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using Tonlyra::Test::ScriptedPrompts;
using Tonlyra::Test::TempDir;
using Tonlyra::Test::WriteAll;

using Tonlyra::Test::ChangeAppliedSettings;

namespace {

class UserSettingsWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        OldCurrent = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(Dir.Path()));
    }
    void TearDown() override { QDir::setCurrent(OldCurrent); }

    // Shows the window as the player's menu item does, activates it and works it with steps;
    // true when it was accepted. A window the steps leave open is cancelled.
    static bool Open(TUserSettingsForm& form, const std::function<void(TUserSettingsForm&)>& steps)
    {
        ScriptedPrompts prompts;
        prompts.Dialog([&](QDialog& window) {
            EXPECT_EQ(&window, &form);
            form.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
            steps(form);
            return false; // left open: cancelled
        });
        return form.ShowUserSettingsWindow();
    }

    // A key pressed on the control that has the focus, as the keyboard sends it.
    static void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }

    static QString Focused()
    {
        QWidget* w = QApplication::focusWidget();
        return w ? w->objectName() : QString();
    }

    TempDir Dir;
    QString OldCurrent;
};

} // namespace

// Every mode, with "Agera vid nedtryckning" on and off, from settings where every option the
// rules govern is set: which options stay enabled and set, which scanning controls show.
TEST_F(UserSettingsWindowTest, ModeRulesAcrossAllModes)
{
    struct Mode
    {
        ControlMode Mode;
        bool Sound;      // "Spela ljud" allowed
        bool Scanning;   // the scanning period controls shown and the scan squares blinking
        bool ScanColor;  // "Färg på scanningsramen" enabled
        bool Repetition; // "Repetera tangenttryckning" allowed when acting on key down
        bool Execute;    // "Verkställ då brytaren öppnas" allowed with repetition
    };
    const Mode modes[] = {
        {ControlMode::MouseControl, false, false, false, false, true},
        {ControlMode::KeyboardControl, false, false, false, false, true},
        {ControlMode::ArrowControl, true, false, true, true, false},
        {ControlMode::TwoSwitchControl, true, false, false, true, true},
        {ControlMode::TwoSwitchScanControl, true, false, true, true, true},
        {ControlMode::TwoSwitchScanXYControl, true, false, true, true, true},
        {ControlMode::OneSwitchControl, true, false, false, false, true},
        {ControlMode::OneSwitchScanControl, true, true, true, false, true},
        {ControlMode::OneSwitchScanXYControl, true, true, true, false, true},
    };
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    for (const Mode& m : modes) {
        for (const bool actOnKeyDown : {true, false}) {
            SCOPED_TRACE(Tonlyra::ControlModeKey(m.Mode).toStdString() +
                         (actOnKeyDown ? ", act on key down" : ", act on release"));
            UserSettings all;
            all.ControlMode = ControlMode::TwoSwitchScanControl;
            all.PlaySound = all.KeyRepetition = all.ExecuteOnKeyUp = true;
            form.Session.SetSettings(all, form.Session.SettingsFile());
            Open(form, [&](TUserSettingsForm& w) {
                w.ShowAdvancedView();
                EXPECT_FALSE(w.ChangedInWindow);
                if (!actOnKeyDown)
                    w.TrapKeyDownCheckBox->click();
                w.ModeRadioButton(m.Mode)->click();
                // Choosing the mode already chosen changes nothing.
                EXPECT_EQ(w.ChangedInWindow, m.Mode != all.ControlMode || !actOnKeyDown);
                EXPECT_TRUE(w.ModeRadioButton(m.Mode)->isChecked());
                const bool repetition = actOnKeyDown && m.Repetition;
                const bool execute = repetition && m.Execute;
                EXPECT_EQ(w.SoundCheckBox->isEnabled(), m.Sound);
                EXPECT_EQ(w.SoundCheckBox->isChecked(), m.Sound);
                EXPECT_EQ(w.ScanningsPeriod->isVisible(), m.Scanning);
                EXPECT_EQ(w.ScanningsPeriodComboBox->isVisible(), m.Scanning);
                EXPECT_EQ(w.ScanningsPeriodSkylt->isVisible(), m.Scanning);
                EXPECT_EQ(w.Indikering1->isVisible(), m.Scanning);
                EXPECT_FALSE(w.Indikering2->isVisible());
                EXPECT_EQ(w.ScanTimer->isActive(), m.Scanning);
                EXPECT_EQ(w.ScanColorButton->isEnabled(), m.ScanColor);
                EXPECT_EQ(w.ScanColorLabel->isEnabled(), m.ScanColor);
                EXPECT_EQ(w.RepeatKeyCheckBox->isEnabled(), repetition);
                EXPECT_EQ(w.RepeatKeyCheckBox->isChecked(), repetition);
                EXPECT_EQ(w.RepeatScrollBar->isVisible(), repetition);
                EXPECT_EQ(w.KeyRepeatTimer->isActive(), repetition);
                EXPECT_EQ(w.ExecuteOnKeyUpCheckBox->isEnabled(), execute);
                EXPECT_EQ(w.ExecuteOnKeyUpCheckBox->isChecked(), execute);
                // The controls are the edited settings.
                EXPECT_EQ(w.EditedSettings.ControlMode, m.Mode);
                EXPECT_EQ(w.EditedSettings.PlaySound, m.Sound);
                EXPECT_EQ(w.EditedSettings.KeyRepetition, repetition);
                EXPECT_EQ(w.EditedSettings.ExecuteOnKeyUp, execute);
                EXPECT_EQ(w.EditedSettings.ActOnKeyDown, actOnKeyDown);
            });
        }
    }

    // Leaving mouse control enables "Spela ljud" without setting it.
    form.Session.SetSettings(UserSettings(), form.Session.SettingsFile());
    ChangeAppliedSettings(form.Session,
                          [&](UserSettings& s) { s.PlaySound = true; }); // as a file may hold it
    Open(form, [](TUserSettingsForm& w) {
        w.ModeRadioButton(ControlMode::KeyboardControl)->click();
        EXPECT_FALSE(w.SoundCheckBox->isEnabled() || w.SoundCheckBox->isChecked());
        w.ModeRadioButton(ControlMode::OneSwitchScanControl)->click();
        EXPECT_TRUE(w.SoundCheckBox->isEnabled());
        EXPECT_FALSE(w.SoundCheckBox->isChecked());
    });
}

TEST_F(UserSettingsWindowTest, RepeatRule)
{
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    ChangeAppliedSettings(form.Session,
                          [&](UserSettings& s) { s.ControlMode = ControlMode::TwoSwitchControl; });
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.KeyRepetitionDelayTime = 700; });
    Open(form, [](TUserSettingsForm& w) {
        w.ShowAdvancedView();
        EXPECT_FALSE(w.RepeatScrollBar->isVisible() || w.KeyRepeatTimer->isActive());
        EXPECT_FALSE(w.ExecuteOnKeyUpCheckBox->isEnabled());
        w.RepeatKeyCheckBox->click();
        EXPECT_TRUE(w.RepeatScrollBar->isVisible());
        EXPECT_TRUE(w.KeyIndikering2->isVisible());
        EXPECT_FALSE(w.KeyIndikering1->isVisible());
        EXPECT_TRUE(w.KeyRepeatTimer->isActive());
        EXPECT_EQ(w.KeyRepeatTimer->interval(), 700);
        EXPECT_TRUE(w.ExecuteOnKeyUpCheckBox->isEnabled());
        w.ExecuteOnKeyUpCheckBox->click();
        EXPECT_TRUE(w.EditedSettings.ExecuteOnKeyUp);

        // Turning repetition off clears "Verkställ då brytaren öppnas" with it.
        w.RepeatKeyCheckBox->click();
        EXPECT_FALSE(w.ExecuteOnKeyUpCheckBox->isEnabled() ||
                     w.ExecuteOnKeyUpCheckBox->isChecked());
        EXPECT_FALSE(w.EditedSettings.KeyRepetition || w.EditedSettings.ExecuteOnKeyUp);
        EXPECT_FALSE(w.RepeatScrollBar->isVisible() || w.KeyRepeatTimer->isActive());

        // Clearing "Agera vid nedtryckning" disables and clears repetition and execution.
        w.RepeatKeyCheckBox->click();
        w.ExecuteOnKeyUpCheckBox->click();
        w.TrapKeyDownCheckBox->click();
        EXPECT_FALSE(w.RepeatKeyCheckBox->isEnabled() || w.RepeatKeyCheckBox->isChecked());
        EXPECT_FALSE(w.ExecuteOnKeyUpCheckBox->isEnabled() ||
                     w.ExecuteOnKeyUpCheckBox->isChecked());

        // With the arrow keys, repetition never allows execution on release.
        w.TrapKeyDownCheckBox->click();
        w.ModeRadioButton(ControlMode::ArrowControl)->click();
        w.RepeatKeyCheckBox->click();
        EXPECT_TRUE(w.RepeatKeyCheckBox->isChecked());
        EXPECT_FALSE(w.ExecuteOnKeyUpCheckBox->isEnabled());
    });
}

TEST_F(UserSettingsWindowTest, ScanRangeAndPeriodDisplay)
{
    const QLocale old;
    QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    ChangeAppliedSettings(
        form.Session, [&](UserSettings& s) { s.ControlMode = ControlMode::OneSwitchScanControl; });
    Open(form, [](TUserSettingsForm& w) {
        EXPECT_EQ(w.ScanningsPeriodSkylt->text(), "1,50");
        EXPECT_EQ(w.ScanTimer->interval(), 1500);
        // The range list chosen from the keyboard.
        w.ScanningsPeriodComboBox->setFocus();
        Key(Qt::Key_Down);
        Key(Qt::Key_Down);
        EXPECT_EQ(w.ScanningsPeriodComboBox->currentText(), "0-5 min");
        EXPECT_EQ(w.ScanningsPeriod->maximum(), 300000);
        EXPECT_EQ(w.ScanningsPeriod->value(), 1500);
        EXPECT_EQ(w.ScanningsPeriodSkylt->text(), "0,03"); // minutes
        Key(Qt::Key_Up);
        EXPECT_EQ(w.ScanningsPeriod->maximum(), 60000);
        w.ScanningsPeriod->setValue(30000);
        EXPECT_EQ(w.ScanningsPeriodSkylt->text(), "30,00");
        EXPECT_EQ(w.ScanTimer->interval(), 30000);
        EXPECT_EQ(w.EditedSettings.ScanDelayTime, 30000);
        Key(Qt::Key_Up);
        EXPECT_EQ(w.ScanningsPeriodComboBox->currentText(), "0-5 s");
        EXPECT_EQ(w.ScanningsPeriod->value(), 5000);
        EXPECT_EQ(w.ScanningsPeriodSkylt->text(), "5,00");
        EXPECT_EQ(w.EditedSettings.ScanDelayTime, 5000);
        // The scroll bar from the keyboard: small and large steps.
        w.ScanningsPeriod->setFocus();
        Key(Qt::Key_Up);
        EXPECT_EQ(w.ScanningsPeriod->value(), 4900);
        Key(Qt::Key_PageUp);
        EXPECT_EQ(w.ScanningsPeriod->value(), 4400);
        EXPECT_EQ(w.ScanningsPeriodSkylt->text(), "4,40");
        // The range chosen now stays for the next showing.
        w.ScanningsPeriodComboBox->setFocus();
        Key(Qt::Key_Down);
    });
    EXPECT_EQ(form.UserSettings().ScanDelayTime, 1500); // cancelled
    Open(form, [](TUserSettingsForm& w) {
        EXPECT_EQ(w.ScanningsPeriodComboBox->currentText(), "0-60 s");
        EXPECT_EQ(w.ScanningsPeriod->maximum(), 60000);
    });
    QLocale::setDefault(old);
}

TEST_F(UserSettingsWindowTest, ScanSquaresBlinkAtThePeriodInTheOneSwitchScanningModesOnly)
{
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.ScanDelayTime = 200; });
    for (int m = 0; m < 9; ++m) {
        const ControlMode mode = Tonlyra::FileOrderModes()[m];
        SCOPED_TRACE(Tonlyra::ControlModeKey(mode).toStdString());
        ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.ControlMode = mode; });
        Open(form, [&](TUserSettingsForm& w) {
            const bool blinks = mode == ControlMode::OneSwitchScanControl ||
                                mode == ControlMode::OneSwitchScanXYControl;
            EXPECT_EQ(w.ScanTimer->isActive(), blinks);
            if (!blinks) {
                EXPECT_FALSE(w.Indikering1->isVisible() || w.Indikering2->isVisible());
                return;
            }
            EXPECT_EQ(w.ScanTimer->interval(), w.ScanningsPeriod->value());
            // The two squares take turns, one step a period. The timer ran before the clock
            // started, so only the second step is timed.
            EXPECT_TRUE(QTest::qWaitFor([&] { return w.Indikering2->isVisible(); }, 3000));
            EXPECT_FALSE(w.Indikering1->isVisible());
            QElapsedTimer clock;
            clock.start();
            EXPECT_TRUE(QTest::qWaitFor([&] { return w.Indikering1->isVisible(); }, 3000));
            EXPECT_FALSE(w.Indikering2->isVisible());
            EXPECT_GE(clock.elapsed(), 180);
        });
        EXPECT_FALSE(form.ScanTimer->isActive()); // not while the window is hidden
    }

    // The key squares, at the repetition period.
    ChangeAppliedSettings(form.Session,
                          [&](UserSettings& s) { s.ControlMode = ControlMode::TwoSwitchControl; });
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.KeyRepetition = true; });
    ChangeAppliedSettings(form.Session, [&](UserSettings& s) { s.KeyRepetitionDelayTime = 250; });
    Open(form, [](TUserSettingsForm& w) {
        w.ShowAdvancedView();
        EXPECT_EQ(w.KeyRepeatTimer->interval(), 250);
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.KeyIndikering1->isVisible(); }, 3000));
        EXPECT_FALSE(w.KeyIndikering2->isVisible());
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.KeyIndikering2->isVisible(); }, 3000));
        w.RepeatScrollBar->setValue(900);
        EXPECT_EQ(w.KeyRepeatTimer->interval(), 900);
        EXPECT_EQ(w.EditedSettings.KeyRepetitionDelayTime, 900);
        EXPECT_TRUE(w.ChangedInWindow);
    });
    EXPECT_FALSE(form.KeyRepeatTimer->isActive());
}

TEST_F(UserSettingsWindowTest, FontAndColoursThroughTheChoosers)
{
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    Open(form, [](TUserSettingsForm& w) {
        w.ShowAdvancedView();
        ScriptedPrompts prompts;
        QFont chosen(QStringLiteral("DejaVu Serif"));
        chosen.setPointSize(24);
        chosen.setBold(true);
        chosen.setItalic(true);
        chosen.setUnderline(true);
        prompts.Font(chosen, QColor(0, 0, 255)).Cancel();
        w.FontButton->click();
        ASSERT_EQ(prompts.Asked().size(), 1u);
        EXPECT_EQ(prompts.Asked()[0].What, Tonlyra::PromptRequest::Kind::Font);
        EXPECT_EQ(prompts.Asked()[0].InitialFont.family(), "System");
        EXPECT_EQ(prompts.Asked()[0].InitialFont.pointSize(), 10);
        const UserFont font = w.EditedSettings.Font;
        EXPECT_EQ(font, (UserFont{"DejaVu Serif", 24, 0xFF0000, true, true, true, false}));
        EXPECT_TRUE(w.ChangedInWindow);
        // The sample shows face, size, style and colour.
        EXPECT_EQ(w.FontPanel->font().family(), "DejaVu Serif");
        EXPECT_EQ(w.FontPanel->font().pointSize(), 24);
        EXPECT_TRUE(w.FontPanel->font().bold() && w.FontPanel->font().italic() &&
                    w.FontPanel->font().underline());
        const QImage sample = w.FontPanel->grab().toImage();
        int blue = 0;
        for (int y = 0; y < sample.height(); ++y)
            for (int x = 0; x < sample.width(); ++x)
                blue += sample.pixelColor(x, y) == QColor(0, 0, 255);
        EXPECT_GT(blue, 100);
        // A cancelled chooser changes nothing.
        w.FontButton->click();
        EXPECT_EQ(w.EditedSettings.Font, font);

        // Clicking the sample goes back to the applied font, leaving the change flag alone.
        QTest::mouseClick(w.FontPanel, Qt::LeftButton);
        EXPECT_EQ(w.EditedSettings.Font, UserFont());
        EXPECT_EQ(w.FontPanel->font().pointSize(), 10);
        EXPECT_TRUE(w.ChangedInWindow);

        // Each "Ändra" offers its own colour and takes the chosen one.
        struct ColorCase
        {
            QPushButton* Button;
            QFrame* Swatch;
            qint32 UserSettings::*Field;
            QColor Before;
        };
        const ColorCase cases[] = {
            {w.ButtonColorButton, w.ButtonColorPanel, &UserSettings::ButtonColor,
             QColor(192, 192, 192)},
            {w.BackColorButton, w.BackColorPanel, &UserSettings::BackColor, QColor(192, 192, 192)},
            {w.ScanColorButton, w.ScanColorPanel, &UserSettings::ScanColor, QColor(255, 0, 0)},
        };
        w.ModeRadioButton(ControlMode::ArrowControl)->click(); // the frame colour is enabled
        int n = 0;
        for (const ColorCase& c : cases) {
            ScriptedPrompts colors;
            const QColor chosenColor(10 * ++n, 20, 30);
            colors.Color(chosenColor).Cancel();
            EXPECT_EQ(c.Swatch->palette().color(QPalette::Window), c.Before);
            c.Button->click();
            ASSERT_EQ(colors.Asked().size(), 1u);
            EXPECT_EQ(colors.Asked()[0].InitialColor, c.Before);
            EXPECT_EQ(c.Swatch->palette().color(QPalette::Window), chosenColor);
            EXPECT_EQ(w.EditedSettings.*c.Field, Tonlyra::BgrFromColor(chosenColor));
            c.Button->click(); // cancelled
            EXPECT_EQ(w.EditedSettings.*c.Field, Tonlyra::BgrFromColor(chosenColor));
        }
    });
}

// Both views at a small, the default and a large font: every control has at least the room it
// asks for and lies inside the window.
TEST_F(UserSettingsWindowTest, ViewsFitTheirControlsAtAnyFontSize)
{
    const QFont old = QApplication::font();
    for (const int points : {7, 0, 20}) {
        SCOPED_TRACE(points);
        if (points > 0) {
            QFont font = old;
            font.setPointSize(points);
            QApplication::setFont(font);
        }
        Tonlyra::Session formSession;
        TUserSettingsForm form(formSession);
        ChangeAppliedSettings(form.Session, [&](UserSettings& s) {
            s.ControlMode = ControlMode::OneSwitchScanControl;
        });
        Open(form, [&](TUserSettingsForm& w) {
            EXPECT_FALSE(w.IsAdvancedView());
            EXPECT_FALSE(w.ExtendedGroupBox->isVisible());
            EXPECT_TRUE(w.AdvancedViewMenu->isVisible());
            EXPECT_FALSE(w.NormalViewMenu->isVisible());
            const QSize normal = w.size();
            EXPECT_GE(normal.height(), 240);
            EXPECT_GE(normal.width(), 626);
            // At the bottom of the screen, the advanced view moves the window up to stay on it.
            const QRect screen = w.screen()->availableGeometry();
            w.move(w.x(), screen.bottom() + 1 - w.frameGeometry().height());
            w.AdvancedViewMenu->trigger();
            EXPECT_TRUE(w.IsAdvancedView());
            EXPECT_TRUE(w.ExtendedGroupBox->isVisible());
            EXPECT_FALSE(w.AdvancedViewMenu->isVisible());
            EXPECT_TRUE(w.NormalViewMenu->isVisible());
            EXPECT_GE(w.height(), 390);
            EXPECT_GT(w.height(), normal.height());
            // (Up and down only: the window may be wider than the test's small screen.)
            if (w.frameGeometry().height() <= screen.height())
                EXPECT_TRUE(w.frameGeometry().top() >= screen.top() &&
                            w.frameGeometry().bottom() <= screen.bottom());
            else
                EXPECT_EQ(w.frameGeometry().top(), screen.top());
            EXPECT_EQ(w.width(), normal.width());
            QApplication::processEvents();
            for (QWidget* child : w.findChildren<QWidget*>()) {
                if (!child->isVisible() || child->isWindow() || child == w.FontPanel)
                    continue;
                SCOPED_TRACE(child->objectName().toStdString() + " " +
                             child->metaObject()->className());
                const QRect inWindow(child->mapTo(&w, QPoint(0, 0)), child->size());
                EXPECT_TRUE(w.rect().contains(inWindow));
                const QSize needed = child->minimumSizeHint();
                if (needed.isValid()) {
                    EXPECT_GE(child->width(), needed.width());
                    EXPECT_GE(child->height(), needed.height());
                }
            }
            w.NormalViewMenu->trigger();
            EXPECT_EQ(w.size(), normal);
            w.AdvancedViewMenu->trigger();
        });
        // Every showing starts in the normal view.
        Open(form, [](TUserSettingsForm& w) { EXPECT_FALSE(w.IsAdvancedView()); });
    }
    QApplication::setFont(old);
}

TEST_F(UserSettingsWindowTest, OpeningShowsTheAppliedSettingsAndCancelDropsTheEdits)
{
    WriteAll(Dir.File("Users/Anna.usr"), "[Extended settings]\r\nSpacing=2\r\n");
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession, nullptr, {"Anna.usr"});
    const UserSettings applied = form.UserSettings();
    form.Session.SetSettingsUnsaved(true); // say the scanning speed keys were used
    const bool accepted = Open(form, [](TUserSettingsForm& w) {
        EXPECT_EQ(w.windowTitle(), "Brukarfiler" + QString(10, ' ') + w.SettingsFileName);
        EXPECT_EQ(Focused(), "FontButton");
        w.ShowAdvancedView();
        EXPECT_EQ(w.SpacingComboBox->currentText(), "2");
        w.HideBordersCheckBox->click();
        w.PictureCheckBox->click();
        w.ModeRadioButton(ControlMode::ArrowControl)->click();
        ScriptedPrompts no;
        no.Button(QMessageBox::No); // the changes are not to be saved
        w.CloseMenu->trigger();     // "&Avbryt"
        EXPECT_FALSE(w.isVisible());
    });
    EXPECT_FALSE(accepted);
    EXPECT_EQ(form.UserSettings(), applied);
    EXPECT_FALSE(form.ChangedInWindow);
    EXPECT_TRUE(form.ChangedOutside());
    // A save asked for later writes the applied settings, not what was cancelled.
    EXPECT_EQ(form.EditedSettings, applied);
    {
        ScriptedPrompts prompts;
        prompts.Button(QMessageBox::Yes);
        EXPECT_TRUE(form.QuerySaveUserSettings());
    }
    EXPECT_TRUE(Tonlyra::Test::ReadAll(Dir.File("Users/Anna.usr")).contains("Hide borders=0"));

    // The close box cancels too, and the next showing is the applied settings again.
    Open(form, [](TUserSettingsForm& w) {
        w.HideBordersCheckBox->click();
        ScriptedPrompts no;
        no.Button(QMessageBox::No);
        w.close();
    });
    Open(form, [](TUserSettingsForm& w) {
        EXPECT_FALSE(w.HideBordersCheckBox->isChecked());
        EXPECT_TRUE(w.PictureCheckBox->isChecked());
        EXPECT_TRUE(w.MouseControlRadioButton->isChecked());
    });

    // "Visa bilder" alone, accepted: applied, and counted as a change to save.
    EXPECT_TRUE(Open(form, [](TUserSettingsForm& w) {
        w.PictureCheckBox->click();
        w.CloseAndLoadMenu->trigger();
    }));
    EXPECT_FALSE(form.UserSettings().ShowPictures);
    EXPECT_TRUE(form.ChangedOutside());
    EXPECT_FALSE(form.ChangedInWindow);
    form.FileMenuPopup();
    EXPECT_TRUE(form.SaveUserSettingsMenu->isEnabled());
}

// Closing without "Stäng och ladda inställningarna" (the close box, "&Avbryt", Esc) after a change
// asks whether to save it first; without a change the window closes at once.
TEST_F(UserSettingsWindowTest, ClosingWithChangesAsksToSaveThem)
{
    const QString file = Dir.File("Users/Anna.usr");
    const QByteArray original = "[Extended settings]\r\nSpacing=2\r\n";
    struct Case
    {
        const char* Name;
        QMessageBox::StandardButton Answer; // NoButton: no change, so no question
        bool SaveFails;
        bool StaysOpen;
        bool Applied;
    };
    const Case cases[] = {
        {"no change", QMessageBox::NoButton, false, false, false},
        {"Nej", QMessageBox::No, false, false, false},
        {"Avbryt", QMessageBox::Cancel, false, true, false},
        {"Ja", QMessageBox::Yes, false, false, true},
        {"Ja, the save fails", QMessageBox::Yes, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteAll(file, original);
        Tonlyra::Session formSession;
        TUserSettingsForm form(formSession, nullptr, {"Anna.usr"});
        ScriptedPrompts prompts;
        const bool accepted = Open(form, [&](TUserSettingsForm& w) {
            if (c.Answer != QMessageBox::NoButton)
                w.PictureCheckBox->click();
            if (c.SaveFails) { // the file's folder has gone
                QDir(Dir.File("Users")).removeRecursively();
                WriteAll(Dir.File("Users"), "a file where the folder was");
            }
            ScriptedPrompts answers;
            if (c.Answer != QMessageBox::NoButton)
                answers.Button(c.Answer);
            if (c.SaveFails)
                answers.Button(QMessageBox::Ok);
            w.close(); // the close box
            EXPECT_EQ(w.isVisible(), c.StaysOpen);
            if (c.Answer != QMessageBox::NoButton) {
                ASSERT_GE(answers.Asked().size(), 1u);
                EXPECT_EQ(answers.Asked()[0].Text, "Vill du spara ändringarna i Anna.usr?");
                EXPECT_EQ(answers.Asked()[0].Caption, "Spara ändringar");
            } else {
                EXPECT_TRUE(answers.Asked().empty());
            }
            if (c.SaveFails) {
                ASSERT_EQ(answers.Asked().size(), 2u);
                EXPECT_EQ(answers.Asked()[1].Text,
                          "Unable to write to " + file + "\nMappen finns inte.");
            }
            EXPECT_EQ(answers.Remaining(), 0);
        });
        EXPECT_EQ(accepted, c.Applied);
        EXPECT_EQ(form.UserSettings().ShowPictures, !c.Applied);
        const QByteArray saved = Tonlyra::Test::ReadAll(file);
        EXPECT_EQ(saved.contains("Pictures=0"), c.Applied);
        EXPECT_FALSE(form.ChangedInWindow || form.ChangedOutside()); // nothing left to ask later
        QFile::remove(Dir.File("Users"));
        QDir(Dir.Path()).mkpath("Users");
    }
}

TEST_F(UserSettingsWindowTest, FileCommandsInTheOpenWindow)
{
    WriteAll(Dir.File("Users/Bo.usr"),
             "[Input settings]\r\nMouse=0\r\nOne-switch scan=1\r\n[Extended settings]\r\n"
             "Spacing=9\r\n");
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    const bool accepted = Open(form, [&](TUserSettingsForm& w) {
        w.ModeRadioButton(ControlMode::KeyboardControl)->click();
        ScriptedPrompts prompts;
        prompts.Button(QMessageBox::No).File(Dir.File("Users/Bo.usr"));
        w.OpenUserSettingsMenu->trigger();
        EXPECT_EQ(prompts.Asked().size(), 2u); // the save question, then the file
        // The controls show the file at once.
        EXPECT_TRUE(w.OneSwitchScanControlRadioButton->isChecked());
        EXPECT_TRUE(w.ScanningsPeriod->isVisible());
        EXPECT_EQ(w.SpacingComboBox->currentText(), "9");
        EXPECT_EQ(w.windowTitle(), "Brukarfiler" + QString(10, ' ') + Dir.File("Users/Bo.usr"));
        w.ModeRadioButton(ControlMode::TwoSwitchControl)->click();
        ScriptedPrompts no;
        no.Button(QMessageBox::No);
        w.CloseMenu->trigger();
    });
    EXPECT_FALSE(accepted);
    // The file loaded stays the document; only the edit after it is dropped.
    EXPECT_EQ(form.UserSettings().Spacing, 3);
    EXPECT_EQ(form.EditedSettings.ControlMode, ControlMode::OneSwitchScanControl);
    EXPECT_EQ(form.EditedSettings.Spacing, 9);
    EXPECT_TRUE(Open(form, [](TUserSettingsForm& w) { w.accept(); }));
    EXPECT_EQ(form.UserSettings().ControlMode, ControlMode::MouseControl); // opening: applied ones
}

// A carer with only the keyboard: access keys, the arrow keys in the mode list, Tab and the
// menus.
TEST_F(UserSettingsWindowTest, UsableWithTheKeyboardAlone)
{
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    const bool accepted = Open(form, [](TUserSettingsForm& w) {
        // Tab goes through the controls in reading order, skipping those the rules disable.
        QStringList order;
        for (int i = 0; i < 5; ++i) {
            order << Focused();
            Key(Qt::Key_Tab);
        }
        EXPECT_EQ(order, QStringList({"FontButton", "PictureCheckBox", "TextCheckBox",
                                      "MouseControlRadioButton", "FontButton"}));

        Key(Qt::Key_S, Qt::AltModifier); // "&Styrsätt"
        EXPECT_EQ(Focused(), "MouseControlRadioButton");
        // Enter opens no chooser: the window has no default button.
        {
            ScriptedPrompts none;
            Key(Qt::Key_Return);
            EXPECT_TRUE(none.Asked().empty());
            EXPECT_TRUE(w.isVisible());
        }
        Key(Qt::Key_Down);
        Key(Qt::Key_Down);
        Key(Qt::Key_Down);
        Key(Qt::Key_Down);
        Key(Qt::Key_Down);
        Key(Qt::Key_Down);
        Key(Qt::Key_Down); // to one-switch sequential scanning
        EXPECT_EQ(w.EditedSettings.ControlMode, ControlMode::OneSwitchScanControl);
        EXPECT_TRUE(w.ScanTimer->isActive());
        Key(Qt::Key_Tab);
        EXPECT_EQ(Focused(), "ScanningsPeriodComboBox");
        Key(Qt::Key_Tab);
        EXPECT_EQ(Focused(), "ScanningsPeriod");
        Key(Qt::Key_PageDown);
        EXPECT_EQ(w.EditedSettings.ScanDelayTime, 2000);
        // An access key clicks its button the way a mouse would, with the button shown down a
        // moment first.
        Key(Qt::Key_L, Qt::AltModifier); // "Spela &ljud"
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.EditedSettings.PlaySound; }, 2000));

        // "&Visa", "&Fler inställningsmöjligheter"
        Key(Qt::Key_V, Qt::AltModifier);
        QWidget* menu = QApplication::activePopupWidget();
        ASSERT_NE(menu, nullptr);
        QTest::keyClick(menu, Qt::Key_F);
        EXPECT_TRUE(w.IsAdvancedView());
        // The offscreen platform activates the menu after it has closed, which a desktop does
        // not do: give the window its activation back.
        (void)QTest::qWaitFor([&] { return QApplication::activeWindow() != &w; }, 500);
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &w; }, 2000));
        Key(Qt::Key_G, Qt::AltModifier); // "&Göm namnlisten"
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.EditedSettings.HideBorders; }, 2000));
        Key(Qt::Key_M, Qt::AltModifier); // "&Maximera bilder" or "Avstånd &mellan rutorna"
        EXPECT_EQ(Focused(), "ZoomPictureCheckBox");
        Key(Qt::Key_M, Qt::AltModifier);
        EXPECT_EQ(Focused(), "SpacingComboBox");
        Key(Qt::Key_Down);
        EXPECT_EQ(w.EditedSettings.Spacing, 4);
        Key(Qt::Key_N, Qt::AltModifier); // "Agera vid &nedtryckning"
        EXPECT_TRUE(QTest::qWaitFor([&] { return !w.EditedSettings.ActOnKeyDown; }, 2000));

        // "&Arkiv", "Stäng och &ladda inställningarna"
        Key(Qt::Key_A, Qt::AltModifier);
        menu = QApplication::activePopupWidget();
        ASSERT_NE(menu, nullptr);
        QTest::keyClick(menu, Qt::Key_L);
    });
    EXPECT_TRUE(accepted);
    EXPECT_EQ(form.UserSettings().ControlMode, ControlMode::OneSwitchScanControl);
    EXPECT_EQ(form.UserSettings().ScanDelayTime, 2000);
    EXPECT_TRUE(form.UserSettings().PlaySound && form.UserSettings().HideBorders);
    EXPECT_EQ(form.UserSettings().Spacing, 4);
    EXPECT_FALSE(form.UserSettings().ActOnKeyDown);

    // Esc cancels, after asking whether to save the change (no).
    EXPECT_FALSE(Open(form, [](TUserSettingsForm& w) {
        w.ModeRadioButton(ControlMode::ArrowControl)->click();
        ScriptedPrompts no;
        no.Button(QMessageBox::No);
        Key(Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(no.Asked().size(), 1u);
    }));
    EXPECT_EQ(form.UserSettings().ControlMode, ControlMode::OneSwitchScanControl);
}

TEST_F(UserSettingsWindowTest, HelpMenuOpensTheManualAtItsTopic)
{
    Tonlyra::Session formSession;
    TUserSettingsForm form(formSession);
    Open(form, [](TUserSettingsForm& w) {
        w.HelpUserSettingsMenu->trigger();
        Tonlyra::HelpWindow* help = Tonlyra::CurrentHelpWindow();
        ASSERT_NE(help, nullptr);
        EXPECT_TRUE(help->isVisible());
        EXPECT_TRUE(help->Browser()->source().toString().endsWith("Anpassning.html"));
        // The topic's picture of this window is in the manual.
        const QString html = help->Browser()->toHtml();
        EXPECT_TRUE(html.contains("Anpassning.png"));
        EXPECT_FALSE(QImage(":/manual/Anpassning.png").isNull());
        w.HelpContentsMenu->trigger();
        EXPECT_TRUE(help->Browser()->source().toString().endsWith("index.html"));
        help->close();
    });
}

// The font chooser behind "Välj typsnitt" also chooses the text colour, through the colour
// chooser of the same service.
TEST_F(UserSettingsWindowTest, FontChooserOffersTheTextColour)
{
    Tonlyra::PromptRequest request;
    request.What = Tonlyra::PromptRequest::Kind::Font;
    request.InitialFontColor = QColor(0, 0, 255);
    const std::unique_ptr<QDialog> dialog = Tonlyra::UserPrompt::BuildDialog(nullptr, request);
    auto* button = dialog->findChild<QPushButton*>("TextColorButton");
    auto* swatch = dialog->findChild<QFrame*>("TextColorSwatch");
    ASSERT_TRUE(button && swatch);
    EXPECT_EQ(swatch->palette().color(QPalette::Window), QColor(0, 0, 255));
    ScriptedPrompts prompts;
    prompts.Color(QColor(200, 0, 0)).Cancel();
    button->click();
    ASSERT_EQ(prompts.Asked().size(), 1u);
    EXPECT_EQ(prompts.Asked()[0].What, Tonlyra::PromptRequest::Kind::Color);
    EXPECT_EQ(prompts.Asked()[0].InitialColor, QColor(0, 0, 255));
    EXPECT_EQ(swatch->palette().color(QPalette::Window), QColor(200, 0, 0));
    button->click(); // cancelled: the colour stays
    EXPECT_EQ(swatch->palette().color(QPalette::Window), QColor(200, 0, 0));
    // The colour row stands above OK and Cancel.
    dialog->show();
    auto* ok = dialog->findChild<QDialogButtonBox*>();
    EXPECT_LT(button->mapTo(dialog.get(), QPoint(0, 0)).y(),
              ok->mapTo(dialog.get(), QPoint(0, 0)).y());
}
