#include "input/SwitchPressFilter.h"

#include "platform/KeyCodes.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

namespace Tonlyra {

namespace {

class SteadyClock final : public SwitchClock
{
public:
    SteadyClock() { Started.start(); }
    qint64 Now() const override { return Started.elapsed(); }
    void After(int ms, QObject* context, std::function<void()> action) override
    {
        QTimer::singleShot(ms, Qt::PreciseTimer, context, std::move(action));
    }

private:
    QElapsedTimer Started;
};

} // namespace

int MouseSwitch(Qt::MouseButton button)
{
    return -int(button);
}

std::optional<SwitchEdge> SwitchEdgeOf(const QEvent& event)
{
    switch (event.type()) {
    case QEvent::KeyPress:
        return SwitchEdge{KeyCodeOf(static_cast<const QKeyEvent*>(&event)), true};
    case QEvent::KeyRelease: {
        const auto& key = static_cast<const QKeyEvent&>(event);
        // The releases the keyboard's repetition puts between its presses are no letting go.
        if (key.isAutoRepeat())
            return std::nullopt;
        return SwitchEdge{KeyCodeOf(&key), false};
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return SwitchEdge{MouseSwitch(static_cast<const QMouseEvent&>(event).button()), true};
    case QEvent::MouseButtonRelease:
        return SwitchEdge{MouseSwitch(static_cast<const QMouseEvent&>(event).button()), false};
    default:
        return std::nullopt;
    }
}

SwitchClock& SteadySwitchClock()
{
    static SteadyClock clock;
    return clock;
}

SwitchPressFilter::SwitchPressFilter(QObject* context)
    : Context(context), Time(&SteadySwitchClock())
{}

void SwitchPressFilter::SetClock(SwitchClock* clock)
{
    Time = clock ? clock : &SteadySwitchClock();
}

void SwitchPressFilter::SetTimings(const UserSettings& settings)
{
    AcceptanceTime = settings.AcceptanceTime;
    IgnoreRepeatTime = settings.IgnoreRepeatTime;
    PauseAfterChoice = settings.PauseAfterChoice;
}

std::optional<IgnoredPress> SwitchPressFilter::QuietReason(qint64 now) const
{
    if (HasChoice && now - LastChoice < PauseAfterChoice)
        return IgnoredPress::PauseAfterChoice;
    if (HasLastRelease && now - LastCountedRelease < IgnoreRepeatTime)
        return IgnoredPress::Repeat;
    return std::nullopt;
}

void SwitchPressFilter::Ignore(int switchId, IgnoredPress why)
{
    if (OnIgnored)
        OnIgnored(switchId, why);
}

void SwitchPressFilter::Press(int switchId, std::function<void()> pressed)
{
    const auto held = Switches.find(switchId);
    if (held != Switches.end()) {
        // The keyboard repeats a held key: it acts only if the press it repeats counted.
        if (held->second.Now == State::Counted)
            pressed();
        return;
    }
    const qint64 now = Time->Now();
    if (const auto why = QuietReason(now)) {
        Switches[switchId] = {State::Ignored, ++Serials};
        Ignore(switchId, *why);
        return;
    }
    if (AcceptanceTime <= 0) {
        Switches[switchId] = {State::Counted, ++Serials};
        pressed();
        return;
    }
    const quint64 serial = ++Serials;
    Switches[switchId] = {State::Waiting, serial};
    Time->After(AcceptanceTime, Context, [this, switchId, serial, pressed = std::move(pressed)] {
        const auto down = Switches.find(switchId);
        if (down == Switches.end() || down->second.Serial != serial ||
            down->second.Now != State::Waiting)
            return;
        // A choice made meanwhile (by another switch) silences this one as well.
        if (HasChoice && Time->Now() - LastChoice < PauseAfterChoice) {
            down->second.Now = State::Ignored;
            Ignore(switchId, IgnoredPress::PauseAfterChoice);
            return;
        }
        down->second.Now = State::Counted;
        pressed();
    });
}

bool SwitchPressFilter::Release(int switchId)
{
    const auto down = Switches.find(switchId);
    if (down == Switches.end())
        return true;
    const bool counted = down->second.Now == State::Counted;
    const bool tooShort = down->second.Now == State::Waiting;
    Switches.erase(down);
    if (tooShort)
        Ignore(switchId, IgnoredPress::TooShort);
    if (counted) {
        HasLastRelease = true;
        LastCountedRelease = Time->Now();
    }
    return counted;
}

void SwitchPressFilter::ChoiceMade()
{
    HasChoice = true;
    LastChoice = Time->Now();
}

} // namespace Tonlyra
