#pragma once

#include "usersettings/UserSettings.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <optional>

class QEvent;

namespace Tonlyra {

// The switch id of a mouse button, apart from every key code.
int MouseSwitch(Qt::MouseButton button);

// A switch going down or up.
struct SwitchEdge
{
    int Switch = 0; // a key code (Tonlyra::KeyCode) or MouseSwitch(button)
    bool Down = false;
};

// How an input event works a switch, for the grid and for whatever shows what the grid would
// do with a press: a key goes down with each press, the keyboard's repetition included (the
// filter lets a repetition follow the fate of the first press), and up with a release that is
// not the repetition's; a mouse button goes down with a press and with the second press of a
// double click, which Qt hands to a widget as a double click only, and up with its release.
// Nothing for other events.
std::optional<SwitchEdge> SwitchEdgeOf(const QEvent& event);

// Time as the switch timings see it. The program runs on the steady clock and Qt's timers;
// tests move a clock of their own by hand, so that a timeline of presses runs without waiting.
class SwitchClock
{
public:
    virtual ~SwitchClock() = default;
    // Milliseconds since some fixed moment.
    virtual qint64 Now() const = 0;
    // Runs action once, ms from now, on this thread; not at all once context is gone.
    virtual void After(int ms, QObject* context, std::function<void()> action) = 0;
};

// The steady clock with Qt's single-shot timers; one for the whole program.
SwitchClock& SteadySwitchClock();

// Why a press of a switch did not count.
enum class IgnoredPress
{
    TooShort,         // let go before the acceptance time
    Repeat,           // within the ignore-repeat time after a counted press was let go
    PauseAfterChoice, // within the pause after a choice
};

// Decides which presses of the switches count, for users whose presses are not clean: a press
// counts only once it has been held for the acceptance time; presses that come within the
// ignore-repeat time after a counted press was let go, or within the pause after a choice, do
// nothing at all (neither their press nor their release). With every time 0 each press counts
// at once, as if there were no filter.
//
// A switch is any id the caller gives it (a key code, a mouse button); a press of a switch that
// is already down is the keyboard's repetition and follows the fate of the first press.
class SwitchPressFilter
{
public:
    explicit SwitchPressFilter(QObject* context);

    void SetClock(SwitchClock* clock);
    SwitchClock& Clock() const { return *Time; }
    // Takes AcceptanceTime, IgnoreRepeatTime and PauseAfterChoice.
    void SetTimings(const UserSettings& settings);

    // The switch goes down; pressed runs when the press counts: at once, or after the
    // acceptance time if the switch has not been let go meanwhile, or never.
    void Press(int switchId, std::function<void()> pressed);
    // The switch comes up: true when its press counted and the release is to be handled (also
    // for a switch whose press was never seen).
    bool Release(int switchId);
    // A cell was carried out: presses are ignored for the pause after a choice.
    void ChoiceMade();

    // Told of each press that does not count, once, as soon as that is decided (for the use
    // log); a keyboard repetition of it is not told again.
    std::function<void(int switchId, IgnoredPress why)> OnIgnored;

private:
    enum class State
    {
        Waiting, // held, not yet for the acceptance time
        Counted,
        Ignored,
    };
    struct Down
    {
        State Now;
        quint64 Serial; // tells a press from a later one of the same switch
    };
    // Why a press now would be ignored, if it would.
    std::optional<IgnoredPress> QuietReason(qint64 now) const;
    void Ignore(int switchId, IgnoredPress why);

    QPointer<QObject> Context;
    SwitchClock* Time;
    qint32 AcceptanceTime = 0;
    qint32 IgnoreRepeatTime = 0;
    qint32 PauseAfterChoice = 0;
    std::map<int, Down> Switches; // the switches that are down
    quint64 Serials = 0;
    bool HasLastRelease = false;
    qint64 LastCountedRelease = 0;
    bool HasChoice = false;
    qint64 LastChoice = 0;
};

} // namespace Tonlyra
