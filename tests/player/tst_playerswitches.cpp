// The switches' inputs on the real player window: keys (with and without the keypad), mouse
// buttons and joystick buttons in the switch modes and outside them, and what each does.

#include "tests/player/PlayerTestFixture.h"

#include "input/Joysticks.h"

#include <QMouseEvent>
#include <QSignalSpy>

#include <SDL.h>

using namespace Tonlyra;
using namespace Tonlyra::Test;

namespace {

enum class Effect
{
    Nothing,
    Steps,     // the current cell moves on
    Chooses,   // the current cell's media is loaded
    TakesRow,  // row-column scanning goes into the marked row
    TypesDigit // the keyboard mode's number entry grows
};

enum class Input
{
    Key,
    Mouse,
    MouseOnGround, // a mouse button on the grid beside the cells
    Joystick,
};

struct Case
{
    const char* Name;
    ControlMode Mode;
    Input Kind;
    int Code; // Qt key, Qt mouse button or joystick button
    Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
    Effect Expected = Effect::Nothing;
};

} // namespace

class PlayerSwitchesTest : public PlayerFixture
{
protected:
    int Choices() const
    {
        int count = 0;
        for (const QString& url : Engine->Urls)
            count += url.endsWith(QStringLiteral(".wav"));
        return count;
    }
    void Mouse(QWidget* widget, Qt::MouseButton button)
    {
        QTest::mousePress(widget, button, Qt::NoModifier, QPoint(2, 2));
        QTest::mouseRelease(widget, button, Qt::NoModifier, QPoint(2, 2));
    }
    void Joystick(int button)
    {
        const SwitchInput press = SwitchInput::OfJoystick(button, QStringLiteral("Testplatta"));
        PlayerForm->JoystickButton(press, 1000 + button, true);
        PlayerForm->JoystickButton(press, 1000 + button, false);
    }
    void Give(const Case& c)
    {
        switch (c.Kind) {
        case Input::Key:
            Click(c.Code, c.Modifiers);
            break;
        case Input::Mouse:
            Mouse(Face(PlayerForm->CurrentCell), Qt::MouseButton(c.Code));
            break;
        case Input::MouseOnGround:
            Mouse(PlayerForm->KnappYta, Qt::MouseButton(c.Code));
            break;
        case Input::Joystick:
            Joystick(c.Code);
            break;
        }
    }
};

