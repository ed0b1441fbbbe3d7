#include "media/SoundOutputWatch.h"

#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Tonlyra {

SoundOutputWatch::SoundOutputWatch(const QByteArray& wanted) : Watching(wanted != "null") {}

SoundOutputWatch::Change SoundOutputWatch::OutputOpened(const QByteArray& name, qint64 nowMs)
{
    if (!Watching || name.isEmpty())
        return Change::None;
    if (name == "null") {
        if (IsLost)
            return Change::None;
        IsLost = true;
        LostSinceMs = nowMs;
        LastTryMs = -1;
        RetryMs = FirstRetryMs;
        return Change::Lost;
    }
    if (!IsLost)
        return Change::None;
    IsLost = false;
    return Change::Back;
}

bool SoundOutputWatch::ShouldReopen(bool serverAnswers, qint64 nowMs)
{
    if (!IsLost)
        return false;
    if (!serverAnswers) {
        // Gone again: the next time it answers is tried at once.
        LastTryMs = -1;
        RetryMs = FirstRetryMs;
        return false;
    }
    if (LastTryMs >= 0 && nowMs - LastTryMs < RetryMs)
        return false;
    if (LastTryMs >= 0)
        RetryMs = std::min(2 * RetryMs, LongestRetryMs);
    LastTryMs = nowMs;
    return true;
}

namespace {

// Whether something accepts connections on the local socket at path.
bool SocketAnswers(const QByteArray& path)
{
    sockaddr_un address{};
    if (path.isEmpty() || size_t(path.size()) >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const int result = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    const bool answers = result == 0 || errno == EAGAIN || errno == EINPROGRESS;
    ::close(fd);
    return answers;
}

QByteArray RuntimeDir()
{
    return qgetenv("XDG_RUNTIME_DIR");
}

bool PulseAnswers()
{
    const QByteArray servers = qgetenv("PULSE_SERVER");
    if (servers.isEmpty()) {
        const QByteArray runtime = qgetenv("PULSE_RUNTIME_PATH");
        if (!runtime.isEmpty())
            return SocketAnswers(runtime + "/native");
        return SocketAnswers(RuntimeDir() + "/pulse/native") ||
               SocketAnswers("/run/pulse/native");
    }
    // A list of addresses, each "unix:PATH", a bare "/PATH", or a network address, any of
    // them behind a "{machine}" prefix.
    for (QByteArray server : servers.split(' ')) {
        if (server.startsWith('{'))
            server = server.mid(server.indexOf('}') + 1);
        if (server.isEmpty())
            continue;
        if (server.startsWith("unix:"))
            server = server.mid(5);
        if (!server.startsWith('/'))
            return true;
        if (SocketAnswers(server))
            return true;
    }
    return false;
}

bool PipeWireAnswers()
{
    QByteArray remote = qgetenv("PIPEWIRE_REMOTE");
    if (remote.isEmpty())
        remote = "pipewire-0";
    if (remote.startsWith('/'))
        return SocketAnswers(remote);
    QByteArray dir = qgetenv("PIPEWIRE_RUNTIME_DIR");
    if (dir.isEmpty())
        dir = RuntimeDir();
    return !dir.isEmpty() && SocketAnswers(dir + '/' + remote);
}

} // namespace

bool SoundServerAnswers()
{
    return PipeWireAnswers() || PulseAnswers();
}

} // namespace Tonlyra
