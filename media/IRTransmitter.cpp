#include "media/IRTransmitter.h"

#include "platform/Logging.h"

#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace Tonlyra {

namespace {

// How long a frame may take to leave the port before it is given up. Nine bytes take under
// 10 ms at 9600 baud; more means the line is held (hardware handshake, no device).
constexpr int DrainMilliseconds = 100;

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : Fd(fd) {}
    ~FileDescriptor()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return Fd; }

private:
    int Fd;
};

QString SystemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

IRTransmitter::Result Failure(const QString& devicePath, const QString& what, int error)
{
    IRTransmitter::Result result;
    result.Error = QStringLiteral("%1: %2: %3").arg(devicePath, what, SystemError(error));
    return result;
}

// Waits until the frame has left the port, for at most DrainMilliseconds. On a line that does
// not drain the rest is discarded, so that closing the port does not wait for it either.
bool DrainOutput(int fd)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        int queued = 0;
        if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
            return true;
        if (timer.elapsed() >= DrainMilliseconds) {
            ::tcflush(fd, TCOFLUSH);
            return false;
        }
        ::usleep(2000);
    }
}

} // namespace

QString IRTransmitter::DevicePath(const QString& portName)
{
    static const QString ports[] = {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6"};
    for (int i = 0; i < 6; ++i) {
        if (portName != ports[i])
            continue;
        const QString configured =
            qEnvironmentVariable(QStringLiteral("TONLYRA_%1").arg(portName).toLatin1().constData());
        return configured.isEmpty() ? QStringLiteral("/dev/ttyS%1").arg(i) : configured;
    }
    return QString();
}

QByteArray IRTransmitter::CommandFrame(const QString& irString)
{
    QByteArray frame = irString.toLatin1().left(FrameSize - 1);
    frame.append(FrameSize - frame.size(), '\0');
    return frame;
}

QByteArray IRTransmitter::StopFrame()
{
    QByteArray frame(FrameSize, '\0');
    frame[0] = '!';
    return frame;
}

void IRTransmitter::SetFrameLineSettings(termios& settings)
{
    ::cfsetispeed(&settings, B9600);
    ::cfsetospeed(&settings, B9600);
    settings.c_cflag |= PARENB;
    settings.c_cflag &= ~(PARODD | CMSPAR | CSTOPB); // even, not mark or space; one stop bit
}

IRTransmitter::Result IRTransmitter::SendFrame(const QString& portName, const QByteArray& frame)
{
    const QString devicePath = DevicePath(portName);
    if (!devicePath.isEmpty())
        return SendFrameToDevice(devicePath, frame);
    Result result;
    result.Error = QStringLiteral("unknown port \"%1\"").arg(portName);
    qCWarning(Log::IR).noquote() << "IR:" << result.Error;
    return result;
}

IRTransmitter::Result IRTransmitter::SendFrameToDevice(const QString& devicePath,
                                                       const QByteArray& frame)
{
    Result result = [&]() -> Result {
        // Non-blocking, so that neither opening (a line without carrier) nor writing (a line
        // held by handshaking) can stop the program.
        FileDescriptor port(::open(QFile::encodeName(devicePath).constData(),
                                   O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        if (port.Get() < 0)
            return Failure(devicePath, QStringLiteral("cannot open"), errno);
        // Not shared: another program that holds the port locked keeps it.
        if (::flock(port.Get(), LOCK_EX | LOCK_NB) != 0)
            return Failure(devicePath, QStringLiteral("port is in use"), errno);

        termios settings{};
        if (::tcgetattr(port.Get(), &settings) != 0)
            return Failure(devicePath, QStringLiteral("cannot read the port settings"), errno);
        SetFrameLineSettings(settings);
        // A port that refuses part of the settings still gets the frame: the C library
        // reports an error when the driver dropped one of them (a pseudo-terminal has no
        // parity) even though the rest took effect, and the transmitter may well cope.
        if (::tcsetattr(port.Get(), TCSANOW, &settings) != 0) {
            const int error = errno;
            qCWarning(Log::IR).noquote()
                << QStringLiteral("IR: %1: not every port setting was taken: %2")
                       .arg(devicePath, SystemError(error));
        }

        const ssize_t written = ::write(port.Get(), frame.constData(), frame.size());
        if (written < 0)
            return Failure(devicePath, QStringLiteral("cannot write"), errno);
        if (written != frame.size()) {
            ::tcflush(port.Get(), TCOFLUSH);
            Result partial;
            partial.Error = QStringLiteral("%1: only %2 of %3 bytes written")
                                .arg(devicePath)
                                .arg(written)
                                .arg(frame.size());
            return partial;
        }
        if (!DrainOutput(port.Get())) {
            Result held;
            held.Error = QStringLiteral("%1: the frame did not leave the port").arg(devicePath);
            return held;
        }
        Result ok;
        ok.Ok = true;
        return ok;
    }();
    if (!result.Ok)
        qCWarning(Log::IR).noquote() << "IR:" << result.Error;
    return result;
}

} // namespace Tonlyra