TEST_F(PlayerSwitchesTest, InputsTimesModes)
{
    std::map<int, CellSpec> cells;
    for (int k = 1; k <= 4; ++k)
        cells[k] = {QStringLiteral("SoundFile"), MediaFile(QStringLiteral("%1.wav").arg(k))};
    const QString overlay = WriteOverlay(QStringLiteral("Fyra.cdu"), 2, 2, cells);

    constexpr auto Step = ControlMode::TwoSwitchScanControl;
    constexpr auto Scan = ControlMode::OneSwitchScanControl;
    constexpr auto Rows = ControlMode::OneSwitchScanXYControl;
    constexpr auto Stepping = ControlMode::TwoSwitchControl;
    const Qt::KeyboardModifiers keypad = Qt::KeypadModifier;
    const Case cases[] = {
        // Switch 1 = F5, the keypad's 1, the right button and joystick button 1 steps; switch 2
        // = the main keyboard's 1, the middle button and joystick button 2 chooses.
        {"F5 steps", Step, Input::Key, Qt::Key_F5, {}, Effect::Steps},
        {"keypad 1 steps", Step, Input::Key, Qt::Key_1, keypad, Effect::Steps},
        {"right button steps", Step, Input::Mouse, Qt::RightButton, {}, Effect::Steps},
        {"joystick 1 steps", Step, Input::Joystick, 1, {}, Effect::Steps},
        {"1 chooses", Step, Input::Key, Qt::Key_1, {}, Effect::Chooses},
        {"middle button chooses", Step, Input::Mouse, Qt::MiddleButton, {}, Effect::Chooses},
        {"joystick 2 chooses", Step, Input::Joystick, 2, {}, Effect::Chooses},
        {"space is no switch", Step, Input::Key, Qt::Key_Space},
        {"Enter is no switch", Step, Input::Key, Qt::Key_Return},
        {"keypad Enter is no switch", Step, Input::Key, Qt::Key_Enter, keypad},
        {"left button is no switch", Step, Input::Mouse, Qt::LeftButton},
        {"joystick 3 is no switch", Step, Input::Joystick, 3},
        {"F6 is no switch", Step, Input::Key, Qt::Key_F6},
        {"right button on the ground steps", Stepping, Input::MouseOnGround, Qt::RightButton, {},
         Effect::Steps},
        {"F5 steps a stepping mode", Stepping, Input::Key, Qt::Key_F5, {}, Effect::Steps},
        // One-switch scanning: the scan steps; switch 2 chooses, switch 1 does nothing.
        {"1 chooses in the scan", Scan, Input::Key, Qt::Key_1, {}, Effect::Chooses},
        {"joystick 2 chooses in the scan", Scan, Input::Joystick, 2, {}, Effect::Chooses},
        {"middle button chooses in the scan", Scan, Input::Mouse, Qt::MiddleButton, {},
         Effect::Chooses},
        {"F5 does nothing in the scan", Scan, Input::Key, Qt::Key_F5},
        {"Enter does nothing in the scan", Scan, Input::Key, Qt::Key_Return},
        // Row-column scanning: switch 2 takes the marked row.
        {"1 takes the row", Rows, Input::Key, Qt::Key_1, {}, Effect::TakesRow},
        {"joystick 2 takes the row", Rows, Input::Joystick, 2, {}, Effect::TakesRow},
        {"Enter does not take the row", Rows, Input::Key, Qt::Key_Return},
        // Outside the switch modes keys keep their meaning, and buttons do nothing.
        {"1 is a digit", ControlMode::KeyboardControl, Input::Key, Qt::Key_1, {},
         Effect::TypesDigit},
        {"F5 in the keyboard mode", ControlMode::KeyboardControl, Input::Key, Qt::Key_F5},
        {"joystick 2 in the keyboard mode", ControlMode::KeyboardControl, Input::Joystick, 2},
        {"Enter chooses in the arrow mode", ControlMode::ArrowControl, Input::Key,
         Qt::Key_Return, {}, Effect::Chooses},
        {"F5 in the arrow mode", ControlMode::ArrowControl, Input::Key, Qt::Key_F5},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Destroy();
        UserSettings settings = Settings(c.Mode);
        settings.Switch1 =
            ParseSwitchInputs(QStringLiteral("key:F5;key:Num+1;mouse:right;joystick:1"));
        settings.Switch2 =
            ParseSwitchInputs(QStringLiteral("key:1;mouse:middle;joystick:2@Testplatta"));
        Start(overlay, settings);
        PlayerForm->CurrentCell = 1;
        PlayerForm->MarkCell(1);
        const int choices = Choices();

        Give(c);

        EXPECT_EQ(PlayerForm->CurrentCell, c.Expected == Effect::Steps ? 2 : 1);
        EXPECT_EQ(Choices(), choices + (c.Expected == Effect::Chooses ? 1 : 0));
        EXPECT_EQ(PlayerForm->ScanInRow, c.Expected == Effect::TakesRow);
        EXPECT_EQ(PlayerForm->NumberEntry,
                  c.Expected == Effect::TypesDigit ? QStringLiteral("1") : QString());
    }
}

