#pragma once

#include "input/SwitchInputs.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <thread>

namespace Tonlyra {

// Joysticks and gamepads, for their buttons only, through SDL's joystick API (SDL opens no
// window and plays no sound here). A thread of its own sleeps until a device sends something
// (it waits on the devices' files, not on a timer) and hands each button to the Qt thread,
// where the signals are raised. A device plugged in while the program runs is taken at once; a
// device pulled out with a button held lets go of that button through ButtonLost.
class Joysticks : public QObject
{
    Q_OBJECT
public:
    explicit Joysticks(QObject* parent = nullptr);
    ~Joysticks() override;

    // Whether SDL's joystick subsystem could be started; without it the log says why once, and
    // no signal is ever raised.
    bool Running() const { return Started; }
    // Has the thread look at the devices now. Needed only for SDL's virtual devices, which no
    // file announces.
    void Wake();

    // The id by which the switch timings tell this button of this device from every other press
    // (above every key code, apart from the mouse buttons' negative ids).
    static int SwitchIdOf(int device, int button);

signals:
    // A button (counted from 1, with its device's name) went down or up.
    void ButtonChanged(const Tonlyra::SwitchInput& button, int switchId, bool down);
    // The device of a held button was pulled out.
    void ButtonLost(int switchId);
    // A device came or went (its name).
    void DeviceAdded(const QString& name);
    void DeviceRemoved(const QString& name);

private:
    struct Waiting;
    void Run();
    std::unique_ptr<Waiting> Wait;
    std::thread Thread;
    std::atomic<bool> Started{false};
};

} // namespace Tonlyra
