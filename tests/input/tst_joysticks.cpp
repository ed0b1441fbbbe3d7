// Joysticks through SDL's virtual devices (no real device, no /dev/uinput): a device plugged in
// while the program runs, its buttons down and up with the device's name, and a device pulled
// out with a button held.

#include "input/Joysticks.h"

#include <QSignalSpy>
#include <QTest>

#include <SDL.h>

#include <gtest/gtest.h>

using namespace Tonlyra;

namespace {

// A gamepad of four buttons that exists only in SDL, plugged in while joysticks run.
class VirtualPad
{
public:
    explicit VirtualPad(Joysticks& joysticks) : Pads(joysticks)
    {
        Index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 0, 4, 0);
        Handle = Index >= 0 ? SDL_JoystickOpen(Index) : nullptr;
        Pads.Wake();
    }
    ~VirtualPad() { Unplug(); }
    bool Plugged() const { return Handle; }
    QString Name() const { return QString::fromUtf8(SDL_JoystickName(Handle)); }
    void Set(int button, bool down)
    {
        SDL_JoystickSetVirtualButton(Handle, button - 1, down ? SDL_PRESSED : SDL_RELEASED);
        Pads.Wake();
    }
    void Unplug()
    {
        if (!Handle)
            return;
        SDL_JoystickClose(Handle);
        SDL_JoystickDetachVirtual(Index);
        Handle = nullptr;
        Pads.Wake();
    }

private:
    Joysticks& Pads;
    int Index = -1;
    SDL_Joystick* Handle = nullptr;
};

} // namespace

TEST(Joysticks, ButtonsOfADevicePluggedInAndPulledOut)
{
    Joysticks joysticks;
    ASSERT_TRUE(joysticks.Running());
    QSignalSpy added(&joysticks, &Joysticks::DeviceAdded);
    QSignalSpy removed(&joysticks, &Joysticks::DeviceRemoved);
    QSignalSpy buttons(&joysticks, &Joysticks::ButtonChanged);
    QSignalSpy lost(&joysticks, &Joysticks::ButtonLost);

    VirtualPad pad(joysticks);
    ASSERT_TRUE(pad.Plugged()) << SDL_GetError();
    ASSERT_TRUE(added.wait(2000));
    EXPECT_EQ(added[0][0].toString(), pad.Name());

    pad.Set(2, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return buttons.size() == 1; }, 2000));
    pad.Set(2, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return buttons.size() == 2; }, 2000));
    const auto down = buttons[0][0].value<SwitchInput>();
    EXPECT_EQ(down, SwitchInput::OfJoystick(2, pad.Name()));
    EXPECT_TRUE(buttons[0][2].toBool());
    EXPECT_FALSE(buttons[1][2].toBool());
    const int id = buttons[0][1].toInt();
    EXPECT_EQ(buttons[1][1].toInt(), id);
    // Apart from every key code and mouse button.
    EXPECT_GT(id, 0xFFFF);

    // Pulled out with button 3 held: the button is let go of, without a release of its own.
    pad.Set(3, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return buttons.size() == 3; }, 2000));
    pad.Unplug();
    ASSERT_TRUE(removed.wait(2000));
    ASSERT_EQ(lost.size(), 1);
    EXPECT_EQ(lost[0][0].toInt(), buttons[2][1].toInt());
    EXPECT_EQ(buttons.size(), 3);
}