TEST_F(PlayerSwitchesTest, ASwitchInputGoesThroughTheSwitchTimingsAndActsOnRelease)
{
    std::map<int, CellSpec> cells;
    for (int k = 1; k <= 4; ++k)
        cells[k] = {QStringLiteral("SoundFile"), MediaFile(QStringLiteral("%1.wav").arg(k))};
    UserSettings settings = Settings(ControlMode::TwoSwitchScanControl);
    settings.Switch1 = ParseSwitchInputs(QStringLiteral("key:F5;joystick:1"));
    settings.ActOnKeyDown = false;
    settings.IgnoreRepeatTime = 60000;
    Start(WriteOverlay(QStringLiteral("Fyra.cdu"), 2, 2, cells), settings);

    // Acting on release: the press does nothing, the release steps.
    const SwitchInput button = SwitchInput::OfJoystick(1, QStringLiteral("Testplatta"));
    PlayerForm->JoystickButton(button, 1001, true);
    EXPECT_EQ(PlayerForm->CurrentCell, 0);
    PlayerForm->JoystickButton(button, 1001, false);
    EXPECT_EQ(PlayerForm->CurrentCell, 1);
    // Within the ignore-repeat time another input of the same switch is ignored as well.
    Click(Qt::Key_F5);
    EXPECT_EQ(PlayerForm->CurrentCell, 1);

    // A joystick press while another window is active is not taken, nor is its release.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    PlayerForm->SwitchPresses.SetTimings(Settings(ControlMode::TwoSwitchScanControl));
    PlayerForm->JoystickButton(button, 1001, true);
    PlayerForm->JoystickButton(button, 1001, false);
    EXPECT_EQ(PlayerForm->CurrentCell, 1);
}

TEST_F(PlayerSwitchesTest, AVirtualGamepadHeldForTheAcceptanceTimeAndPulledOutWhileScanning)
{
    std::map<int, CellSpec> cells;
    for (int k = 1; k <= 4; ++k)
        cells[k] = {QStringLiteral("SoundFile"), MediaFile(QStringLiteral("%1.wav").arg(k))};
    UserSettings settings = Settings(ControlMode::OneSwitchScanControl);
    settings.Switch1 = ParseSwitchInputs(QStringLiteral("key:Space;joystick:1"));
    settings.Switch2 = ParseSwitchInputs(QStringLiteral("key:Return;joystick:2"));
    settings.AcceptanceTime = 150;
    Built = Parts::All; // the application wires the joysticks to the player
    Start(WriteOverlay(QStringLiteral("Fyra.cdu"), 2, 2, cells), settings);
    Joysticks& joysticks = *Windows->Joysticks();
    ASSERT_TRUE(joysticks.Running());

    // Plugged in while the scan runs.
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 0, 4, 0);
    SDL_Joystick* pad = SDL_JoystickOpen(index);
    ASSERT_TRUE(pad) << SDL_GetError();
    QSignalSpy added(&joysticks, &Joysticks::DeviceAdded);
    QSignalSpy buttons(&joysticks, &Joysticks::ButtonChanged);
    joysticks.Wake();
    ASSERT_TRUE(added.wait(2000));
    const auto set = [&](int button, bool down) {
        const qsizetype before = buttons.size();
        SDL_JoystickSetVirtualButton(pad, button - 1, down ? SDL_PRESSED : SDL_RELEASED);
        joysticks.Wake();
        ASSERT_TRUE(QTest::qWaitFor([&] { return buttons.size() > before; }, 2000));
    };
    PlayerForm->ScanTimerTimer();
    PlayerForm->ScanTimerTimer();
    ASSERT_EQ(PlayerForm->CurrentCell, 2);

    // A short press does nothing; one held for the acceptance time chooses.
    set(2, true);
    set(2, false);
    QTest::qWait(200);
    EXPECT_TRUE(Engine->Urls.filter(QStringLiteral(".wav")).isEmpty());
    set(2, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Engine->Urls.filter(QStringLiteral(".wav")).isEmpty(); },
                                2000));
    EXPECT_EQ(Engine->Url, cells[2].Media);
    set(2, false);
    ASSERT_TRUE(WaitPlaying());
    Playback->Stop();
    ASSERT_EQ(Playback->PlayState(), PlaybackEngine::Stopped);

    // Held while it is pulled out: the scan, which waits while a switch is held, goes on.
    set(1, true);
    QTest::qWait(200);
    PlayerForm->ScanTimerTimer();
    EXPECT_EQ(PlayerForm->CurrentCell, 2);
    QSignalSpy removed(&joysticks, &Joysticks::DeviceRemoved);
    SDL_JoystickClose(pad);
    SDL_JoystickDetachVirtual(index);
    joysticks.Wake();
    ASSERT_TRUE(removed.wait(2000));
    PlayerForm->ScanTimerTimer();
    EXPECT_EQ(PlayerForm->CurrentCell, 3);
    EXPECT_EQ(Engine->Urls.filter(QStringLiteral(".wav")).size(), 1);
}
