#pragma once

#include <QByteArray>
#include <QString>

namespace Tonlyra {

// Keeps the sound on the sound server when the server goes away and comes back.
//
// The engine keeps one audio output open for the whole run, and when the sound server is not
// there (it crashed, restarts, or starts after the program) mpv falls back to its null output
// and stays there. The watch is told which output mpv has opened; while that is the null
// output it is "lost", and it says when to open the output again: when a sound server answers
// on its socket, at most once a second, waiting twice as long after each try that did not
// bring the output back (a server that answers but will not take us is not hammered).
class SoundOutputWatch
{
public:
    enum class Change
    {
        None,
        Lost,
        Back
    };

    static constexpr qint64 FirstRetryMs = 1000;
    static constexpr qint64 LongestRetryMs = 30000;

    // wanted: the output the user asked for (empty: mpv's choice). With "null" nothing is lost.
    explicit SoundOutputWatch(const QByteArray& wanted = {});

    // mpv reports the output it has open now (empty while none is open).
    Change OutputOpened(const QByteArray& name, qint64 nowMs);
    bool Lost() const { return IsLost; }
    // Whether to open the output again now, while lost, given whether a sound server answers.
    bool ShouldReopen(bool serverAnswers, qint64 nowMs);
    // How long the output was lost, when it comes back.
    qint64 LostForMs(qint64 nowMs) const { return nowMs - LostSinceMs; }

private:
    bool Watching = true;
    bool IsLost = false;
    qint64 LostSinceMs = 0;
    qint64 LastTryMs = -1;
    qint64 RetryMs = FirstRetryMs;
};

// Whether a sound server answers on this desktop: a connection to the socket of PulseAudio
// ($PULSE_SERVER, else $XDG_RUNTIME_DIR/pulse/native) or PipeWire ($PIPEWIRE_REMOTE, else
// pipewire-0 in $XDG_RUNTIME_DIR) is accepted. A server named by a network address is taken
// to answer (it cannot be asked this cheaply). Costs one local connect per socket.
bool SoundServerAnswers();

} // namespace Tonlyra
