#pragma once

// A clock for the switch timings that the test moves by hand: nothing waits, and whatever falls
// due on the way runs in the order of its time.

#include "input/SwitchPressFilter.h"

#include <QPointer>

#include <functional>
#include <vector>

namespace Tonlyra::Test {

class ManualClock : public SwitchClock
{
public:
    qint64 Now() const override { return Time; }
    void After(int ms, QObject* context, std::function<void()> action) override
    {
        Due.push_back({Time + ms, Count++, QPointer<QObject>(context), std::move(action)});
    }

    // Moves the clock to at (ms), running each action as its time comes.
    void AdvanceTo(qint64 at)
    {
        for (;;) {
            auto next = Due.end();
            for (auto it = Due.begin(); it != Due.end(); ++it)
                if (it->At <= at && (next == Due.end() || it->At < next->At ||
                                     (it->At == next->At && it->Order < next->Order)))
                    next = it;
            if (next == Due.end())
                break;
            Entry entry = std::move(*next);
            Due.erase(next);
            Time = entry.At;
            if (entry.Context)
                entry.Action();
        }
        Time = std::max(Time, at);
    }

private:
    struct Entry
    {
        qint64 At;
        quint64 Order;
        QPointer<QObject> Context;
        std::function<void()> Action;
    };
    qint64 Time = 0;
    quint64 Count = 0;
    std::vector<Entry> Due;
};

} // namespace Tonlyra::Test
